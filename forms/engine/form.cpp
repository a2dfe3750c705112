#include "form.h"

#include "errors.h"
#include "picture.h"
#include "screen.h"

#include <QApplication>
#include <QCloseEvent>
#include <QEventLoop>
#include <QIcon>
#include <QKeyEvent>
#include <QPainter>
#include <QPushButton>
#include <QScreen>
#include <QTimer>
#include <QWindow>
#include <algorithm>

namespace engine {

namespace {

struct EngineState {
    std::vector<Form *> loaded;
    ModalHook modalHook;
    std::vector<std::function<void()>> forgetDefaultInstances;
    // The frame the window system gave a framed dialog; until one has been
    // framed, 4-pixel borders and a 25-pixel title bar.
    QMargins framedDialog{4, 25, 4, 4};
    bool running = false; // the program's own event loop runs
    // The last key released, and when: a held key repeats as a release and a
    // press with one time stamp.
    int releasedKey = 0;
    ulong releasedAt = 0;
};

EngineState &state()
{
    static EngineState engineState;
    return engineState;
}

Qt::WindowFlags windowFlagsFor(const FormDef &def)
{
    if (def.borderStyle == BorderStyle::None)
        return Qt::Window | Qt::FramelessWindowHint;
    Qt::WindowFlags flags = Qt::CustomizeWindowHint | Qt::WindowTitleHint;
    if (!def.controlBox)
        return Qt::Dialog | flags;
    flags |= Qt::Window | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint;
    if (def.minButton)
        flags |= Qt::WindowMinimizeButtonHint;
    if (def.maxButton)
        flags |= Qt::WindowMaximizeButtonHint;
    return flags;
}

} // namespace

// The window of a loaded form.
class FormWindow : public QWidget {
public:
    FormWindow(Form &form) : QWidget(nullptr, windowFlagsFor(form.definition())), m_form(&form)
    {
        setAttribute(Qt::WA_DeleteOnClose, false);
        setObjectName(form.name());
    }
    void detach() { m_form = nullptr; }

protected:
    void paintEvent(QPaintEvent *event) override
    {
        if (!m_form)
            return;
        const FormDef &def = m_form->definition();
        QPainter painter(this);
        painter.fillRect(event->rect(), colourFor(def.backColor, palette()));
        if (def.picture.isSet()) {
            // The backdrop is decoded only if some of it can be seen.
            guarded([&] {
                const QImage &backdrop = decodePicture(def.picture.resource, def.picture.description);
                const QRect area(QPoint(0, 0), backdrop.size() / backdrop.devicePixelRatio());
                if (event->region().intersects(area))
                    painter.drawImage(area.topLeft(), backdrop);
            });
        }
    }
    void keyPressEvent(QKeyEvent *event) override
    {
        if (!m_form || !m_form->handleKey(event))
            QWidget::keyPressEvent(event);
    }
    void keyReleaseEvent(QKeyEvent *event) override
    {
        state().releasedKey = event->key();
        state().releasedAt = event->timestamp();
        QWidget::keyReleaseEvent(event);
    }
    void closeEvent(QCloseEvent *event) override
    {
        event->ignore();
        if (m_form && m_form->acceptsCloseRequest()) {
            Form *form = m_form;
            guarded([form] { form->Unload(); });
        }
    }
    void moveEvent(QMoveEvent *) override
    {
        if (m_form)
            m_form->windowGeometryChanged();
    }
    void resizeEvent(QResizeEvent *) override
    {
        if (m_form)
            m_form->windowGeometryChanged();
    }
    void changeEvent(QEvent *event) override
    {
        // A form without a minimise button stays on screen: a window manager
        // that minimises it anyway would hide a waiting dialog for good,
        // leaving the player before a screen that takes no input.
        if (event->type() == QEvent::WindowStateChange && m_form && !m_form->definition().minButton
            && isMinimized()) {
            QTimer::singleShot(0, this, [this] {
                if (!m_form)
                    return;
                showNormal();
                raise();
                activateWindow();
            });
        }
        QWidget::changeEvent(event);
    }

private:
    Form *m_form;
};

Form::ControlRefBase::ControlRefBase(Form *form, QString name, ControlKind kind)
    : m_form(form), m_name(std::move(name)), m_kind(kind)
{
    form->m_refs.push_back(this);
}

Control *Form::ControlRefBase::get() const
{
    m_form->ensureLoaded();
    return m_control;
}

Form::Form(const FormDef &definition) : m_def(definition) {}

Form::~Form()
{
    if (m_loaded) {
        auto &loaded = state().loaded;
        loaded.erase(std::remove(loaded.begin(), loaded.end(), this), loaded.end());
    }
    if (m_window) {
        m_window->detach();
        delete m_window.data();
    }
}

void Form::ensureLoaded()
{
    if (!m_loaded)
        Load();
}

void Form::Load()
{
    if (m_loaded)
        return;
    if (!qobject_cast<QApplication *>(QCoreApplication::instance()))
        raise(err::NoDisplay, QStringLiteral("Cannot load %1: no display").arg(name()));
    ensureFaces();

    auto *window = new FormWindow(*this);
    m_window = window;
    window->setWindowTitle(m_def.caption);
    window->setAutoFillBackground(false);
    QPalette palette = window->palette();
    palette.setColor(QPalette::WindowText, colourFor(m_def.foreColor, palette));
    window->setPalette(palette);
    if (m_def.iconKind == IconKind::Picture)
        window->setWindowIcon(QIcon(QPixmap::fromImage(decodePicture(m_def.icon.resource, m_def.icon.description))));
    else if (m_def.iconKind == IconKind::None) {
        QPixmap blank(16, 16);
        blank.fill(Qt::transparent);
        window->setWindowIcon(QIcon(blank));
    }

    // Controls are listed front to back; the last one made lies on top.
    m_controls.clear();
    try {
        for (auto def = m_def.controls.rbegin(); def != m_def.controls.rend(); ++def) {
            Control *control = nullptr;
            switch (def->kind) {
            case ControlKind::Image:
                control = new Image(*this, *def, window);
                break;
            case ControlKind::Label:
                control = new Label(*this, *def, window);
                break;
            case ControlKind::CommandButton:
                control = new CommandButton(*this, *def, window);
                break;
            }
            m_controls.insert(m_controls.begin(), control);
        }
        for (ControlRefBase *ref : m_refs) {
            auto found = std::find_if(m_controls.begin(), m_controls.end(),
                                      [ref](Control *c) { return c->name() == ref->m_name; });
            if (found == m_controls.end() || (*found)->definition().kind != ref->m_kind)
                raise(err::ControlMissing,
                      QStringLiteral("Control '%1' is missing from form %2").arg(ref->m_name, name()));
            ref->m_control = *found;
        }
    } catch (...) {
        for (ControlRefBase *ref : m_refs)
            ref->m_control = nullptr;
        m_controls.clear();
        m_window = nullptr;
        window->detach();
        delete window;
        throw;
    }

    // The tab order follows TabIndex.
    std::vector<CommandButton *> order = buttons();
    std::stable_sort(order.begin(), order.end(),
                     [](CommandButton *a, CommandButton *b) { return a->tabIndex() < b->tabIndex(); });
    for (size_t i = 1; i < order.size(); ++i)
        QWidget::setTabOrder(order[i - 1]->widget(), order[i]->widget());

    for (auto &[ref, procedure] : m_clicks) {
        auto handler = procedure;
        QObject::connect(static_cast<CommandButton *>(ref->m_control), &CommandButton::Click, window,
                         [handler] { guarded(handler); });
    }

    // Outer geometry from the client area the definition gives.
    const QMargins frame = frameMargins();
    const double tx = Screen.TwipsPerPixelX(), ty = Screen.TwipsPerPixelY();
    m_left = CSng(m_def.clientLeft - frame.left() * tx);
    m_top = CSng(m_def.clientTop - frame.top() * ty);
    m_width = CSng(m_def.clientWidth + (frame.left() + frame.right()) * tx);
    m_height = CSng(m_def.clientHeight + (frame.top() + frame.bottom()) * ty);
    applyGeometry();

    m_loaded = true;
    state().loaded.push_back(this);
    m_inFormLoad = true;
    try {
        Form_Load();
    } catch (...) {
        m_inFormLoad = false;
        throw;
    }
    m_inFormLoad = false;
}

void Form::Unload()
{
    if (!m_loaded)
        return;
    m_loaded = false;
    auto &loaded = state().loaded;
    loaded.erase(std::remove(loaded.begin(), loaded.end(), this), loaded.end());
    for (ControlRefBase *ref : m_refs)
        ref->m_control = nullptr;
    m_controls.clear();
    if (m_window) {
        m_window->detach();
        m_window->hide();
        m_window->deleteLater();
        m_window = nullptr;
    }
    if (m_modalLoop)
        m_modalLoop->quit();
    if (loaded.empty() && state().running)
        QCoreApplication::exit(0);
}

void Form::Show(int style, Form *owner)
{
    ensureLoaded();
    if (style != 1) {
        showWindow();
        return;
    }
    if (m_modalLoop || m_window->isVisible())
        raise(err::FormAlreadyShown, QStringLiteral("Form already displayed; can't show modally (%1)").arg(name()));
    m_window->setWindowModality(Qt::ApplicationModal);
    if (owner) {
        QWidget *ownerWindow = owner->window();
        ownerWindow->winId();
        m_window->winId();
        m_window->windowHandle()->setTransientParent(ownerWindow->windowHandle());
    }
    showWindow();

    QEventLoop loop;
    m_modalLoop = &loop;
    if (state().modalHook) {
        ModalHook hook = state().modalHook;
        QTimer::singleShot(0, &loop, [this, hook] { guarded([&] { hook(*this); }); });
    }
    if (m_loaded)
        loop.exec(QEventLoop::DialogExec);
    m_modalLoop = nullptr;
}

void Form::showWindow()
{
    applyGeometry();
    if (m_def.windowState == WindowState::Maximized) {
        // Fill the screen's work area at once, whatever the window manager
        // (if any) does with the request to maximise.
        if (QScreen *screen = QGuiApplication::primaryScreen())
            m_window->setGeometry(screen->availableGeometry() - frameMargins());
        m_window->showMaximized();
    } else {
        m_window->show();
    }
    setInitialFocus();
    if (QGuiApplication::platformName() != QLatin1String("offscreen"))
        m_window->raise();
    m_window->activateWindow();
}

void Form::setInitialFocus()
{
    CommandButton *first = nullptr;
    for (CommandButton *button : buttons()) {
        if (button->canTakeKeys() && (!first || button->tabIndex() < first->tabIndex()))
            first = button;
    }
    if (first)
        first->widget()->setFocus(Qt::ActiveWindowFocusReason);
}

std::vector<CommandButton *> Form::buttons() const
{
    std::vector<CommandButton *> result;
    for (Control *control : m_controls) {
        if (auto *button = qobject_cast<CommandButton *>(control))
            result.push_back(button);
    }
    return result;
}

Control *Form::control(const QString &controlName)
{
    ensureLoaded();
    for (Control *c : m_controls) {
        if (c->name() == controlName)
            return c;
    }
    raise(err::ControlMissing, QStringLiteral("Control '%1' is missing from form %2").arg(controlName, name()));
}

QWidget *Form::window()
{
    ensureLoaded();
    return m_window;
}

QMargins Form::frameMargins() const
{
    if (m_def.borderStyle == BorderStyle::None)
        return {};
    if (m_window && m_window->isVisible()) {
        const QRect outer = m_window->frameGeometry(), inner = m_window->geometry();
        if (outer != inner)
            return {inner.left() - outer.left(), inner.top() - outer.top(), outer.right() - inner.right(),
                    outer.bottom() - inner.bottom()};
    }
    return state().framedDialog;
}

void Form::applyGeometry()
{
    if (!m_window || m_window->isMaximized() || m_window->isFullScreen())
        return;
    const QMargins frame = frameMargins();
    const int x = toPixelsX(m_left), y = toPixelsY(m_top);
    const QSize client(std::max(1, toPixelsX(double(m_left) + m_width) - x - frame.left() - frame.right()),
                       std::max(1, toPixelsY(double(m_top) + m_height) - y - frame.top() - frame.bottom()));
    if (m_def.windowState == WindowState::Normal && m_def.borderStyle == BorderStyle::FixedSingle)
        m_window->setFixedSize(client);
    else
        m_window->resize(client);
    m_window->move(x, y);
}

void Form::windowGeometryChanged()
{
    if (!m_window || !m_window->isVisible())
        return;
    const QMargins frame = frameMargins();
    if (m_def.borderStyle == BorderStyle::FixedSingle && m_def.windowState == WindowState::Normal
        && m_window->frameGeometry() != m_window->geometry())
        state().framedDialog = frame;
    // pos() is the outer corner where the window system knows the frame, and
    // where the engine put it otherwise.
    const QRect outer(m_window->pos(), m_window->size().grownBy(frame));
    // Whole pixels where the window really is; the twips set by code stand
    // for as long as they map to that same place.
    const double tx = Screen.TwipsPerPixelX(), ty = Screen.TwipsPerPixelY();
    const int x = toPixelsX(m_left), y = toPixelsY(m_top);
    if (outer.left() != x)
        m_left = CSng(outer.left() * tx);
    if (outer.top() != y)
        m_top = CSng(outer.top() * ty);
    if (outer.width() != toPixelsX(double(m_left) + m_width) - toPixelsX(m_left))
        m_width = CSng(outer.width() * tx);
    if (outer.height() != toPixelsY(double(m_top) + m_height) - toPixelsY(m_top))
        m_height = CSng(outer.height() * ty);
}

Single Form::Left() { ensureLoaded(); return m_left; }
Single Form::Top() { ensureLoaded(); return m_top; }
Single Form::Width() { ensureLoaded(); return m_width; }
Single Form::Height() { ensureLoaded(); return m_height; }

void Form::setLeft(Single value)
{
    ensureLoaded();
    m_left = value;
    applyGeometry();
}

void Form::setTop(Single value)
{
    ensureLoaded();
    m_top = value;
    applyGeometry();
}

void Form::setWidth(Single value)
{
    ensureLoaded();
    m_width = value;
    applyGeometry();
}

void Form::setHeight(Single value)
{
    ensureLoaded();
    m_height = value;
    applyGeometry();
}

Boolean Form::Visible()
{
    ensureLoaded();
    return m_window->isVisible() ? True : False;
}

void Form::setVisible(Boolean value)
{
    ensureLoaded();
    if (value != False)
        showWindow();
    else
        m_window->hide();
}

QString Form::Caption()
{
    ensureLoaded();
    return m_window->windowTitle();
}

void Form::setCaption(const QString &text)
{
    ensureLoaded();
    m_window->setWindowTitle(text);
}

void Form::onClick(ControlRef<CommandButton> &button, std::function<void()> procedure)
{
    m_clicks.emplace_back(&button, std::move(procedure));
}

bool Form::handleKey(QKeyEvent *event)
{
    const int key = event->key();
    const Qt::KeyboardModifiers mods = event->modifiers() & ~Qt::KeypadModifier;
    // Enter and Esc press their button where the focus stands; an access key
    // moves the focus to its button first.
    auto press = [](CommandButton *button) { button->button()->click(); };
    auto pressWithFocus = [](CommandButton *button) {
        button->widget()->setFocus(Qt::ShortcutFocusReason);
        button->button()->click();
    };
    // Qt marks a repeated key only when it has the release and the press of
    // the pair at hand at once; the engine recognises the pair itself as well.
    const bool repeated = event->isAutoRepeat()
        || (event->timestamp() != 0 && state().releasedKey == key && state().releasedAt == event->timestamp());
    std::vector<CommandButton *> usable;
    for (CommandButton *button : buttons()) {
        if (button->canTakeKeys())
            usable.push_back(button);
    }

    if ((key == Qt::Key_Return || key == Qt::Key_Enter) && mods == Qt::NoModifier) {
        // A held key does not run on through the following dialogs.
        if (repeated)
            return true;
        auto *focused = qobject_cast<QPushButton *>(m_window->focusWidget());
        for (CommandButton *button : usable) {
            if (button->button() == focused) {
                press(button);
                return true;
            }
        }
        for (CommandButton *button : usable) {
            if (button->isDefault()) {
                press(button);
                return true;
            }
        }
        return true;
    }
    if (key == Qt::Key_Escape && mods == Qt::NoModifier) {
        if (repeated)
            return true;
        for (CommandButton *button : usable) {
            if (button->isCancel()) {
                press(button);
                return true;
            }
        }
        return true;
    }
    if (mods == Qt::AltModifier && key >= Qt::Key_A && key <= Qt::Key_Z) {
        if (repeated)
            return true;
        for (CommandButton *button : usable) {
            const QKeySequence mnemonic = QKeySequence::mnemonic(button->Caption());
            if (!mnemonic.isEmpty() && mnemonic[0].key() == Qt::Key(key)) {
                pressWithFocus(button);
                return true;
            }
        }
    }
    return false;
}

bool Form::acceptsCloseRequest() const
{
    // Without a control box there is no way to close the window but its
    // buttons; a form still running its load handler stays, too.
    return m_loaded && m_def.controlBox && !m_inFormLoad;
}

void setModalHook(ModalHook hook)
{
    state().modalHook = std::move(hook);
}

const std::vector<Form *> &loadedForms()
{
    return state().loaded;
}

int run(Form &startup)
{
    guarded([&] { startup.Load(); });
    if (state().loaded.empty())
        return 0;
    state().running = true;
    const int status = QCoreApplication::exec();
    state().running = false;
    return status;
}

void registerDefaultInstance(std::function<void()> forget)
{
    state().forgetDefaultInstances.push_back(std::move(forget));
}

void resetForTesting()
{
    while (!state().loaded.empty())
        state().loaded.back()->Unload();
    for (auto &forget : state().forgetDefaultInstances)
        forget();
    state().forgetDefaultInstances.clear();
    state().modalHook = nullptr;
    state().framedDialog = QMargins(4, 25, 4, 4);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

} // namespace engine
