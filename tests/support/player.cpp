#include "player.h"

#include "forms/core/screen.h"
#include "forms/qt/qtport.h"

#include <QApplication>
#include <QPushButton>
#include <algorithm>

namespace player {

using qtport::qs;
using qtport::us;

namespace {
// Every Qt test program runs the engine on the Qt port, as the launcher does.
void installPort()
{
    engine::App.setTitle("Trenchmoor Setup");
    qtport::install();
}
} // namespace
Q_COREAPP_STARTUP_FUNCTION(installPort)

QWidget *windowOf(engine::Form &form)
{
    return qtport::widgetOf(form);
}

QWidget *widgetOf(engine::Form &form, const QString &control)
{
    return qtport::widgetOf(*form.control(us(control)));
}

void press(engine::Form &form, const QString &key)
{
    QWidget *window = windowOf(form);
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
        if (qs(engine::withoutAccessMarks(button->Caption())) == caption && button->canTakeKeys()) {
            QTest::mouseClick(qtport::buttonOf(*button), Qt::LeftButton);
            return;
        }
    }
    QFAIL(qPrintable(QStringLiteral("no usable button '%1' on %2").arg(caption, qs(form.name()))));
}

void act(engine::Form &form, const QString &action)
{
    if (action.startsWith(QLatin1String("click:"))) {
        click(form, action.mid(6));
    } else if (action.startsWith(QLatin1String("drag:"))) {
        const QStringList by = action.mid(5).split(QLatin1Char(','));
        QWidget *window = windowOf(form);
        window->move(window->pos() + QPoint(by.value(0).toInt(), by.value(1).toInt()));
    } else if (action == QLatin1String("close")) {
        windowOf(form)->close();
    } else {
        press(form, action);
    }
}

QString shownText(engine::Form &form)
{
    const char *name = form.name() == "frmMsgBox" ? "lblMessage" : "Label1";
    return qs(static_cast<engine::Label *>(form.control(name))->Caption());
}

QStringList usableButtons(engine::Form &form)
{
    std::vector<engine::CommandButton *> buttons = form.buttons();
    std::sort(buttons.begin(), buttons.end(),
              [](auto *a, auto *b) { return a->tabIndex() < b->tabIndex(); });
    QStringList captions;
    for (engine::CommandButton *button : buttons) {
        if (button->canTakeKeys())
            captions << qs(engine::withoutAccessMarks(button->Caption()));
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
    const QString name = qs(form.name());
    m_shown << Shown{name, shownText(form), usableButtons(form), QPointF(form.Left(), form.Top())};
    if (m_steps.isEmpty()) {
        m_failures << QStringLiteral("unexpected %1: \"%2\"").arg(name, shownText(form));
        form.Unload();
        return;
    }
    const Step step = m_steps.takeFirst();
    if (step.form != name)
        m_failures << QStringLiteral("expected %1, got %2").arg(step.form, name);
    if (!step.text.isEmpty() && shownText(form) != step.text)
        m_failures << QStringLiteral("%1 shows \"%2\", expected \"%3\"").arg(name, shownText(form), step.text);
    for (const QString &action : step.actions) {
        if (!form.isLoaded()) {
            m_failures << QStringLiteral("%1 closed before '%2'").arg(name, action);
            return;
        }
        act(form, action);
    }
    if (form.isLoaded()) {
        m_failures << QStringLiteral("%1 still open after %2").arg(name, step.actions.join(QLatin1Char(' ')));
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

QStringList Script::failures() const
{
    QStringList all = m_failures;
    for (const Step &step : m_steps)
        all << QStringLiteral("expected %1 never came").arg(step.form);
    return all;
}

engine::Form &formNamed(const QString &name)
{
    engine::Form *form = engine::defaultInstanceNamed(us(name));
    if (!form)
        qFatal("no form is called %s", qPrintable(name));
    return *form;
}

const engine::FormDef &definitionNamed(const QString &name)
{
    return formNamed(name).definition();
}

engine::Form &dialogNamed(const QString &name, bool okOnly)
{
    engine::Form &form = formNamed(name);
    form.Load(); // the product range screen shows itself while it loads
    if (okOnly) {
        form.control("Command1")->setVisible(engine::False);
        form.control("Command2")->setVisible(engine::False);
        form.control("Command3")->setVisible(engine::True);
    }
    return form;
}

void verifyNothingLeft()
{
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QStringList left;
    for (engine::Form *form : engine::loadedForms())
        left << qs(form->name());
    for (QWidget *widget : QApplication::topLevelWidgets()) {
        if (widget->isVisible())
            left << widget->objectName();
    }
    engine::resetForTesting();
    QVERIFY2(left.isEmpty(), qPrintable(QStringLiteral("left behind: ") + left.join(QLatin1String(", "))));
}

} // namespace player
