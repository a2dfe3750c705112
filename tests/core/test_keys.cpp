// Which button a key presses, where the focus starts, and the tab order, on a
// shown dialog with "&Yes" (Default, tab index 1), "&No" (Cancel, 2) and
// "&&Salt && &Chips" (0).
#include "fakeport.h"
#include "testform.h"

#include <doctest/doctest.h>

using namespace engine;
using fake::FakePort;

namespace {

const FormDef frmKeys = dialogDefinition("frmKeys");

constexpr KeyPress enter{.kind = KeyPress::Enter};
constexpr KeyPress escape{.kind = KeyPress::Escape};
constexpr KeyPress alt(char letter)
{
    return {.kind = KeyPress::Letter, .letter = letter, .alt = true};
}

std::vector<std::string> names(const std::vector<ControlPeer *> &peers)
{
    std::vector<std::string> result;
    for (ControlPeer *peer : peers)
        result.push_back(static_cast<fake::FakeControl *>(peer)->control.name());
    return result;
}

} // namespace

TEST_CASE("keys")
{
    struct Row {
        const char *name;
        KeyPress key;
        const char *focus;  // before the key; "" nowhere
        const char *hidden; // a button hidden by code, or ""
        const char *pressed;
        bool used;
        const char *focusAfter;
    };
    const Row rows[] = {
        {"Enter presses the focused button", enter, "cmdNo", "", "cmdNo", true, "cmdNo"},
        {"Enter without focus presses Default", enter, "", "", "cmdYes", true, ""},
        {"Enter: a hidden Default takes no key", enter, "", "cmdYes", "", true, ""},
        {"Esc presses Cancel, not the focused", escape, "cmdYes", "", "cmdNo", true, "cmdYes"},
        {"Esc: no visible Cancel, nothing", escape, "cmdYes", "cmdNo", "", true, "cmdYes"},
        {"Alt+N presses No, focus moves", alt('N'), "cmdYes", "", "cmdNo", true, "cmdNo"},
        {"Alt+C: the mark after && marks", alt('C'), "cmdYes", "", "cmdSalt", true, "cmdSalt"},
        {"Alt+S: && is no access key", alt('S'), "cmdYes", "", "", false, "cmdYes"},
        {"Alt+Y: a hidden button takes no key", alt('Y'), "cmdNo", "cmdYes", "", false, "cmdNo"},
        {"Alt+Z: no such mark", alt('Z'), "cmdNo", "", "", false, "cmdNo"},
        {"held Enter", {.kind = KeyPress::Enter, .repeated = true}, "cmdNo", "", "", true, "cmdNo"},
        {"held Esc", {.kind = KeyPress::Escape, .repeated = true}, "cmdYes", "", "", true, "cmdYes"},
        {"held Alt+N", {.kind = KeyPress::Letter, .letter = 'N', .alt = true, .repeated = true}, "cmdYes", "", "",
         true, "cmdYes"},
        {"Ctrl+Enter", {.kind = KeyPress::Enter, .control = true}, "cmdNo", "", "", false, "cmdNo"},
        {"Shift+Enter", {.kind = KeyPress::Enter, .shift = true}, "", "", "", false, ""},
        {"Alt+Enter", {.kind = KeyPress::Enter, .alt = true}, "", "", "", false, ""},
        {"Shift+Esc", {.kind = KeyPress::Escape, .shift = true}, "cmdYes", "", "", false, "cmdYes"},
        {"Ctrl+N", {.kind = KeyPress::Letter, .letter = 'N', .control = true}, "cmdYes", "", "", false, "cmdYes"},
        {"Alt+Shift+N", {.kind = KeyPress::Letter, .letter = 'N', .alt = true, .shift = true}, "cmdYes", "", "",
         false, "cmdYes"},
        {"Ctrl+Alt+N", {.kind = KeyPress::Letter, .letter = 'N', .alt = true, .control = true}, "cmdYes", "", "",
         false, "cmdYes"},
        {"Space is the window system's", {.kind = KeyPress::Space}, "cmdNo", "", "", false, "cmdNo"},
        {"Tab: the next in tab order", {.kind = KeyPress::Tab}, "cmdSalt", "", "", true, "cmdYes"},
        {"Tab: round to the first", {.kind = KeyPress::Tab}, "cmdNo", "", "", true, "cmdSalt"},
        {"Tab: a hidden button is passed over", {.kind = KeyPress::Tab}, "cmdSalt", "cmdYes", "", true, "cmdNo"},
        {"Tab without focus: the first", {.kind = KeyPress::Tab}, "", "", "", true, "cmdSalt"},
        {"Shift+Tab: the one before", {.kind = KeyPress::Tab, .shift = true}, "cmdYes", "", "", true, "cmdSalt"},
        {"Shift+Tab: round to the last", {.kind = KeyPress::Tab, .shift = true}, "cmdSalt", "", "", true, "cmdNo"},
        {"Shift+Tab without focus: the last", {.kind = KeyPress::Tab, .shift = true}, "", "", "", true, "cmdNo"},
        {"Ctrl+Tab", {.kind = KeyPress::Tab, .control = true}, "cmdNo", "", "", false, "cmdNo"},
    };
    for (const Row &row : rows) {
        CAPTURE(row.name);
        FakePort port;
        TestForm form(frmKeys);
        form.Show();
        if (*row.hidden)
            form.control(row.hidden)->setVisible(False);
        fake::windowOf(form).focus = *row.focus ? &fake::peerOf(*form.control(row.focus)) : nullptr;
        CHECK(fake::sendKey(form, row.key) == row.used);
        const std::vector<std::string> pressed = *row.pressed ? std::vector<std::string>{row.pressed}
                                                              : std::vector<std::string>{};
        CHECK(form.clicks == pressed);
        CHECK(fake::focused(form) == std::string(row.focusAfter));
        if (row.key.alt && *row.pressed)
            CHECK(fake::peerOf(*form.control(row.pressed)).focusByKeyboard);
    }
}

