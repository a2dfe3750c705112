#include "fakeport.h"

#include <doctest/doctest.h>

#include <algorithm>
#include <cerrno>
#ifndef _WIN32
#include <poll.h>
#endif

namespace fake {

namespace {
// More steps than any test needs: a loop that keeps posting to itself fails.
constexpr int stepLimit = 10000;
} // namespace

FakeWindow::FakeWindow(FakePort &p, engine::Form &f) : port(p), form(f), title(f.definition().caption)
{
    port.windows.push_back(this);
}

FakeWindow::~FakeWindow()
{
    // Controls go before their window; one left behind would point here.
    CHECK(focus == nullptr);
    auto &all = port.windows;
    all.erase(std::remove(all.begin(), all.end(), this), all.end());
}

void FakeWindow::setGeometry(int x, int y, int clientWidth, int clientHeight)
{
    rect = {x, y, clientWidth, clientHeight};
}

std::optional<engine::Frame> FakeWindow::drawnFrame() const
{
    if (frame)
        return frame;
    if (visible && form.definition().borderStyle != engine::BorderStyle::None)
        return port.managerFrame;
    return std::nullopt;
}

void FakeWindow::show(bool isModal, engine::WindowPeer *modalOwner)
{
    visible = true;
    modal = isModal;
    owner = modalOwner;
}

FakeControl::FakeControl(FakeWindow &w, engine::Control &c) : window(w), control(c), caption(c.definition().caption)
{
    ++window.port.controlsAlive;
}

FakeControl::~FakeControl()
{
    if (window.focus == this)
        window.focus = nullptr;
    --window.port.controlsAlive;
}

void FakeControl::setVisible(bool shown)
{
    visible = shown;
    if (!shown && window.focus == this)
        window.focus = nullptr;
}

void FakeControl::setFocus(bool byKeyboard)
{
    window.focus = this;
    focusByKeyboard = byKeyboard;
}

void FakeControl::click()
{
    if (control.definition().kind == engine::ControlKind::CommandButton)
        static_cast<engine::CommandButton &>(control).clicked();
}

FakePort::FakePort()
{
    engine::setPort(this);
}

FakePort::~FakePort()
{
    engine::resetForTesting();
    CHECK(windows.empty());
    CHECK(controlsAlive == 0);
    engine::setPort(nullptr);
}

std::unique_ptr<engine::WindowPeer> FakePort::createWindow(engine::Form &form)
{
    return std::make_unique<FakeWindow>(*this, form);
}

std::unique_ptr<engine::ControlPeer> FakePort::createControl(engine::WindowPeer &window, engine::Control &control)
{
    return std::make_unique<FakeControl>(static_cast<FakeWindow &>(window), control);
}

bool FakePort::runOne(const char *loop)
{
    if (++m_steps > stepLimit) {
        FAIL_CHECK(std::string(loop) << " ran " << stepLimit << " tasks without ending");
        return false;
    }
    std::deque<std::function<void()>> &queue = !m_posted.empty() ? m_posted : m_script;
    if (queue.empty()) {
        FAIL_CHECK(std::string(loop) << " has nothing left to run and would wait for ever");
        return false;
    }
    std::function<void()> next = std::move(queue.front());
    queue.pop_front();
    next();
    return true;
}

int FakePort::run()
{
    m_quit = false;
    while (!m_quit && runOne("the event loop")) {
    }
    return quitStatus;
}

void FakePort::quit(int status)
{
    ++quits;
    quitStatus = status;
    m_quit = true;
}

void FakePort::runNested(engine::NestedLoop &loop)
{
    ++nestedDepth;
    while (!loop.quitRequested && runOne("a modal loop")) {
    }
    --nestedDepth;
}

bool FakePort::watchReadable(int fd, std::function<void()> ready)
{
    m_watches[fd] = std::move(ready);
    return true;
}

void FakePort::stopWatching(int fd)
{
    m_watches.erase(fd);
}

bool FakePort::runWatches(int milliseconds)
{
#ifdef _WIN32
    (void)milliseconds; // nothing on Windows watches a descriptor
    return false;
#else
    std::vector<pollfd> fds;
    for (const auto &watch : m_watches)
        fds.push_back({watch.first, POLLIN, 0});
    int ready;
    do
        ready = ::poll(fds.data(), fds.size(), milliseconds);
    while (ready < 0 && errno == EINTR);
    for (const pollfd &fd : fds) {
        // A callback may have stopped another watch.
        auto watch = m_watches.find(fd.fd);
        if ((fd.revents & (POLLIN | POLLHUP | POLLERR)) && watch != m_watches.end()) {
            std::function<void()> call = watch->second;
            call();
        }
    }
    return ready > 0;
#endif
}

void FakePort::showFatalError(const std::string &title, const std::string &message)
{
    fatalErrors.push_back(title + ": " + message);
}

FakeWindow &windowOf(engine::Form &form)
{
    return static_cast<FakeWindow &>(form.window());
}

FakeControl &peerOf(engine::Control &control)
{
    return *static_cast<FakeControl *>(control.peer());
}

engine::Control &controlOf(engine::Form &form, const std::string &name)
{
    return *form.control(name);
}

bool sendKey(engine::Form &form, const engine::KeyPress &key)
{
    return form.keyPressed(key);
}

void pressKey(engine::Form &form, const engine::KeyPress &key)
{
    if (form.keyPressed(key) || key.kind != engine::KeyPress::Space)
        return;
    FakeWindow *window = static_cast<FakeWindow *>(form.windowIfLoaded());
    if (window && window->focus)
        window->focus->click();
}

void requestClose(engine::Form &form)
{
    form.closeRequested();
}

void moveWindow(engine::Form &form, int x, int y)
{
    FakeWindow &window = windowOf(form);
    window.rect.x = x;
    window.rect.y = y;
    form.windowMoved();
}

void click(engine::Form &form, const std::string &button)
{
    peerOf(controlOf(form, button)).click();
}

std::string focused(engine::Form &form)
{
    FakeWindow *window = static_cast<FakeWindow *>(form.windowIfLoaded());
    return window && window->focus ? window->focus->control.name() : "";
}

} // namespace fake
