#include "qtport.h"

#include "fonts.h"
#include "pictures.h"
#include "x11.h"

#include "forms/core/errors.h"
#include "forms/core/labellayout.h"
#include "forms/core/screen.h"

#include <QAccessibleWidget>
#include <QApplication>
#include <QBackingStore>
#include <QCloseEvent>
#include <QEventLoop>
#include <QFile>
#include <QFontMetricsF>
#include <QIcon>
#include <QKeyEvent>
#include <QLabel>
#include <QMessageBox>
#include <QPainter>
#include <QPointer>
#include <QPushButton>
#include <QScreen>
#include <QSocketNotifier>
#include <QThreadPool>
#include <QTimer>
#include <QWindow>
#include <QtMath>

#include <algorithm>
#include <climits>
#include <cstdint>
#include <future>
#include <map>
#include <memory>
#include <sys/mman.h>
#include <unistd.h>

namespace qtport {

using namespace engine;

namespace {

// The last key released, and when: a held key repeats as a release and a press
// with one time stamp.
int releasedKey = 0;
ulong releasedAt = 0;

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

KeyPress keyPressFrom(const QKeyEvent *event)
{
    KeyPress key;
    const int code = event->key();
    const Qt::KeyboardModifiers mods = event->modifiers() & ~Qt::KeypadModifier;
    if (code == Qt::Key_Return || code == Qt::Key_Enter)
        key.kind = KeyPress::Enter;
    else if (code == Qt::Key_Escape)
        key.kind = KeyPress::Escape;
    else if (code == Qt::Key_Space)
        key.kind = KeyPress::Space;
    else if (code == Qt::Key_Tab || code == Qt::Key_Backtab)
        key.kind = KeyPress::Tab;
    else if (code >= Qt::Key_A && code <= Qt::Key_Z) {
        key.kind = KeyPress::Letter;
        key.letter = char('A' + (code - Qt::Key_A));
    }
    key.alt = mods.testFlag(Qt::AltModifier);
    key.control = mods.testFlag(Qt::ControlModifier) || mods.testFlag(Qt::MetaModifier);
    key.shift = mods.testFlag(Qt::ShiftModifier);
    // A repeated key comes as a release and a press of it at once. Qt marks
    // the press when it has the pair at hand together, and the port recognises
    // the pair itself as well. Qt's mark counts only for a press within Qt's
    // own 10 ms of the release: when the press it saw coming went to a window
    // already gone, Qt leaves the mark on the next press of that key, however
    // much later (a second Enter at the last note would cost the player the
    // first Enter on the closing screen).
    const ulong at = event->timestamp();
    if (at == 0)
        key.repeated = event->isAutoRepeat();
    else
        key.repeated = releasedKey == code && at >= releasedAt && at - releasedAt <= (event->isAutoRepeat() ? 10u : 0u);
    return key;
}

// Set while a window is drawn into the picture the window system shows at its
// map (FormWindow::drawWhileMapped), not into its own pixels.
bool drawingForMap = false;

// The window of a loaded form.
class FormWindow : public QWidget {
public:
    explicit FormWindow(Form &form)
        : QWidget(nullptr, windowFlagsFor(form.definition())), m_form(&form), m_hasText(hasText(form.definition()))
    {
        setAttribute(Qt::WA_DeleteOnClose, false);
        setObjectName(qs(form.name()));
    }
    void detach() { m_form = nullptr; }
    Form *form() const { return m_form; }

