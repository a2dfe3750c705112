// Plays the launcher the way a player does: keys and clicks on the dialogs as
// they come up, checked against the dialogs a test expects, in order.
#pragma once

#include "forms/core/form.h"

#include <QPointF>
#include <QString>
#include <QStringList>
#include <QTest>
#include <string>

// Qt Test prints std::string values (the engine's texts) in failure messages.
template <> inline char *QTest::toString(const std::string &text)
{
    return qstrdup(text.c_str());
}

namespace player {

// Presses a key on a form's window, as the keyboard would: to its focused control.
// Keys: "Enter", "Esc", "Space", "Tab", "Alt+Y" (any letter).
void press(engine::Form &form, const QString &key);
// Clicks the visible button with this caption ("Yes", "No", "OK", "Finish").
void click(engine::Form &form, const QString &caption);
// Runs one action: a key name, "click:Caption", "drag:dx,dy" (moves the window by
// pixels, as a player dragging it) or "close" (a close request from the window manager).
void act(engine::Form &form, const QString &action);

// The text a dialog shows: its label (message dialogs) or question.
QString shownText(engine::Form &form);
// Captions of the buttons that can be pressed, without "&", in tab order.
QStringList usableButtons(engine::Form &form);

struct Step {
    QString form;      // "frmMsgBox", "frmYesNo", "frmNewBox"
    QString text;      // expected text, or empty to skip the check
    QStringList actions;
};

// A dialog as it came up.
struct Shown {
    QString form;
    QString text;
    QStringList buttons;
    QPointF place; // outer top-left, twips
};

// Installs the modal hook for the life of the object. Each modal Show must match
// the next step; its actions are played and must close the dialog. A dialog
// nobody expected, or one that stays open, is recorded and closed so that the
// run cannot hang.
class Script {
public:
    explicit Script(QList<Step> steps);
    ~Script();
    // What went wrong, a step that never came included.
    QStringList failures() const;
    int remaining() const { return int(m_steps.size()); }
    // Places where each dialog opened, outer top-left in twips.
    QList<QPointF> places() const;
    QList<Shown> shownDialogs() const { return m_shown; }

private:
    void onModal(engine::Form &form);
    QList<Step> m_steps;
    QStringList m_failures;
    QList<Shown> m_shown;
};

// The default instance of a form, by name, found through the engine; fails the
// test for a name no form has.
engine::Form &formNamed(const QString &name);
// The definition of a form, by name.
const engine::FormDef &definitionNamed(const QString &name);
// A form loaded by name; with okOnly, switched to the single-button layout the
// way the message procedures do it.
engine::Form &dialogNamed(const QString &name, bool okOnly = false);

// The window and a control's widget, as the Qt port made them.
QWidget *windowOf(engine::Form &form);
QWidget *widgetOf(engine::Form &form, const QString &control);

// Fails the current test if a window is still on screen or a form still loaded.
void verifyNothingLeft();

} // namespace player
