// The key rules of the forms engine, as plain functions over a form's buttons.
// The focus starts on the visible, enabled button with the lowest tab index;
// Enter presses the focused button, else the Default one; Esc presses a Cancel
// button, else nothing; Alt with a letter presses the button whose caption marks
// that letter with "&" and moves the focus to it; Tab and Shift+Tab move the
// focus to the next usable button in tab order, round to the first. Space is
// the window system's own (the focused button presses itself).
// A repeated key (held down) presses nothing.
#pragma once

#include <string>
#include <vector>

namespace engine {

struct KeyPress {
    enum Kind { Enter, Escape, Space, Tab, Letter, Other };
    Kind kind = Other;
    char letter = 0;     // 'A' to 'Z' for Letter
    bool alt = false, control = false, shift = false;
    bool repeated = false;
};

struct ButtonState {
    std::string caption; // with its "&" mark
    int tabIndex = 0;
    bool usable = false; // visible, enabled, on a shown form
    bool focused = false;
    bool isDefault = false, isCancel = false;
};

struct KeyOutcome {
    bool consumed = false; // the window system does nothing more with the key
    int press = -1;        // index of the button to press, or -1
    bool focusFirst = false;
    int focus = -1;        // index of the button to move the focus to, or -1
};

KeyOutcome applyKey(const KeyPress &key, const std::vector<ButtonState> &buttons);

// The button the focus starts on, or -1.
int initialFocus(const std::vector<ButtonState> &buttons);

// Indexes of the buttons in tab order (by TabIndex, then as defined).
std::vector<int> tabOrder(const std::vector<ButtonState> &buttons);

// The access key a caption marks with "&", upper case, or 0 ("&&" is a plain "&").
char accessKey(const std::string &caption);

// The text without its "&" marks, as it is drawn and as a screen reader says it.
std::string withoutAccessMarks(const std::string &caption);

} // namespace engine