    // Draws the window, on its first show, while the window manager maps it
    // and hands the pixels to the window system as the window's background:
    // the player sees the dialog whole the moment it is mapped, not empty
    // until the program has answered its first expose. A window manager takes
    // some milliseconds from the request to the map (it reads the window's
    // hints and builds its frame); the drawing goes in that time rather than
    // before the request. Where the window is mapped first (no window manager,
    // or a quicker one) the server fills it with the pixels once it has them,
    // ahead of the program's paint. The background is let go once the window
    // has painted (or is hidden first), so that no later expose shows stale
    // pixels. Only on X11: elsewhere nothing is seen before the first frame.
    void drawWhileMapped()
    {
        if (QGuiApplication::platformName() != QLatin1String("xcb"))
            return;
        const qreal ratio = devicePixelRatioF();
        QImage picture(size() * ratio, QImage::Format_RGB32);
        picture.setDevicePixelRatio(ratio);
        drawingForMap = true;
        render(&picture);
        drawingForMap = false;
        m_background = x11::setBackground(*windowHandle(), picture);
    }

protected:
    void paintEvent(QPaintEvent *event) override
    {
        if (!m_form)
            return;
        const FormDef &def = m_form->definition();
        // The window paints before its controls: faces are ready for their text.
        if (m_hasText)
            ensureFaces();
        QPainter painter(this);
        painter.fillRect(event->rect(), colourFor(def.backColor, palette()));
        if (def.picture.isSet()) {
            // The backdrop is decoded only if some of it can be seen.
            guarded([&] {
                const QImage backdrop = decodePicture(def.picture.resource, def.picture.description);
                const QRect area(QPoint(0, 0), backdrop.size() / backdrop.devicePixelRatio());
                if (event->region().intersects(area))
                    painter.drawImage(area.topLeft(), backdrop);
            });
        }
        if (m_background) {
            // Once these pixels have gone to the window system.
            m_background = false;
            QMetaObject::invokeMethod(this, [this] { x11::forgetBackground(windowHandle()); }, Qt::QueuedConnection);
        }
    }
    void hideEvent(QHideEvent *event) override
    {
        if (m_background) {
            m_background = false;
            x11::forgetBackground(windowHandle());
        }
        QWidget::hideEvent(event);
    }
    void keyPressEvent(QKeyEvent *event) override
    {
        bool used = false;
        if (m_form) {
            Form *form = m_form;
            const KeyPress key = keyPressFrom(event);
            guarded([&] { used = form->keyPressed(key); });
        }
        if (!used)
            QWidget::keyPressEvent(event);
    }
    void keyReleaseEvent(QKeyEvent *event) override
    {
        releasedKey = event->key();
        releasedAt = event->timestamp();
        QWidget::keyReleaseEvent(event);
    }
    void closeEvent(QCloseEvent *event) override
    {
        event->ignore();
        if (m_form)
            m_form->closeRequested();
    }
    void moveEvent(QMoveEvent *) override
    {
        if (m_form)
            guarded([this] { m_form->windowMoved(); });
    }
    void resizeEvent(QResizeEvent *) override
    {
        if (m_form)
            guarded([this] { m_form->windowMoved(); });
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
    static bool hasText(const FormDef &def)
    {
        for (const ControlDef &control : def.controls) {
            if (control.kind != ControlKind::Image)
                return true;
        }
        return false;
    }

    Form *m_form;
    bool m_hasText;
    bool m_background = false;
};

class WindowPeerQt : public WindowPeer {
public:
    explicit WindowPeerQt(Form &form) : m_form(form), m_window(new FormWindow(form))
    {
        const FormDef &def = form.definition();
        m_window->setWindowTitle(qs(def.caption));
        m_window->setAutoFillBackground(false);
        QPalette palette = m_window->palette();
        palette.setColor(QPalette::WindowText, colourFor(def.foreColor, palette));
        m_window->setPalette(palette);
        if (def.iconKind == IconKind::Picture) {
            m_window->setWindowIcon(QIcon(QPixmap::fromImage(decodePicture(def.icon.resource, def.icon.description))));
        } else if (def.iconKind == IconKind::None) {
            QPixmap blank(16, 16);
            blank.fill(Qt::transparent);
            m_window->setWindowIcon(QIcon(blank));
        }
    }
    ~WindowPeerQt() override
    {
        if (!m_window)
            return;
        m_window->detach();
        m_window->hide();
        m_window->deleteLater();
    }
    FormWindow *widget() const { return m_window; }

    void setCaption(const std::string &text) override { m_window->setWindowTitle(qs(text)); }
    std::string caption() const override { return us(m_window->windowTitle()); }

