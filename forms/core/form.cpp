#include "form.h"

#include "errors.h"
#include "screen.h"

#include <algorithm>

namespace engine {

namespace {

struct DefaultEntry {
    std::string formName;
    std::function<Form &()> get;
    std::function<void()> forget;
};

// What an Unload left behind: freed once the handler that unloaded has returned.
struct Remains {
    int depth;
    std::unique_ptr<WindowPeer> window;
    std::vector<std::unique_ptr<Control>> controls;
};

struct EngineState {
    Port *port = nullptr;
    std::vector<Form *> loaded;
    ModalHook modalHook;
    std::vector<DefaultEntry> defaults;
    // The frame the window system gave a framed dialog; until one has been
    // framed, 4-pixel borders and a 25-pixel title bar.
    Frame framedDialog{4, 25, 4, 4};
    bool running = false; // the program's own event loop runs
    int depth = 0;        // handlers running, one inside the other
    std::vector<Remains> remains;
};

EngineState &state()
{
    static EngineState engineState;
    return engineState;
}

constexpr Frame defaultFrame{4, 25, 4, 4};

void freeRemains(int aboveDepth)
{
    auto &remains = state().remains;
    std::vector<Remains> doomed;
    for (auto it = remains.begin(); it != remains.end();) {
        if (it->depth > aboveDepth) {
            doomed.push_back(std::move(*it));
            it = remains.erase(it);
        } else {
            ++it;
        }
    }
    // Controls go before their window.
    for (Remains &r : doomed)
        r.controls.clear();
}

std::string missingControl(const std::string &control, const std::string &form)
{
    return "Control '" + control + "' is missing from form " + form;
}

} // namespace

// --- the port -------------------------------------------------------------

void setPort(Port *port)
{
    state().port = port;
}

bool hasPort()
{
    return state().port != nullptr;
}

Port &port()
{
    if (!state().port)
        raise(err::NoDisplay, "No window system is available");
    return *state().port;
}

// --- controls ----------------------------------------------------------------

Control::Control(Form &form, const ControlDef &def)
    : m_form(form), m_def(def), m_left(def.left), m_top(def.top), m_width(def.width), m_height(def.height),
      m_visible(def.visible), m_caption(def.caption)
{
}

Control::~Control() = default;

PixelRect Control::pixelRect() const
{
    const int x = toPixelsX(m_left), y = toPixelsY(m_top);
    return {x, y, toPixelsX(double(m_left) + m_width) - x, toPixelsY(double(m_top) + m_height) - y};
}

void Control::place()
{
    if (m_peer)
        m_peer->setGeometry(pixelRect());
}

void Control::setLeft(Single value) { m_left = value; place(); }
void Control::setTop(Single value) { m_top = value; place(); }
void Control::setWidth(Single value) { m_width = value; place(); }
void Control::setHeight(Single value) { m_height = value; place(); }

void Control::setVisible(Boolean value)
{
    m_visible = value != False;
    if (m_peer)
        m_peer->setVisible(m_visible);
}

void Label::setCaption(const std::string &text)
{
    m_caption = text;
    if (m_peer)
        m_peer->setCaption(text);
}

void CommandButton::setCaption(const std::string &text)
{
    m_caption = text;
    if (m_peer)
        m_peer->setCaption(text);
}

bool CommandButton::canTakeKeys() const
{
    return m_peer && m_visible && m_peer->isShown();
}

void CommandButton::clicked()
{
    // A click that arrives after the form was unloaded belongs to no one.
    if (!m_form.isLoaded() || !m_visible || !m_click)
        return;
    auto handler = m_click;
    dispatch(handler);
}

// --- forms -------------------------------------------------------------------

Form::ControlRefBase::ControlRefBase(Form *form, std::string name, ControlKind kind)
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
    m_controlList.clear();
    m_controls.clear();
    m_window.reset();
}

