// A port with no window system for the core's tests. Windows and controls
// only record what the engine asks of them; the event loop runs the tasks the
// engine posts, then the steps a test scripts as the player's input. A loop
// with nothing left to run would wait for ever: that fails the test and the
// loop returns, so no test can hang.
#pragma once

#include "forms/core/form.h"

#include <doctest/doctest.h>

#include <deque>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace fake {

class FakePort;
class FakeControl;

class FakeWindow : public engine::WindowPeer {
public:
    FakeWindow(FakePort &port, engine::Form &form);
    ~FakeWindow() override;

    void setCaption(const std::string &text) override { title = text; }
    void setGeometry(int x, int y, int clientWidth, int clientHeight) override;
    engine::PixelRect geometry() const override { return rect; }
    std::optional<engine::Frame> drawnFrame() const override;
    void show(bool modal, engine::WindowPeer *modalOwner) override;
    void bringToFront() override { ++raised; }
    void hide() override { visible = false; }
    bool isVisible() const override { return visible; }
    bool isMaximized() const override { return false; }
    std::string caption() const override { return title; }
    void setTabOrder(const std::vector<engine::ControlPeer *> &order) override { tabOrder = order; }

    FakePort &port;
    engine::Form &form;
    std::string title;
    engine::PixelRect rect; // the outer corner and the client size, in pixels
    bool visible = false, modal = false;
    engine::WindowPeer *owner = nullptr;
    std::optional<engine::Frame> frame; // set: the frame this window has, shown or not
    FakeControl *focus = nullptr;
    std::vector<engine::ControlPeer *> tabOrder;
    int raised = 0;
};

class FakeControl : public engine::ControlPeer {
public:
    FakeControl(FakeWindow &window, engine::Control &control);
    ~FakeControl() override;

    void setGeometry(const engine::PixelRect &r) override { rect = r; }
    void setVisible(bool shown) override;
    void setCaption(const std::string &text) override { caption = text; }
    bool isShown() const override { return visible && enabled && window.visible; }
    bool hasFocus() const override { return window.focus == this; }
    void setFocus(bool byKeyboard) override;
    // A button reports the click to its control; nothing here is touched
    // afterwards, since the handler may have unloaded the form.
    void click() override;

    FakeWindow &window;
    engine::Control &control;
    engine::PixelRect rect;
    bool visible = false, enabled = true;
    std::string caption;
    bool focusByKeyboard = false;
};

class FakePort : public engine::Port {
public:
    // Installs itself; the destructor unloads every form and uninstalls it.
    FakePort();
    ~FakePort() override;

    std::unique_ptr<engine::WindowPeer> createWindow(engine::Form &form) override;
    std::unique_ptr<engine::ControlPeer> createControl(engine::WindowPeer &window, engine::Control &control) override;
    engine::ScreenMetrics screen() override { return metrics; }
    std::string programFolder() override { return folder; }
    int run() override;
    void quit(int status) override;
    void runNested(engine::NestedLoop &loop) override;
    void quitNested(engine::NestedLoop &loop) override { loop.quitRequested = true; }
    void post(std::function<void()> task) override { m_posted.push_back(std::move(task)); }
    bool watchReadable(int fd, std::function<void()> ready) override;
    void stopWatching(int fd) override;
    void showFatalError(const std::string &title, const std::string &message) override;

    // The player's input, run in order once the posted tasks are done.
    void script(std::function<void()> step) { m_script.push_back(std::move(step)); }
    size_t pending() const { return m_posted.size() + m_script.size(); }
    // Waits up to `milliseconds` for the watched descriptors and calls `ready`
    // for each that can be read. False when none could.
    bool runWatches(int milliseconds);
    size_t watching() const { return m_watches.size(); }

    engine::ScreenMetrics metrics{800, 600, 96, 96};
    std::string folder = "/media/cdrom";
    // The frame a window manager draws round a shown window with a border.
    std::optional<engine::Frame> managerFrame;

    std::vector<FakeWindow *> windows; // alive now
    int controlsAlive = 0;
    int quits = 0, quitStatus = -1;
    int nestedDepth = 0;
    std::vector<std::string> fatalErrors;

private:
    // Runs the next task or step; false (a test failure) when none is left.
    bool runOne(const char *loop);

    std::deque<std::function<void()>> m_posted, m_script;
    std::map<int, std::function<void()>> m_watches;
    bool m_quit = false;
    int m_steps = 0;
};

FakeWindow &windowOf(engine::Form &form);
FakeControl &peerOf(engine::Control &control);
engine::Control &controlOf(engine::Form &form, const std::string &name);

// What the window system would report to the form.
bool sendKey(engine::Form &form, const engine::KeyPress &key);
// A key as the window system handles it: through the form's rules, and Space,
// which they leave to the window system, to the focused button.
void pressKey(engine::Form &form, const engine::KeyPress &key);
void requestClose(engine::Form &form);
void moveWindow(engine::Form &form, int x, int y);
// A mouse click on a button.
void click(engine::Form &form, const std::string &button);
// The name of the control holding the focus, or "".
std::string focused(engine::Form &form);

} // namespace fake

// Lists of names and lines in failure messages: {"cmdYes", "cmdNo"}.
template <> struct doctest::StringMaker<std::vector<std::string>> {
    static doctest::String convert(const std::vector<std::string> &list)
    {
        std::string text = "{";
        for (size_t i = 0; i < list.size(); ++i)
            text += (i ? ", \"" : "\"") + list[i] + "\"";
        return (text + "}").c_str();
    }
};
