#include "controls.h"

#include "form.h"
#include "labellayout.h"
#include "picture.h"
#include "screen.h"

#include <QAccessibleWidget>
#include <QApplication>
#include <QFontDatabase>
#include <QFontMetricsF>
#include <QLabel>
#include <QPaintEvent>
#include <QPainter>
#include <QPushButton>

namespace engine {

QString withoutAccessMarks(const QString &caption)
{
    QString text;
    for (int i = 0; i < caption.size(); ++i) {
        if (caption.at(i) == QLatin1Char('&') && i + 1 < caption.size())
            ++i; // "&&" stands for one "&"; "&Y" for "Y"
        text += caption.at(i);
    }
    return text;
}

void ensureFaces()
{
    static bool done = false;
    if (done)
        return;
    done = true;
    for (const char *face : {":/fonts/LiberationSans-Regular.ttf", ":/fonts/LiberationSans-Bold.ttf"})
        QFontDatabase::addApplicationFont(QString::fromLatin1(face));
    // Without a face of its own the system draws every letter as a box.
    QFont font = QApplication::font();
    if (!QFontMetricsF(font).inFont(QLatin1Char('A'))) {
        font.setFamilies({QStringLiteral("Liberation Sans")});
        QApplication::setFont(font);
    }
}

QFont fontFor(const FontDef &font)
{
    QFont qfont;
    if (font.face.isEmpty())
        return qfont;
    // The face of the layout, else Liberation Sans: Arial's metric twin, and
    // close enough to MS Sans Serif in width that labels break where they were
    // meant to. Then the platform's sans face.
    const QStringList families{font.face, QStringLiteral("Liberation Sans"), QStringLiteral("Arimo"),
                               QStringLiteral("DejaVu Sans"), QStringLiteral("Sans Serif")};
    qfont.setFamilies(families);
    qfont.setStyleHint(QFont::SansSerif);
    qfont.setPointSizeF(font.points);
    qfont.setWeight(font.weight >= 700 ? QFont::Bold : QFont::Normal);
    return qfont;
}

QColor colourFor(const Colour &colour, const QPalette &palette)
{
    switch (colour.kind) {
    case Colour::Rgb:
        return QColor(colour.red, colour.green, colour.blue);
    case Colour::WindowBackground:
        return palette.color(QPalette::Base);
    case Colour::ButtonFace:
        break;
    }
    return palette.color(QPalette::Button);
}

namespace {

// Screen readers call an Image control a graphic and say its description.
QAccessibleInterface *imageAccessible(const QString &className, QObject *object)
{
    auto *widget = qobject_cast<QWidget *>(object);
    if (className == QLatin1String("QLabel") && widget && widget->property("engineImage").toBool())
        return new QAccessibleWidget(widget, QAccessible::Graphic, widget->accessibleName());
    return nullptr;
}

// An Image control: its picture scaled to the control's size (Stretch), or drawn
// at its own size. The scaled copy is made once per size, not on every paint.
class ImageWidget : public QLabel {
public:
    ImageWidget(const ControlDef &def, QWidget *parent)
        : QLabel(parent), m_picture(decodePicture(def.picture.resource, def.picture.description)),
          m_stretch(def.stretch)
    {
        static const bool factoryInstalled = (QAccessible::installFactory(imageAccessible), true);
        Q_UNUSED(factoryInstalled);
        setProperty("engineImage", true);
        setAccessibleName(def.picture.description);
        if (!m_picture.hasAlphaChannel())
            setAttribute(Qt::WA_OpaquePaintEvent);
    }

protected:
    void paintEvent(QPaintEvent *) override
    {
        QPainter painter(this);
        if (!m_stretch) {
            painter.drawImage(0, 0, m_picture);
            return;
        }
        const qreal ratio = devicePixelRatioF();
        const QSize device = size() * ratio;
        if (m_scaled.size() != device) {
            m_scaled = QPixmap::fromImage(
                m_picture.scaled(device, Qt::IgnoreAspectRatio, Qt::SmoothTransformation));
            m_scaled.setDevicePixelRatio(ratio);
        }
        painter.drawPixmap(0, 0, m_scaled);
    }

private:
    const QImage m_picture; // shares the decoded pixels
    bool m_stretch;
    QPixmap m_scaled;
};

// A Label control: left-aligned lines broken at blanks, runs of blanks kept,
// cut off at the bottom; transparent or filled with its back colour.
class LabelWidget : public QLabel {
public:
    LabelWidget(const ControlDef &def, QWidget *parent) : QLabel(parent), m_def(def)
    {
        setFont(fontFor(def.font));
        setTextFormat(Qt::PlainText);
        setText(def.caption);
        if (def.backStyle == BackStyle::Opaque)
            setAttribute(Qt::WA_OpaquePaintEvent);
    }

protected:
    void paintEvent(QPaintEvent *) override
    {
        QPainter painter(this);
        if (m_def.backStyle == BackStyle::Opaque)
            painter.fillRect(rect(), colourFor(m_def.backColor, palette()));
        if (m_laidOutText != text() || m_laidOutWidth != width()) {
            m_lines = layoutLabelLines(text(), QFontMetricsF(font()), width());
            m_laidOutText = text();
            m_laidOutWidth = width();
        }
        const QFontMetricsF metrics(font());
        painter.setFont(font());
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
    const ControlDef &m_def;
    QStringList m_lines;
    QString m_laidOutText;
    int m_laidOutWidth = -1;
};

} // namespace

Control::Control(Form &form, const ControlDef &def, QWidget *widget)
    : QObject(widget), m_form(form), m_def(def), m_widget(widget), m_left(def.left), m_top(def.top),
      m_width(def.width), m_height(def.height), m_visible(def.visible)
{
    widget->setObjectName(def.name);
    // Placed before it is shown: a widget shown unplaced is first sized to its
    // contents, and that loads the fonts long before anything is drawn.
    place();
    widget->setVisible(def.visible);
}

void Control::place()
{
    if (!m_widget)
        return;
    const int x = toPixelsX(m_left), y = toPixelsY(m_top);
    m_widget->setGeometry(x, y, toPixelsX(double(m_left) + m_width) - x, toPixelsY(double(m_top) + m_height) - y);
}

void Control::setLeft(Single value) { m_left = value; place(); }
void Control::setTop(Single value) { m_top = value; place(); }
void Control::setWidth(Single value) { m_width = value; place(); }
void Control::setHeight(Single value) { m_height = value; place(); }

void Control::setVisible(Boolean value)
{
    m_visible = value != False;
    if (m_widget)
        m_widget->setVisible(m_visible);
}

Image::Image(Form &form, const ControlDef &def, QWidget *parent)
    : Control(form, def, new ImageWidget(def, parent))
{
}

Label::Label(Form &form, const ControlDef &def, QWidget *parent)
    : Control(form, def, new LabelWidget(def, parent))
{
}

QString Label::Caption() const
{
    return static_cast<QLabel *>(m_widget.data())->text();
}

void Label::setCaption(const QString &text)
{
    auto *label = static_cast<QLabel *>(m_widget.data());
    label->setText(text);
    label->update();
}

CommandButton::CommandButton(Form &form, const ControlDef &def, QWidget *parent)
    : Control(form, def, new QPushButton(parent))
{
    QPushButton *push = button();
    push->setAutoDefault(false);
    push->setFocusPolicy(Qt::StrongFocus);
    setCaption(def.caption);
    if (!def.toolTipText.isEmpty())
        push->setToolTip(def.toolTipText);
    connect(push, &QPushButton::clicked, this, [this] {
        // A click that arrives after the form was unloaded belongs to no one.
        if (m_form.isLoaded() && m_visible)
            emit Click();
    });
}

QPushButton *CommandButton::button() const
{
    return static_cast<QPushButton *>(m_widget.data());
}

QString CommandButton::Caption() const
{
    return button()->text();
}

void CommandButton::setCaption(const QString &text)
{
    button()->setText(text);
    // The form answers access keys itself, at once and only for usable buttons.
    button()->setShortcut(QKeySequence());
}

bool CommandButton::canTakeKeys() const
{
    return m_widget && m_visible && m_widget->isEnabled() && m_widget->isVisible();
}

} // namespace engine
