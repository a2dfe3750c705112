// What a window system supplies to the forms engine. The engine core keeps the
// forms' state (definitions, twips, loaded or not, modal shows, key rules);
// a port makes the windows and controls, draws them, decodes pictures, knows
// the screen and runs the event loop. One port is installed before the first
// form loads (setPort); the GTK port lives in forms/gtk, the Win32 port in
// forms/win32. A new port implements these three classes and nothing else.
#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace engine {

class Form;
class Control;

// Widths of the frame a window system draws round a client area, in pixels.
struct Frame {
    int left = 0, top = 0, right = 0, bottom = 0;
    bool operator==(const Frame &) const = default;
};

struct PixelRect {
    int x = 0, y = 0, width = 0, height = 0;
};

struct ScreenMetrics {
    int width = 0, height = 0; // the primary screen's full size in pixels
    double dpiX = 96, dpiY = 96; // logical dots per inch
};

// A control's native part: a picture, a text or a push button. The port calls
// Control::clicked() when a button is clicked by mouse or by its own keys.
class ControlPeer {
public:
    virtual ~ControlPeer() = default;
    // Position and size in pixels within the form's client area.
    virtual void setGeometry(const PixelRect &rect) = 0;
    virtual void setVisible(bool visible) = 0;
    virtual void setCaption(const std::string &text) = 0;
    // Visible and enabled on a shown window: it can take the focus.
    virtual bool isShown() const = 0;
    virtual bool hasFocus() const = 0;
    // byKeyboard: an access key moved it (a port may draw the focus then).
    virtual void setFocus(bool byKeyboard) = 0;
    // Presses a button as a key would (Control::clicked() follows).
    virtual void click() = 0;
};

// A form's native window. The port tells the form what happens to it:
// Form::keyPressed, Form::closeRequested, Form::windowMoved.
class WindowPeer {
public:
    // Frees the native window once control has returned to the event loop;
    // the window is hidden already.
    virtual ~WindowPeer() = default;
    virtual void setCaption(const std::string &text) = 0;
    // The outer corner in screen pixels and the client size (a fixed-size
    // dialog keeps that size).
    virtual void setGeometry(int x, int y, int clientWidth, int clientHeight) = 0;
    // Where the window stands now: the outer corner, and the client size.
    virtual PixelRect geometry() const = 0;
    // The frame the window system has drawn, once it is known; until then the
    // engine takes the frame of the last dialog framed (or a default).
    virtual std::optional<Frame> drawnFrame() const = 0;
    // Shows the window (maximised when its definition says so). With `modal`, the other forms take no input
    // until the window is hidden or destroyed, and it stays in front of its owner.
    virtual void show(bool modal, WindowPeer *modalOwner) = 0;
    // Raises the shown window and makes it the active one.
    virtual void bringToFront() = 0;
    virtual void hide() = 0;
    virtual bool isVisible() const = 0;
    virtual bool isMaximized() const = 0;
    // The form's caption as the window shows it.
    virtual std::string caption() const = 0;
    // The order Tab follows through the buttons, once they are all made.
    virtual void setTabOrder(const std::vector<ControlPeer *> &order) = 0;
};

// A nested event loop of a modal Show; the port keeps what it needs in `native`.
struct NestedLoop {
    void *native = nullptr;
    bool quitRequested = false;
};

class Port {
public:
    virtual ~Port() = default;
    virtual std::unique_ptr<WindowPeer> createWindow(Form &form) = 0;
    virtual std::unique_ptr<ControlPeer> createControl(WindowPeer &window, Control &control) = 0;
    // The primary screen; raises the engine's "no display" error where there is none.
    virtual ScreenMetrics screen() = 0;
    // The folder of the running program in the system's own notation (bytes on
    // POSIX systems, UTF-8 on Windows), without a trailing separator except at
    // a drive's root.
    virtual std::string programFolder() = 0;
    // Runs the event loop until quit() is called; returns its status.
    virtual int run() = 0;
    virtual void quit(int status) = 0;
    // Runs nested loops for modal shows: returns once quitNested() was called.
    virtual void runNested(NestedLoop &loop) = 0;
    virtual void quitNested(NestedLoop &loop) = 0;
    // Runs a task from the event loop, after the events already waiting.
    virtual void post(std::function<void()> task) = 0;
    // Calls `ready` from the event loop each time the descriptor can be read
    // (POSIX: a started program's pidfd). False where the port cannot watch it.
    virtual bool watchReadable(int fd, std::function<void()> ready) = 0;
    virtual void stopWatching(int fd) = 0;
    // Shows a run-time error to the player, where a display can show it.
    virtual void showFatalError(const std::string &title, const std::string &message) = 0;
};

void setPort(Port *port);
bool hasPort();
// The installed port; raises "no display" when none is installed.
Port &port();

} // namespace engine