void Form::ensureLoaded()
{
    if (m_loaded)
        return;
    Load();
    // Its own Form_Load may have unloaded it again: there is no window to use.
    if (!m_loaded)
        raise(err::ObjectUnloaded, "Object was unloaded (" + name() + ")");
}

void Form::Load()
{
    if (m_loaded)
        return;
    Port &windowSystem = port();
    std::unique_ptr<WindowPeer> window = windowSystem.createWindow(*this);

    // Controls are listed front to back; the last one made lies on top.
    std::vector<std::unique_ptr<Control>> controls(m_def.controls.size());
    for (size_t i = m_def.controls.size(); i-- > 0;) {
        const ControlDef &def = m_def.controls[i];
        switch (def.kind) {
        case ControlKind::Image:
            controls[i] = std::make_unique<Image>(*this, def);
            break;
        case ControlKind::Label:
            controls[i] = std::make_unique<Label>(*this, def);
            break;
        case ControlKind::CommandButton:
            controls[i] = std::make_unique<CommandButton>(*this, def);
            break;
        }
        controls[i]->m_peer = windowSystem.createControl(*window, *controls[i]);
        // Placed before it is shown: the port need not size it to its contents.
        controls[i]->place();
        controls[i]->m_peer->setVisible(def.visible);
    }
    std::vector<Control *> list;
    for (auto &control : controls)
        list.push_back(control.get());
    for (ControlRefBase *ref : m_refs) {
        auto found = std::find_if(list.begin(), list.end(), [ref](Control *c) { return c->name() == ref->m_name; });
        if (found == list.end() || (*found)->definition().kind != ref->m_kind) {
            for (ControlRefBase *other : m_refs)
                other->m_control = nullptr;
            raise(err::ControlMissing, missingControl(ref->m_name, name()));
        }
        ref->m_control = *found;
    }
    for (auto &[ref, procedure] : m_clicks)
        static_cast<CommandButton *>(ref->m_control)->m_click = procedure;

    // The tab order follows TabIndex.
    std::vector<CommandButton *> buttonList;
    std::vector<ButtonState> states;
    for (Control *control : list) {
        if (control->definition().kind == ControlKind::CommandButton) {
            buttonList.push_back(static_cast<CommandButton *>(control));
            states.push_back({.tabIndex = control->definition().tabIndex});
        }
    }
    std::vector<ControlPeer *> order;
    for (int i : tabOrder(states))
        order.push_back(buttonList[i]->peer());
    window->setTabOrder(order);

    m_window = std::move(window);
    m_controls = std::move(controls);
    m_controlList = std::move(list);
    m_shown = false;
    m_placedByProgram = false;
    placeFromDefinition();

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

// The outer geometry from the client area the definition gives, with the
// frame the window is expected to get.
void Form::placeFromDefinition()
{
    const Frame frame = frameMargins();
    const double tx = Screen.TwipsPerPixelX(), ty = Screen.TwipsPerPixelY();
    m_left = CSng(m_def.clientLeft - frame.left * tx);
    m_top = CSng(m_def.clientTop - frame.top * ty);
    m_width = CSng(m_def.clientWidth + (frame.left + frame.right) * tx);
    m_height = CSng(m_def.clientHeight + (frame.top + frame.bottom) * ty);
    applyGeometry();
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
    if (m_window)
        m_window->hide();
    // The handler that unloads may belong to one of these controls: they are
    // freed once it has returned.
    state().remains.push_back({state().depth, std::move(m_window), std::move(m_controls)});
    m_controlList.clear();
    if (state().depth == 0)
        freeRemains(-1);
    if (m_modalLoop)
        port().quitNested(*m_modalLoop);
    if (loaded.empty() && state().running)
        port().quit(0);
}

void Form::Show(int style, Form *owner)
{
    ensureLoaded();
    if (style != 1) {
        showWindow(false, nullptr);
        return;
    }
    if (m_modalLoop || m_window->isVisible())
        raise(err::FormAlreadyShown, "Form already displayed; can't show modally (" + name() + ")");
    showWindow(true, owner);

    NestedLoop loop;
    m_modalLoop = &loop;
    // The hook's task belongs to this showing alone: once it is over (the
    // form may be gone by then), the task does nothing.
    auto showing = std::make_shared<Form *>(this);
    if (state().modalHook) {
        ModalHook hook = state().modalHook;
        port().post([showing, hook] {
            if (Form *form = *showing; form && form->m_loaded)
                dispatch([&] { hook(*form); });
        });
    }
    if (m_loaded)
        port().runNested(loop);
    *showing = nullptr;
    m_modalLoop = nullptr;
}

void Form::showWindow(bool modal, Form *owner)
{
    m_shown = true;
    applyGeometry();
    WindowPeer *ownerWindow = owner ? &owner->window() : nullptr;
    m_window->show(modal, ownerWindow);
    setInitialFocus();
    m_window->bringToFront();
}

std::vector<ButtonState> Form::buttonStates() const
{
    std::vector<ButtonState> states;
    for (CommandButton *button : buttons()) {
        states.push_back({button->Caption(), button->tabIndex(), button->canTakeKeys(),
                          button->peer() && button->peer()->hasFocus(), button->isDefault(), button->isCancel()});
    }
    return states;
}

void Form::setInitialFocus()
{
    const std::vector<CommandButton *> all = buttons();
    const int first = initialFocus(buttonStates());
    if (first >= 0)
        all[first]->peer()->setFocus(false);
}

bool Form::keyPressed(const KeyPress &key)
{
    if (!m_loaded)
        return false;
    const std::vector<CommandButton *> all = buttons();
    const KeyOutcome outcome = applyKey(key, buttonStates());
    if (outcome.focus >= 0)
        all[outcome.focus]->peer()->setFocus(true);
    if (outcome.press >= 0) {
        CommandButton *button = all[outcome.press];
        if (outcome.focusFirst)
            button->peer()->setFocus(true);
        button->peer()->click();
    }
    return outcome.consumed;
}

void Form::closeRequested()
{
    if (acceptsCloseRequest())
        dispatch([this] { Unload(); });
}

bool Form::acceptsCloseRequest() const
{
    // Without a control box there is no way to close the window but its
    // buttons; a form still running its load handler stays, too.
    return m_loaded && m_def.controlBox && !m_inFormLoad;
}

std::vector<CommandButton *> Form::buttons() const
{
    std::vector<CommandButton *> result;
    for (Control *control : m_controlList) {
        if (control->definition().kind == ControlKind::CommandButton)
            result.push_back(static_cast<CommandButton *>(control));
    }
    return result;
}

Control *Form::control(const std::string &controlName)
{
    ensureLoaded();
    for (Control *c : m_controlList) {
        if (c->name() == controlName)
            return c;
    }
    raise(err::ControlMissing, missingControl(controlName, name()));
}

WindowPeer &Form::window()
{
    ensureLoaded();
    return *m_window;
}

Frame Form::frameMargins() const
{
    if (m_def.borderStyle == BorderStyle::None)
        return {};
    if (m_window) {
        if (std::optional<Frame> drawn = m_window->drawnFrame())
            return *drawn;
    }
    return state().framedDialog;
}

void Form::applyGeometry()
{
    if (!m_window || m_window->isMaximized())
        return;
    const Frame frame = frameMargins();
    const int x = toPixelsX(m_left), y = toPixelsY(m_top);
    const int clientWidth = std::max(1, toPixelsX(double(m_left) + m_width) - x - frame.left - frame.right);
    const int clientHeight = std::max(1, toPixelsY(double(m_top) + m_height) - y - frame.top - frame.bottom);
    m_window->setGeometry(x, y, clientWidth, clientHeight);
}

void Form::windowMoved()
{
    if (!m_window || !m_window->isVisible())
        return;
    const std::optional<Frame> drawn = m_window->drawnFrame();
    if (drawn && m_def.borderStyle == BorderStyle::FixedSingle && m_def.windowState == WindowState::Normal
        && *drawn != state().framedDialog) {
        state().framedDialog = *drawn;
        // A form loaded ahead, with the frame expected then, takes the one
        // now learnt: the sizes the program reads from it are those it will
        // have on screen. One the program has placed keeps its place.
        for (Form *other : state().loaded) {
            if (other != this && !other->m_shown && !other->m_placedByProgram)
                other->placeFromDefinition();
        }
    }
    const Frame frame = frameMargins();
    const PixelRect at = m_window->geometry();
    const int outerWidth = at.width + frame.left + frame.right;
    const int outerHeight = at.height + frame.top + frame.bottom;
    // Whole pixels where the window really is; the twips set by code stand
    // for as long as they map to that same place.
    const double tx = Screen.TwipsPerPixelX(), ty = Screen.TwipsPerPixelY();
    const int x = toPixelsX(m_left), y = toPixelsY(m_top);
    if (at.x != x)
        m_left = CSng(at.x * tx);
    if (at.y != y)
        m_top = CSng(at.y * ty);
    if (outerWidth != toPixelsX(double(m_left) + m_width) - toPixelsX(m_left))
        m_width = CSng(outerWidth * tx);
    if (outerHeight != toPixelsY(double(m_top) + m_height) - toPixelsY(m_top))
        m_height = CSng(outerHeight * ty);
}

Single Form::Left() { ensureLoaded(); return m_left; }
Single Form::Top() { ensureLoaded(); return m_top; }
Single Form::Width() { ensureLoaded(); return m_width; }
Single Form::Height() { ensureLoaded(); return m_height; }

void Form::setLeft(Single value)
{
    ensureLoaded();
    m_placedByProgram = true;
    m_left = value;
    applyGeometry();
}

void Form::setTop(Single value)
{
    ensureLoaded();
    m_placedByProgram = true;
    m_top = value;
    applyGeometry();
}

void Form::setWidth(Single value)
{
    ensureLoaded();
    m_placedByProgram = true;
    m_width = value;
    applyGeometry();
}

void Form::setHeight(Single value)
{
    ensureLoaded();
    m_placedByProgram = true;
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
        showWindow(false, nullptr);
    else
        m_window->hide();
}

std::string Form::Caption()
{
    ensureLoaded();
    return m_window->caption();
}

void Form::setCaption(const std::string &text)
{
    ensureLoaded();
    m_window->setCaption(text);
}

void Form::onClick(ControlRef<CommandButton> &button, std::function<void()> procedure)
{
    m_clicks.emplace_back(&button, std::move(procedure));
}

// --- the engine --------------------------------------------------------------

void setModalHook(ModalHook hook)
{
    state().modalHook = std::move(hook);
}

const std::vector<Form *> &loadedForms()
{
    return state().loaded;
}

Form *loadedForm(const std::string &formName)
{
    for (Form *form : state().loaded) {
        if (form->name() == formName)
            return form;
    }
    return nullptr;
}

void dispatch(const std::function<void()> &handler)
{
    const int depth = ++state().depth;
    guarded(handler);
    state().depth = depth - 1;
    freeRemains(depth - 1);
}

int run(Form &startup)
{
    dispatch([&] { startup.Load(); });
    if (state().loaded.empty())
        return 0;
    state().running = true;
    const int status = port().run();
    state().running = false;
    return status;
}

void registerDefaultInstance(const std::string &formName, std::function<Form &()> get, std::function<void()> forget)
{
    state().defaults.push_back({formName, std::move(get), std::move(forget)});
}

Form *defaultInstanceNamed(const std::string &formName)
{
    for (DefaultEntry &entry : state().defaults) {
        if (entry.formName == formName)
            return &entry.get();
    }
    return nullptr;
}

void resetForTesting()
{
    while (!state().loaded.empty())
        state().loaded.back()->Unload();
    freeRemains(-1);
    for (DefaultEntry &entry : state().defaults)
        entry.forget();
    state().modalHook = nullptr;
    state().framedDialog = defaultFrame;
    state().depth = 0;
}

} // namespace engine
