// Plays the launcher's setup over the fake port as a player does: each modal
// dialog is checked against the one the test expects next, then answered with
// keys and clicks.
#pragma once

#include "core/fakeport.h"

#include "forms/core/form.h"

#include <deque>
#include <functional>
#include <string>
#include <vector>

namespace player {

// One thing a player does to a form: "Enter", "Esc", "Space", "Tab", "Alt+Y",
// "click:Yes" (the usable button with that caption), "drag:120,-80" (moves
// the window by pixels) or "close" (the window manager asks to close it).
void act(engine::Form &form, const std::string &action);

// The text a dialog shows: the offer's question, else its message.
std::string shownText(engine::Form &form);

// A dialog the run expects: its form, caption, text and usable buttons, and
// what the player does in it (actions apart by blanks).
struct Step {
    // "offer: Esc Enter": one of the setup's dialogs by a short name (offer,
    // confirm, manual, game, sound), then the actions.
    Step(const char *line);
    // The same dialog with another text.
    Step saying(std::string text) const;
    std::string form, caption, text;
    std::vector<std::string> buttons;
    std::string actions;
};

// A dialog as it came up.
struct Shown {
    std::string form, text;
    float left, top; // outer corner, twips
};

// Runs the setup from the welcome screen's load with the modal hook and a
// launcher that records each start and returns the next of `results` (33 when
// none is left; at 31 or less the reason is "the file is not on the disc").
// Each dialog must be the next step's and be gone after its actions; one
// nobody expected, one left open and one that never came fail the test.
class Run {
public:
    explicit Run(std::vector<Step> steps);
    ~Run();
    // Called on each dialog before its actions.
    std::function<void(engine::Form &)> check;
    std::deque<engine::Long> results;
    std::vector<std::string> started; // command lines, in order
    std::vector<Shown> shown;
    void play();

private:
    void onModal(engine::Form &form);
    std::deque<Step> m_steps;
};

} // namespace player
