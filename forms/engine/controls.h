// The intrinsic controls: Image, Label and CommandButton. A control lives while
// its form is loaded; its position and size are twips in the form's client area.
#pragma once

#include "formdef.h"

#include <QObject>
#include <QPointer>
#include <QWidget>

class QPushButton;

namespace engine {

class Form;

class Control : public QObject {
    Q_OBJECT
public:
    Control(Form &form, const ControlDef &def, QWidget *widget);

    const ControlDef &definition() const { return m_def; }
    QString name() const { return m_def.name; }
    QWidget *widget() const { return m_widget; }

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

protected:
    void place();

    Form &m_form;
    const ControlDef &m_def;
    QPointer<QWidget> m_widget;
    Single m_left, m_top, m_width, m_height;
    bool m_visible;
};

class Image : public Control {
    Q_OBJECT
public:
    Image(Form &form, const ControlDef &def, QWidget *parent);
};

class Label : public Control {
    Q_OBJECT
public:
    Label(Form &form, const ControlDef &def, QWidget *parent);
    QString Caption() const;
    void setCaption(const QString &text);
};

class CommandButton : public Control {
    Q_OBJECT
public:
    CommandButton(Form &form, const ControlDef &def, QWidget *parent);
    QString Caption() const;
    void setCaption(const QString &text);
    QPushButton *button() const;
    bool isDefault() const { return m_def.isDefault; }
    bool isCancel() const { return m_def.isCancel; }
    int tabIndex() const { return m_def.tabIndex; }
    // Visible, enabled, and on a shown form: it can take the focus and keys.
    bool canTakeKeys() const;

signals:
    void Click();
};

// Makes sure some face can draw the texts: the program carries Liberation Sans,
// and makes it the application's font where the system has no usable face.
void ensureFaces();

// Text without the "&" marks, as a screen reader says it.
QString withoutAccessMarks(const QString &caption);
QFont fontFor(const FontDef &font);
QColor colourFor(const Colour &colour, const QPalette &palette);

} // namespace engine
