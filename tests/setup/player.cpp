#include "player.h"

#include "setup/frmAcrobat.h"
#include "setup/mdlMain.h"

#include "forms/core/keys.h"

#include <algorithm>
#include <sstream>

using namespace engine;

namespace player {

namespace {

// The dialogs of the setup, their texts spelled out.
const std::string readerTitle = "Acrobat Reader Setup  (recommended)";
const std::string gameTitle = "Trenchmoor Setup ";
const std::vector<std::string> yesNo{"Yes", "No"};
const std::vector<std::string> okAlone{"OK"};

struct Dialog {
    std::string alias, form, caption, text;
    std::vector<std::string> buttons;
};
const Dialog dialogs[] = {
    {"offer", "frmMsgBox", readerTitle, "Would you like to install  Acrobat Reader ?", yesNo},
    {"confirm", "frmYesNo", readerTitle,
     "Without viewing the manual you may find  it difficult to play the game." + std::string(116, ' ')
         + "Are you sure you DO NOT wish to install? ",
     {"No", "Yes"}},
    {"manual", "frmYesNo", readerTitle,
     "To view the electronic manual double click on MANUAL.PDF  in the root directory of your CD-ROM.", okAlone},
    {"game", "frmNewBox", gameTitle, "Would you like to install the game?", yesNo},
    {"sound", "frmNewBox", gameTitle,
     "Before playing the game configure             your sound by launching         "
     "C:\\TRENCH\\ INSTALL.EXE [Default]         and choose the CONFIGURE option.",
     okAlone},
};

std::vector<std::string> words(const std::string &text)
{
    std::istringstream in(text);
    std::vector<std::string> result;
    for (std::string word; in >> word;)
        result.push_back(word);
    return result;
}

// Captions of the usable buttons without "&", in tab order.
std::vector<std::string> usableButtons(Form &form)
{
    std::vector<CommandButton *> buttons = form.buttons();
    std::stable_sort(buttons.begin(), buttons.end(), [](auto *a, auto *b) { return a->tabIndex() < b->tabIndex(); });
    std::vector<std::string> captions;
    for (CommandButton *button : buttons) {
        if (button->canTakeKeys())
            captions.push_back(withoutAccessMarks(button->Caption()));
    }
    return captions;
}

} // namespace

void act(Form &form, const std::string &action)
{
    if (action.rfind("click:", 0) == 0) {
        for (CommandButton *button : form.buttons()) {
            if (button->canTakeKeys() && withoutAccessMarks(button->Caption()) == action.substr(6)) {
                fake::peerOf(*button).click();
                return;
            }
        }
        FAIL_CHECK("no usable button " << action.substr(6) << " on " << form.name());
    } else if (action.rfind("drag:", 0) == 0) {
        int dx = 0, dy = 0;
        char comma = 0;
        std::istringstream(action.substr(5)) >> dx >> comma >> dy;
        const PixelRect at = fake::windowOf(form).rect;
        fake::moveWindow(form, at.x + dx, at.y + dy);
    } else if (action == "close") {
        fake::requestClose(form);
    } else {
        KeyPress key;
        if (action == "Enter")
            key.kind = KeyPress::Enter;
        else if (action == "Esc")
            key.kind = KeyPress::Escape;
        else if (action == "Space")
            key.kind = KeyPress::Space;
        else if (action == "Tab")
            key.kind = KeyPress::Tab;
        else if (action.size() == 5 && action.rfind("Alt+", 0) == 0)
            key = {.kind = KeyPress::Letter, .letter = action[4], .alt = true};
        else {
            FAIL_CHECK("no such action: " << action);
            return;
        }
        fake::pressKey(form, key);
    }
}

std::string shownText(Form &form)
{
    return static_cast<Label *>(form.control(form.name() == "frmMsgBox" ? "lblMessage" : "Label1"))->Caption();
}

Step::Step(const char *line)
{
    const std::string text = line;
    const std::string alias = text.substr(0, text.find(':'));
    const auto dialog = std::find_if(std::begin(dialogs), std::end(dialogs), [&](auto &d) { return d.alias == alias; });
    REQUIRE_MESSAGE(dialog != std::end(dialogs), "no dialog is called " << alias);
    form = dialog->form;
    caption = dialog->caption;
    this->text = dialog->text;
    buttons = dialog->buttons;
    actions = text.substr(text.find(':') + 1);
}

Step Step::saying(std::string newText) const
{
    Step step = *this;
    step.text = std::move(newText);
    return step;
}

Run::Run(std::vector<Step> steps) : m_steps(steps.begin(), steps.end())
{
    setModalHook([this](Form &form) { onModal(form); });
    mdlMain::setLauncherForTesting([this](const std::string &commandLine, Long showState, std::string &reason) {
        CHECK(showState == 3);
        started.push_back(commandLine);
        const Long result = results.empty() ? 33 : results.front();
        if (!results.empty())
            results.pop_front();
        if (result <= 31)
            reason = "the file is not on the disc";
        return result;
    });
}

Run::~Run()
{
    setModalHook({});
    mdlMain::setLauncherForTesting({});
}

void Run::play()
{
    frmAcrobat->Load();
    for (const Step &step : m_steps)
        FAIL_CHECK("expected " << step.form << " \"" << step.text << "\" never came");
    m_steps.clear();
}

void Run::onModal(Form &form)
{
    shown.push_back({form.name(), shownText(form), form.Left(), form.Top()});
    if (m_steps.empty()) {
        FAIL_CHECK("unexpected " << form.name() << ": \"" << shownText(form) << "\"");
        form.Unload();
        return;
    }
    const Step step = m_steps.front();
    m_steps.pop_front();
    CAPTURE(shown.size());
    CHECK(form.name() == step.form);
    CHECK(form.Caption() == step.caption);
    CHECK(shownText(form) == step.text);
    CHECK(usableButtons(form) == step.buttons);
    if (check)
        check(form);
    for (const std::string &action : words(step.actions)) {
        if (!form.isLoaded()) {
            FAIL_CHECK(form.name() << " closed before " << action);
            return;
        }
        act(form, action);
    }
    if (form.isLoaded()) {
        FAIL_CHECK(form.name() << " still open after \"" << step.actions << "\"");
        form.Unload();
    }
}

} // namespace player