    void setGeometry(int x, int y, int clientWidth, int clientHeight) override
    {
        const FormDef &def = m_form.definition();
        if (def.windowState == WindowState::Normal && def.borderStyle == BorderStyle::FixedSingle)
            m_window->setFixedSize(clientWidth, clientHeight);
        else
            m_window->resize(clientWidth, clientHeight);
        m_window->move(x, y);
        // A window of its own size gets its native window as soon as it is
        // placed, while the form is loaded: showing it later has less to do.
        // Made now, it is made at its size and asks for its place by its
        // frame's corner, as one made at its show would.
        if (def.windowState == WindowState::Normal)
            m_window->winId();
    }
    PixelRect geometry() const override
    {
        // pos() is the outer corner where the window system knows the frame,
        // and where the engine put it otherwise.
        return {m_window->x(), m_window->y(), m_window->width(), m_window->height()};
    }
    std::optional<Frame> drawnFrame() const override
    {
        if (!m_window->isVisible())
            return std::nullopt;
        const QRect outer = m_window->frameGeometry(), inner = m_window->geometry();
        if (outer == inner)
            return std::nullopt;
        return Frame{inner.left() - outer.left(), inner.top() - outer.top(), outer.right() - inner.right(),
                     outer.bottom() - inner.bottom()};
    }

    void show(bool modal, WindowPeer *owner) override
    {
        if (modal) {
            m_window->setWindowModality(Qt::ApplicationModal);
            if (auto *ownerPeer = static_cast<WindowPeerQt *>(owner)) {
                ownerPeer->m_window->winId();
                m_window->winId();
                m_window->windowHandle()->setTransientParent(ownerPeer->m_window->windowHandle());
            }
        }
        const FormDef &def = m_form.definition();
        if (!def.showInTaskbar) {
            m_window->winId();
            x11::leaveOutOfTaskbars(*m_window->windowHandle());
        }
        if (def.windowState == WindowState::Maximized && def.borderStyle == BorderStyle::None) {
            // A borderless maximised form covers the whole screen, panels
            // included, as on Windows: full screen, above the panels.
            if (QScreen *screen = QGuiApplication::primaryScreen())
                m_window->setGeometry(screen->geometry());
            m_window->showFullScreen();
        } else if (def.windowState == WindowState::Maximized) {
            // A titled one fills the screen's work area at once, whatever the
            // window manager (if any) does with the request to maximise.
            if (QScreen *screen = QGuiApplication::primaryScreen()) {
                const Frame f = m_form.frameMargins();
                m_window->setGeometry(screen->availableGeometry() - QMargins(f.left, f.top, f.right, f.bottom));
            }
            m_window->showMaximized();
        } else {
            // A window of its own size (a dialog; one that fills the screen
            // takes the window manager's size) is drawn while it is mapped
            // the first time.
            if (!m_shownBefore) {
                // Placed again since its native window was made: the place is
                // still its frame's corner.
                if (QWindow *handle = m_window->windowHandle()) {
                    handle->resize(m_window->size());
                    handle->setFramePosition(m_window->pos());
                }
            }
            m_window->show();
            if (!m_shownBefore)
                m_window->drawWhileMapped();
        }
        m_shownBefore = true;
    }
    void bringToFront() override
    {
        if (QGuiApplication::platformName() != QLatin1String("offscreen"))
            m_window->raise();
        m_window->activateWindow();
    }
    void hide() override { m_window->hide(); }
    bool isVisible() const override { return m_window->isVisible(); }
    bool isMaximized() const override { return m_window->isMaximized() || m_window->isFullScreen(); }

