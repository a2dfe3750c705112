// A form: a window and its controls, made from a definition when the form is
// loaded and destroyed when it is unloaded. Properties are single-precision
// twips; a form's Width and Height are its outer size, frame and title included.
#pragma once

#include "formdef.h"
#include "keys.h"
#include "port.h"

#include <functional>
#include <memory>
#include <string>
#include <type_traits>
#include <vector>

namespace engine {

class Form;

// The intrinsic controls: Image, Label and CommandButton. A control lives while
// its form is loaded; its position and size are twips in the form's client area.
class Control {
public:
    Control(Form &form, const ControlDef &def);
    virtual ~Control();
    Control(const Control &) = delete;
    Control &operator=(const Control &) = delete;

    const ControlDef &definition() const { return m_def; }
    const std::string &name() const { return m_def.name; }
    Form &form() const { return m_form; }
    ControlPeer *peer() const { return m_peer.get(); }

    Single Left() const { return m_left; }
    Single Top() const { return m_top; }
    Single Width() const { return m_width; }
    Single Height() const { return m_height; }
    void setLeft(Single value);
    void setTop(Single value);
    void setWidth(Single value);
    void setHeight(Single value);
    Boolean Visible() const { return m_visible ? True : False; }
    void setVisible(Boolean value);

    // The position and size in whole pixels of the client area.
    PixelRect pixelRect() const;

protected:
    friend class Form;
    void place();

    Form &m_form;
    const ControlDef &m_def;
    std::unique_ptr<ControlPeer> m_peer;
    Single m_left, m_top, m_width, m_height;
    bool m_visible;
    std::string m_caption;
};

class Image : public Control {
public:
    using Control::Control;
};

class Label : public Control {
public:
    using Control::Control;
    const std::string &Caption() const { return m_caption; }
    void setCaption(const std::string &text);
};

class CommandButton : public Control {
public:
    using Control::Control;
    const std::string &Caption() const { return m_caption; }
    void setCaption(const std::string &text);
    bool isDefault() const { return m_def.isDefault; }
    bool isCancel() const { return m_def.isCancel; }
    int tabIndex() const { return m_def.tabIndex; }
    // Visible, enabled, and on a shown form: it can take the focus and keys.
    bool canTakeKeys() const;
    // The port reports a click (mouse, Space, or a key the engine pressed).
    void clicked();

private:
    friend class Form;
    std::function<void()> m_click;
};

class Form {
public:
    explicit Form(const FormDef &definition);
    virtual ~Form();
    Form(const Form &) = delete;
    Form &operator=(const Form &) = delete;

    const FormDef &definition() const { return m_def; }
    const std::string &name() const { return m_def.name; }
    bool isLoaded() const { return m_loaded; }

    // Builds the window and controls from the definition and raises Form_Load;
    // the window stays hidden. Nothing happens if the form is loaded already.
    void Load();
    // Destroys the window. The handler that calls it goes on; the window and
    // its controls are freed once that handler has returned.
    void Unload();
    // Style 0 shows the form and returns; style 1 shows it modally and returns
    // only after it has been unloaded and the unloading handler has finished.
    void Show(int style = 0, Form *owner = nullptr);

    Single Left();
    Single Top();
    Single Width();
    Single Height();
    void setLeft(Single value);
    void setTop(Single value);
    void setWidth(Single value);
    void setHeight(Single value);
    Boolean Visible();
    void setVisible(Boolean value);
    std::string Caption();
    void setCaption(const std::string &text);

    // The window's native part, for its port and for tests; loads the form.
    WindowPeer &window();
    WindowPeer *windowIfLoaded() const { return m_window.get(); }
    // A control by name; raises "control missing" for a name the form lacks.
    Control *control(const std::string &name);
    std::vector<CommandButton *> buttons() const;
    const std::vector<Control *> &controls() const { return m_controlList; }

    // What the port reports. keyPressed returns whether the key was used.
    bool keyPressed(const KeyPress &key);
    void closeRequested();
    void windowMoved();
    // The frame round the client area in pixels: the window system's where it
    // has framed this window, else that of the last dialog framed.
    Frame frameMargins() const;

protected:
    // Raised when the form loads, before its window is first shown.
    virtual void Form_Load() {}

    class ControlRefBase {
    public:
        ControlRefBase(Form *form, std::string name, ControlKind kind);
        ControlRefBase(const ControlRefBase &) = delete;
        ControlRefBase &operator=(const ControlRefBase &) = delete;

    protected:
        friend class Form;
        Control *get() const;
        Form *m_form;
        std::string m_name;
        ControlKind m_kind;
        Control *m_control = nullptr;
    };

    // A control the behaviour code uses, bound by name when the form loads; a
    // name the definition lacks is a run-time error at load, not a silent null.
    // Using it loads the form.
    template <class T> class ControlRef : public ControlRefBase {
    public:
        ControlRef(Form *form, std::string name) : ControlRefBase(form, std::move(name), kindOf()) {}
        T *operator->() const { return static_cast<T *>(get()); }
        T &operator*() const { return *static_cast<T *>(get()); }

    private:
        static ControlKind kindOf()
        {
            if constexpr (std::is_same_v<T, Image>)
                return ControlKind::Image;
            else if constexpr (std::is_same_v<T, Label>)
                return ControlKind::Label;
            else
                return ControlKind::CommandButton;
        }
    };

    // Wires a button's Click to a procedure of the form.
    void onClick(ControlRef<CommandButton> &button, std::function<void()> procedure);

private:
    void ensureLoaded();
    void showWindow(bool modal, Form *owner);
    void applyGeometry();
    void placeFromDefinition();
    void setInitialFocus();
    bool acceptsCloseRequest() const;
    std::vector<ButtonState> buttonStates() const;

    const FormDef &m_def;
    std::unique_ptr<WindowPeer> m_window;
    std::vector<std::unique_ptr<Control>> m_controls;
    std::vector<Control *> m_controlList;
    std::vector<ControlRefBase *> m_refs;
    std::vector<std::pair<ControlRef<CommandButton> *, std::function<void()>>> m_clicks;
    bool m_loaded = false;
    bool m_inFormLoad = false;
    bool m_shown = false;           // shown since it was loaded
    bool m_placedByProgram = false; // moved or sized by the program since then
    NestedLoop *m_modalLoop = nullptr;
    Single m_left = 0, m_top = 0, m_width = 0, m_height = 0;
};

// The modal hook: every modal Show passes the form to it once the form is on
// screen and its modal loop runs. Tests use it to answer dialogs in order.
using ModalHook = std::function<void(Form &)>;
void setModalHook(ModalHook hook);

// Forms loaded right now, in the order they were loaded.
const std::vector<Form *> &loadedForms();
// A loaded form by name, or null.
Form *loadedForm(const std::string &name);

// Runs a handler of the program (a Click, a close request, the modal hook):
// run-time errors end the program, and what an Unload inside it leaves behind
// is freed once it has returned.
void dispatch(const std::function<void()> &handler);

// Loads the startup form and runs until no form is loaded. Returns the exit status.
int run(Form &startup);

// Default instances: one per form class, made on first reference.
void registerDefaultInstance(const std::string &formName, std::function<Form &()> get,
                             std::function<void()> forget);
// The default instance of a form class by its form's name, made if need be; null
// for a name no class has.
Form *defaultInstanceNamed(const std::string &formName);
// Unloads every form and forgets the default instances (between tests).
void resetForTesting();

} // namespace engine