TEST_CASE("the focus starts on the usable button with the lowest tab index")
{
    struct Row {
        const char *name;
        int tabIndex[3];
        bool hiddenByDefinition[3];
        bool hiddenInLoad[3];
        const char *focus;
        std::vector<std::string> tabOrder;
    };
    const Row rows[] = {
        {"lowest tab index", {2, 0, 1}, {}, {}, "cmdB", {"cmdB", "cmdC", "cmdA"}},
        {"hidden in the definition: skipped", {2, 0, 1}, {false, true, false}, {}, "cmdC", {"cmdB", "cmdC", "cmdA"}},
        {"hidden in Form_Load: skipped", {2, 0, 1}, {}, {false, true, true}, "cmdA", {"cmdB", "cmdC", "cmdA"}},
        {"equal tab indexes: the first defined", {1, 1, 0}, {false, false, true}, {}, "cmdA", {"cmdC", "cmdA", "cmdB"}},
        {"none usable: no focus", {0, 1, 2}, {true, false, true}, {false, true, false}, "", {"cmdA", "cmdB", "cmdC"}},
    };
    for (const Row &row : rows) {
        CAPTURE(row.name);
        FakePort port;
        FormDef def{.name = "frmFocus", .clientWidth = 3000, .clientHeight = 1000};
        const char *const buttonNames[3] = {"cmdA", "cmdB", "cmdC"};
        for (int i = 0; i < 3; ++i) {
            def.controls.push_back({.kind = ControlKind::CommandButton, .name = buttonNames[i], .left = 100.f + 900 * i,
                                    .top = 100, .width = 800, .height = 375, .caption = buttonNames[i],
                                    .tabIndex = row.tabIndex[i], .visible = !row.hiddenByDefinition[i]});
        }
        TestForm form(def);
        form.onLoad = [&] {
            for (int i = 0; i < 3; ++i) {
                if (row.hiddenInLoad[i])
                    form.control(buttonNames[i])->setVisible(False);
            }
        };
        form.Show();
        CHECK(fake::focused(form) == std::string(row.focus));
        CHECK(names(fake::windowOf(form).tabOrder) == row.tabOrder);
    }
}