    void setTabOrder(const std::vector<ControlPeer *> &order) override;

private:
    Form &m_form;
    QPointer<FormWindow> m_window;
    bool m_shownBefore = false;
};

// Has the kernel set up the pages of the window's pixels under `widget` in one
// go, ahead of a paint that fills them all: the first paint of a window writes
// into memory the window system has just shared with the program, and taking
// it one page fault at a time costs more than the drawing itself (most of all
// in a virtual machine, where each fault is a trip to the hypervisor). The
// pixels are left as they are.
void preparePixels(QWidget *widget)
{
#ifdef MADV_POPULATE_WRITE
    // A window not shown, or drawn into the picture for its map, may have no
    // pixels of its own yet.
    if (!widget->window()->isVisible() || drawingForMap)
        return;
    QBackingStore *store = widget->window()->backingStore();
    auto *image = store ? dynamic_cast<QImage *>(store->paintDevice()) : nullptr;
    if (!image || image->isNull())
        return;
    const qreal ratio = image->devicePixelRatio();
    const QRect rows = QRect(widget->mapTo(widget->window(), QPoint(0, 0)), widget->size())
                           .intersected(QRect(QPoint(0, 0), image->deviceIndependentSize().toSize()));
    if (rows.isEmpty())
        return;
    const auto start = reinterpret_cast<std::uintptr_t>(image->constBits());
    const auto page = std::uintptr_t(::sysconf(_SC_PAGESIZE));
    const std::uintptr_t line = std::uintptr_t(image->bytesPerLine());
    const std::uintptr_t from = (start + std::uintptr_t(qFloor(rows.top() * ratio)) * line) & ~(page - 1);
    const std::uintptr_t to = std::min(start + std::uintptr_t(image->sizeInBytes()),
                                       start + std::uintptr_t(qCeil((rows.bottom() + 1) * ratio)) * line);
    // Older kernels refuse the advice; the paint then takes the faults as before.
    (void)::madvise(reinterpret_cast<void *>(from), to - from, MADV_POPULATE_WRITE);
#else
    Q_UNUSED(widget);
#endif
}

// Screen readers call an Image control a graphic and say its description.
QAccessibleInterface *imageAccessible(const QString &className, QObject *object)
{
    auto *widget = qobject_cast<QWidget *>(object);
    if (className == QLatin1String("QLabel") && widget && widget->property("engineImage").toBool())
        return new QAccessibleWidget(widget, QAccessible::Graphic, widget->accessibleName());
    return nullptr;
}

// An Image control: its picture scaled to the control's size (Stretch), or drawn
// at its own size. The scaled copy is made once per size, not on every paint;
// then the decoded picture is let go (it is as large as the screen for the
// welcome's backdrop), and decoded again only if the size changes. A shown
// control has its picture scaled on Qt's thread pool as soon as the event loop
// runs, while the main thread waits for the window system to map the windows;
// the paint takes the result (or scales it itself, if it comes first).
class ImageWidget : public QLabel {
public:
    ImageWidget(const ControlDef &def, QWidget *parent)
        : QLabel(parent), m_def(def), m_picture(decodePicture(def.picture.resource, def.picture.description))
    {
        static const bool factoryInstalled = (QAccessible::installFactory(imageAccessible), true);
        Q_UNUSED(factoryInstalled);
        setProperty("engineImage", true);
        setAccessibleName(qs(def.picture.description));
        if (!m_picture.hasAlphaChannel())
            setAttribute(Qt::WA_OpaquePaintEvent);
    }

protected:
    void showEvent(QShowEvent *event) override
    {
        QLabel::showEvent(event);
        // Once the event loop runs: the forms being loaded and shown go first.
        QMetaObject::invokeMethod(this, [this] { startScaling(); }, Qt::QueuedConnection);
    }

    void startScaling()
    {
        if (!isVisible() || !m_def.stretch || m_picture.isNull() || deviceSize() == m_scaled.size() || deviceSize() == m_scaling)
            return;
        m_scaling = deviceSize();
        auto promise = std::make_shared<std::promise<QImage>>();
        m_pending = promise->get_future();
        QThreadPool::globalInstance()->start([promise, picture = m_picture, size = m_scaling] {
            promise->set_value(picture.scaled(size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation));
        });
    }

