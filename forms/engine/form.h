// A form: a window and its controls, made from a definition when the form is
// loaded and destroyed when it is unloaded. Properties are single-precision
// twips; a form's Width and Height are its outer size, frame and title included.
#pragma once

#include "controls.h"
#include "formdef.h"

#include <QMargins>
#include <QPointer>
#include <functional>
#include <type_traits>
#include <vector>

class QEventLoop;
class QKeyEvent;

namespace engine {

class FormWindow;

class Form {
public:
    explicit Form(const FormDef &definition);
    virtual ~Form();
    Form(const Form &) = delete;
    Form &operator=(const Form &) = delete;

    const FormDef &definition() const { return m_def; }
    QString name() const { return m_def.name; }
    bool isLoaded() const { return m_loaded; }

    // Builds the window and controls from the definition and raises Form_Load;
    // the window stays hidden. Nothing happens if the form is loaded already.
    void Load();
    // Destroys the window. The handler that calls it goes on; the window's
    // objects are freed once control returns to the event loop.
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
    QString Caption();
    void setCaption(const QString &text);

    // The window, for the engine and for tests; loads the form.
    QWidget *window();
    Control *control(const QString &name);
    std::vector<CommandButton *> buttons() const;

protected:
    // Raised when the form loads, before its window is first shown.
    virtual void Form_Load() {}

    class ControlRefBase {
    public:
        ControlRefBase(Form *form, QString name, ControlKind kind);
        ControlRefBase(const ControlRefBase &) = delete;
        ControlRefBase &operator=(const ControlRefBase &) = delete;

    protected:
        friend class Form;
        Control *get() const;
        Form *m_form;
        QString m_name;
        ControlKind m_kind;
        Control *m_control = nullptr;
    };

    // A control the behaviour code uses, bound by name when the form loads; a
    // name the definition lacks is a run-time error at load, not a silent null.
    // Using it loads the form.
    template <class T> class ControlRef : public ControlRefBase {
    public:
        ControlRef(Form *form, QString name) : ControlRefBase(form, std::move(name), kindOf()) {}
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
    friend class FormWindow;
    void ensureLoaded();
    void showWindow();
    void applyGeometry();
    void setInitialFocus();
    QMargins frameMargins() const;
    void windowGeometryChanged();
    bool handleKey(QKeyEvent *event);
    bool acceptsCloseRequest() const;

    const FormDef &m_def;
    QPointer<FormWindow> m_window;
    std::vector<Control *> m_controls;
    std::vector<ControlRefBase *> m_refs;
    std::vector<std::pair<ControlRef<CommandButton> *, std::function<void()>>> m_clicks;
    bool m_loaded = false;
    bool m_inFormLoad = false;
    QEventLoop *m_modalLoop = nullptr;
    Single m_left = 0, m_top = 0, m_width = 0, m_height = 0;
};

// The modal hook: every modal Show passes the form to it once the form is on
// screen and its modal loop runs. Tests use it to answer dialogs in order.
using ModalHook = std::function<void(Form &)>;
void setModalHook(ModalHook hook);

// Forms loaded right now, in the order they were loaded.
const std::vector<Form *> &loadedForms();

// Loads the startup form and runs until no form is loaded. Returns the exit status.
int run(Form &startup);

// Default instances: one per form class, made on first reference.
void registerDefaultInstance(std::function<void()> forget);
// Unloads every form and forgets the default instances (between tests).
void resetForTesting();

} // namespace engine
