#include "player.h"

#include "dialogs/frmMsgBox.h"
#include "dialogs/frmNewBox.h"
#include "dialogs/frmOption.h"
#include "dialogs/frmYesNo.h"
#include "forms/definitions/definitions.h"
#include "forms/engine/controls.h"

#include <QApplication>
#include <QPushButton>
#include <QTest>
#include <algorithm>

namespace player {

void press(engine::Form &form, const QString &key)
{
    QWidget *window = form.window();
    QWidget *target = window->focusWidget() ? window->focusWidget() : window;
    Qt::KeyboardModifiers modifiers = Qt::NoModifier;
    Qt::Key code = Qt::Key_unknown;
    if (key == QLatin1String("Enter"))
        code = Qt::Key_Return;
    else if (key == QLatin1String("Esc"))
        code = Qt::Key_Escape;
    else if (key == QLatin1String("Space"))
        code = Qt::Key_Space;
    else if (key == QLatin1String("Tab"))
        code = Qt::Key_Tab;
    else if (key.startsWith(QLatin1String("Alt+")) && key.size() == 5) {
        modifiers = Qt::AltModifier;
        code = Qt::Key(Qt::Key_A + (key.at(4).toUpper().unicode() - 'A'));
    }
    QVERIFY2(code != Qt::Key_unknown, qPrintable(QStringLiteral("no such key: ") + key));
    QTest::keyClick(target, code, modifiers);
}

void click(engine::Form &form, const QString &caption)
{
    for (engine::CommandButton *button : form.buttons()) {
        if (engine::withoutAccessMarks(button->Caption()) == caption && button->canTakeKeys()) {
            QTest::mouseClick(button->button(), Qt::LeftButton);
            return;
        }
    }
    QFAIL(qPrintable(QStringLiteral("no usable button '%1' on %2").arg(caption, form.name())));
}

void act(engine::Form &form, const QString &action)
{
    if (action.startsWith(QLatin1String("click:"))) {
        click(form, action.mid(6));
    } else if (action.startsWith(QLatin1String("drag:"))) {
        const QStringList by = action.mid(5).split(QLatin1Char(','));
        QWidget *window = form.window();
        window->move(window->pos() + QPoint(by.value(0).toInt(), by.value(1).toInt()));
    } else if (action == QLatin1String("close")) {
        form.window()->close();
    } else {
        press(form, action);
    }
}

QString shownText(engine::Form &form)
{
    const char *name = form.name() == QLatin1String("frmMsgBox") ? "lblMessage" : "Label1";
    return static_cast<engine::Label *>(form.control(QString::fromLatin1(name)))->Caption();
}

QStringList usableButtons(engine::Form &form)
{
    std::vector<engine::CommandButton *> buttons = form.buttons();
    std::sort(buttons.begin(), buttons.end(),
              [](auto *a, auto *b) { return a->tabIndex() < b->tabIndex(); });
    QStringList captions;
    for (engine::CommandButton *button : buttons) {
        if (button->canTakeKeys())
            captions << engine::withoutAccessMarks(button->Caption());
    }
    return captions;
}

Script::Script(QList<Step> steps) : m_steps(std::move(steps))
{
    engine::setModalHook([this](engine::Form &form) { onModal(form); });
}

Script::~Script()
{
    engine::setModalHook({});
}

void Script::onModal(engine::Form &form)
{
    m_shown << Shown{form.name(), shownText(form), usableButtons(form), QPointF(form.Left(), form.Top())};
    if (m_steps.isEmpty()) {
        m_failures << QStringLiteral("unexpected %1: \"%2\"").arg(form.name(), shownText(form));
        form.Unload();
        return;
    }
    const Step step = m_steps.takeFirst();
    if (step.form != form.name())
        m_failures << QStringLiteral("expected %1, got %2").arg(step.form, form.name());
    if (!step.text.isEmpty() && shownText(form) != step.text)
        m_failures << QStringLiteral("%1 shows \"%2\", expected \"%3\"").arg(form.name(), shownText(form), step.text);
    for (const QString &action : step.actions) {
        if (!form.isLoaded()) {
            m_failures << QStringLiteral("%1 closed before '%2'").arg(form.name(), action);
            return;
        }
        act(form, action);
    }
    if (form.isLoaded()) {
        m_failures << QStringLiteral("%1 still open after %2").arg(form.name(), step.actions.join(QLatin1Char(' ')));
        form.Unload();
    }
}

QList<QPointF> Script::places() const
{
    QList<QPointF> result;
    for (const Shown &shown : m_shown)
        result << shown.place;
    return result;
}

const engine::FormDef &definitionNamed(const QString &name)
{
    return name == QLatin1String("frmAcrobat") ? definitions::frmAcrobat()
        : name == QLatin1String("frmMsgBox")   ? definitions::frmMsgBox()
        : name == QLatin1String("frmYesNo")    ? definitions::frmYesNo()
        : name == QLatin1String("frmNewBox")   ? definitions::frmNewBox()
                                               : definitions::frmOption();
}

engine::Form &dialogNamed(const QString &name, bool okOnly)
{
    engine::Form &form = name == QLatin1String("frmYesNo") ? static_cast<engine::Form &>(frmYesNo.get())
        : name == QLatin1String("frmNewBox")               ? static_cast<engine::Form &>(frmNewBox.get())
        : name == QLatin1String("frmMsgBox")               ? static_cast<engine::Form &>(frmMsgBox.get())
                                                           : static_cast<engine::Form &>(frmOption.get());
    form.Load(); // the product range screen shows itself while it loads
    if (okOnly) {
        form.control(QStringLiteral("Command1"))->setVisible(engine::False);
        form.control(QStringLiteral("Command2"))->setVisible(engine::False);
        form.control(QStringLiteral("Command3"))->setVisible(engine::True);
    }
    return form;
}

void verifyNothingLeft()
{
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QStringList left;
    for (engine::Form *form : engine::loadedForms())
        left << form->name();
    for (QWidget *widget : QApplication::topLevelWidgets()) {
        if (widget->isVisible())
            left << widget->objectName();
    }
    engine::resetForTesting();
    QVERIFY2(left.isEmpty(), qPrintable(QStringLiteral("left behind: ") + left.join(QLatin1String(", "))));
}

} // namespace player