    void paintEvent(QPaintEvent *) override
    {
        QPainter painter(this);
        if (!m_def.stretch) {
            painter.drawImage(0, 0, m_picture);
            return;
        }
        const QSize device = deviceSize();
        if (m_scaled.size() != device) {
            QImage scaled;
            if (m_pending.valid()) {
                scaled = m_pending.get();
                if (m_scaling != device)
                    scaled = QImage();
                m_scaling = QSize();
            }
            if (scaled.isNull()) {
                if (m_picture.isNull())
                    guarded([this] { m_picture = decodePicture(m_def.picture.resource, m_def.picture.description); });
                scaled = m_picture.scaled(device, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
            }
            m_scaled = QPixmap::fromImage(std::move(scaled));
            m_scaled.setDevicePixelRatio(devicePixelRatioF());
            m_picture = QImage();
            forgetPicture(m_def.picture.resource);
            // Once the decoded picture is gone: the two are never held at once.
            preparePixels(this);
        }
        painter.drawPixmap(0, 0, m_scaled);
    }

private:
    QSize deviceSize() const { return size() * devicePixelRatioF(); }

    const ControlDef &m_def;
    QImage m_picture;
    QPixmap m_scaled;
    std::future<QImage> m_pending; // the scaling started when shown
    QSize m_scaling;                // ... and the size it scales to
};

// Keeps a label's font, as loaded, for the labels of the forms that follow: the
// dialogs come one after the other, and once the last label in a face is gone
// Qt lets its loaded face go, so that the next dialog would look the face (and
// its fallbacks) up again, on the way from a key to that dialog.
void keepFontLoaded(const QFont &font)
{
    static QList<QFont> kept;
    if (!kept.contains(font))
        kept.append(font);
}

// Draws the lines once where nobody sees them, so that their glyphs are in
// Qt's glyph cache (one per face and size, shared by every picture drawn with
// the raster engine, the window's pixels among them) before the label's first
// paint: drawing a glyph for the first time costs more than the rest of that
// paint.
void cacheGlyphs(const QFont &font, const QStringList &lines)
{
    static QImage scratch(64, 64, QImage::Format_RGB32);
    QPainter painter(&scratch);
    painter.setFont(font);
    const qreal baseline = QFontMetricsF(font).ascent();
    for (const QString &line : lines)
        painter.drawText(QPointF(0, baseline), line);
}

// A Label control: left-aligned lines broken at blanks, runs of blanks kept,
// cut off at the bottom; transparent or filled with its back colour.
class LabelWidget : public QLabel {
public:
    LabelWidget(const ControlDef &def, QWidget *parent) : QLabel(parent), m_def(def)
    {
        setFont(fontFor(def.font));
        setTextFormat(Qt::PlainText);
        setText(qs(def.caption));
        if (def.backStyle == BackStyle::Opaque)
            setAttribute(Qt::WA_OpaquePaintEvent);
    }

protected:
    void showEvent(QShowEvent *event) override
    {
        QLabel::showEvent(event);
        // Once the event loop runs, while the window system maps the window,
        // so that the first paint only draws.
        QMetaObject::invokeMethod(this, [this] { layOut(true); }, Qt::QueuedConnection);
    }
    void paintEvent(QPaintEvent *) override
    {
        layOut(false);
        QPainter painter(this);
        if (m_def.backStyle == BackStyle::Opaque)
            painter.fillRect(rect(), colourFor(m_def.backColor, palette()));
        const QFontMetricsF metrics(m_drawing);
        painter.setFont(m_drawing);
        painter.setPen(colourFor(m_def.foreColor, palette()));
        qreal baseline = metrics.ascent();
        for (const QString &line : std::as_const(m_lines)) {
            if (baseline - metrics.ascent() >= height())
                break;
            painter.drawText(QPointF(0, baseline), line);
            baseline += metrics.lineSpacing();
        }
    }

private:
    // Chooses the face and breaks the text into lines, unless done for this
    // text and width: the faces are loaded and the words measured here, and
    // ahead of the first paint the glyphs drawn.
    void layOut(bool ahead)
    {
        if (!m_drawingChosen) {
            m_drawing = drawingFont(font());
            m_drawingChosen = true;
        }
        if (m_laidOutText == text() && m_laidOutWidth == width())
            return;
        const QFontMetricsF metrics(m_drawing);
        const std::vector<std::string> lines = layoutLabelLines(
            us(text()), [&](const std::string &piece) { return metrics.horizontalAdvance(qs(piece)); }, width());
        m_lines.clear();
        for (const std::string &line : lines)
            m_lines << qs(line);
        m_laidOutText = text();
        m_laidOutWidth = width();
        keepFontLoaded(m_drawing);
        if (ahead)
            cacheGlyphs(m_drawing, m_lines);
    }

    const ControlDef &m_def;
    bool m_drawingChosen = false; // the label's font is set once, when it is made
    QFont m_drawing;
    QStringList m_lines;
    QString m_laidOutText;
    int m_laidOutWidth = -1;
};

class ControlPeerQt : public ControlPeer {
public:
    explicit ControlPeerQt(QWidget *widget) : m_widget(widget) {}
    QWidget *widget() const { return m_widget; }
    void setGeometry(const PixelRect &r) override
    {
        if (m_widget)
            m_widget->setGeometry(r.x, r.y, r.width, r.height);
    }
    void setVisible(bool visible) override
    {
        if (m_widget)
            m_widget->setVisible(visible);
    }
    void setCaption(const std::string &text) override
    {
        if (auto *label = qobject_cast<QLabel *>(m_widget.data())) {
            label->setText(qs(text));
            label->update();
        }
    }
    bool isShown() const override { return m_widget && m_widget->isEnabled() && m_widget->isVisible(); }
    bool hasFocus() const override { return m_widget && m_widget->window()->focusWidget() == m_widget; }
    void setFocus(bool byKeyboard) override
    {
        if (m_widget)
            m_widget->setFocus(byKeyboard ? Qt::ShortcutFocusReason : Qt::ActiveWindowFocusReason);
    }
    void click() override {}

protected:
    QPointer<QWidget> m_widget;
};

// A CommandButton: a push button whose text has a face to be drawn in.
class ButtonWidget : public QPushButton {
public:
    using QPushButton::QPushButton;

protected:
    void showEvent(QShowEvent *event) override
    {
        QPushButton::showEvent(event);
        // As a label: the faces loaded, and the button drawn once where nobody
        // sees it (its caption's glyphs and the style's pictures of its frame
        // are then cached), before the first paint, unless it has been drawn
        // (with a window drawn for its map).
        QMetaObject::invokeMethod(
            this,
            [this] {
                ensureFaces();
                if (size().isEmpty() || m_drawn)
                    return;
                QImage scratch(size(), QImage::Format_RGB32);
                render(&scratch);
            },
            Qt::QueuedConnection);
    }
    void paintEvent(QPaintEvent *event) override
    {
        ensureFaces();
        QPushButton::paintEvent(event);
        m_drawn = true;
    }

private:
    bool m_drawn = false;
};

class ButtonPeerQt : public ControlPeerQt {
public:
    ButtonPeerQt(CommandButton &button, QWidget *parent) : ControlPeerQt(new ButtonWidget(parent))
    {
        QPushButton *push = this->push();
        push->setAutoDefault(false);
        push->setFocusPolicy(Qt::StrongFocus);
        setCaption(button.Caption());
        if (!button.definition().toolTipText.empty())
            push->setToolTip(qs(button.definition().toolTipText));
        m_connection = QObject::connect(push, &QPushButton::clicked, push, [&button] { button.clicked(); });
    }
    ~ButtonPeerQt() override { QObject::disconnect(m_connection); }
    QPushButton *push() const { return static_cast<QPushButton *>(m_widget.data()); }
    void setCaption(const std::string &text) override
    {
        if (!m_widget)
            return;
        push()->setText(qs(text));
        // The form answers access keys itself, at once and only for usable buttons.
        push()->setShortcut(QKeySequence());
    }
    void click() override
    {
        if (m_widget)
            push()->click();
    }

private:
    QMetaObject::Connection m_connection;
};

void WindowPeerQt::setTabOrder(const std::vector<ControlPeer *> &order)
{
    for (size_t i = 1; i < order.size(); ++i)
        QWidget::setTabOrder(static_cast<ControlPeerQt *>(order[i - 1])->widget(),
                             static_cast<ControlPeerQt *>(order[i])->widget());
}

} // namespace

std::string programFolder()
{
    char buffer[PATH_MAX + 1];
    const ssize_t length = ::readlink("/proc/self/exe", buffer, PATH_MAX);
    std::string path;
    if (length > 0)
        path.assign(buffer, size_t(length));
    else
        path = QFile::encodeName(QCoreApplication::applicationFilePath()).toStdString();
    const size_t slash = path.rfind('/');
    if (slash == std::string::npos)
        return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

namespace {

class QtPort : public Port {
public:
    std::unique_ptr<WindowPeer> createWindow(Form &form) override
    {
        if (!qobject_cast<QApplication *>(QCoreApplication::instance()))
            raise(err::NoDisplay, "Cannot load " + form.name() + ": no display");
        return std::make_unique<WindowPeerQt>(form);
    }
    std::unique_ptr<ControlPeer> createControl(WindowPeer &window, Control &control) override
    {
        QWidget *parent = static_cast<WindowPeerQt &>(window).widget();
        const ControlDef &def = control.definition();
        QWidget *widget = nullptr;
        switch (def.kind) {
        case ControlKind::Image:
            widget = new ImageWidget(def, parent);
            break;
        case ControlKind::Label:
            widget = new LabelWidget(def, parent);
            break;
        case ControlKind::CommandButton: {
            auto peer = std::make_unique<ButtonPeerQt>(static_cast<CommandButton &>(control), parent);
            peer->widget()->setObjectName(qs(def.name));
            return peer;
        }
        }
        widget->setObjectName(qs(def.name));
        return std::make_unique<ControlPeerQt>(widget);
    }
    ScreenMetrics screen() override
    {
        QScreen *screen = qobject_cast<QGuiApplication *>(QCoreApplication::instance())
            ? QGuiApplication::primaryScreen()
            : nullptr;
        if (!screen)
            raise(err::NoDisplay, "No screen is available");
        return {screen->geometry().width(), screen->geometry().height(), screen->logicalDotsPerInchX(),
                screen->logicalDotsPerInchY()};
    }
    std::string programFolder() override { return qtport::programFolder(); }
    int run() override { return QCoreApplication::exec(); }
    void quit(int status) override { QCoreApplication::exit(status); }
    void runNested(NestedLoop &loop) override
    {
        if (loop.quitRequested)
            return;
        QEventLoop events;
        loop.native = &events;
        events.exec(QEventLoop::DialogExec);
        loop.native = nullptr;
    }
    void quitNested(NestedLoop &loop) override
    {
        loop.quitRequested = true;
        if (loop.native)
            static_cast<QEventLoop *>(loop.native)->quit();
    }
    void post(std::function<void()> task) override
    {
        QTimer::singleShot(0, QCoreApplication::instance(), std::move(task));
    }
    bool watchReadable(int fd, std::function<void()> ready) override
    {
        if (!QCoreApplication::instance())
            return false;
        auto *notifier = new QSocketNotifier(fd, QSocketNotifier::Read, QCoreApplication::instance());
        QObject::connect(notifier, &QSocketNotifier::activated, notifier, [ready] { guarded(ready); });
        m_watched[fd] = notifier;
        return true;
    }
    void stopWatching(int fd) override
    {
        auto found = m_watched.find(fd);
        if (found == m_watched.end())
            return;
        // Off before the descriptor is closed: a number used again must not be watched by mistake.
        found->second->setEnabled(false);
        found->second->deleteLater();
        m_watched.erase(found);
    }
    void showFatalError(const std::string &title, const std::string &message) override
    {
        // A platform that shows nothing to anybody (tests, headless runs) gets no box.
        if (!qobject_cast<QApplication *>(QCoreApplication::instance()))
            return;
        const QString platform = QGuiApplication::platformName();
        if (platform == QLatin1String("offscreen") || platform == QLatin1String("minimal"))
            return;
        QMessageBox::critical(nullptr, qs(title), qs(message));
    }

private:
    std::map<int, QSocketNotifier *> m_watched;
};

} // namespace

void install()
{
    static QtPort port;
    setPort(&port);
}

QWidget *widgetOf(Form &form)
{
    return static_cast<WindowPeerQt &>(form.window()).widget();
}

QWidget *widgetOf(const Control &control)
{
    return control.peer() ? static_cast<ControlPeerQt *>(control.peer())->widget() : nullptr;
}

QPushButton *buttonOf(const CommandButton &button)
{
    return qobject_cast<QPushButton *>(widgetOf(button));
}

} // namespace qtport
