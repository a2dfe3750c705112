#include "controls.h"

#include "fonts.h"
#include "pictures.h"

#include "forms/core/errors.h"
#include "forms/core/keys.h"
#include "forms/core/labellayout.h"

#include <cmath>

namespace gtkport {

using namespace engine;

// --- a widget the port paints --------------------------------------------------

// No window of its own, and exactly the size it is given: the layout places it.
struct EnginePainted {
    GtkWidget parent;
    PaintedPeer *peer;
    int width, height;
};
struct EnginePaintedClass {
    GtkWidgetClass parent;
};

G_DEFINE_TYPE(EnginePainted, engine_painted, GTK_TYPE_WIDGET)

static gboolean engine_painted_draw(GtkWidget *widget, cairo_t *cr)
{
    auto *self = reinterpret_cast<EnginePainted *>(widget);
    if (self->peer)
        engine::guarded([&] { self->peer->paint(cr, self->width, self->height); });
    return FALSE;
}

static void engine_painted_width(GtkWidget *widget, int *minimum, int *natural)
{
    *minimum = *natural = reinterpret_cast<EnginePainted *>(widget)->width;
}

static void engine_painted_height(GtkWidget *widget, int *minimum, int *natural)
{
    *minimum = *natural = reinterpret_cast<EnginePainted *>(widget)->height;
}

static void engine_painted_class_init(EnginePaintedClass *type)
{
    auto *widget = GTK_WIDGET_CLASS(type);
    widget->draw = engine_painted_draw;
    widget->get_preferred_width = engine_painted_width;
    widget->get_preferred_height = engine_painted_height;
}

static void engine_painted_init(EnginePainted *self)
{
    gtk_widget_set_has_window(GTK_WIDGET(self), FALSE);
    self->peer = nullptr;
    self->width = self->height = 0;
}

GdkRGBA colourOf(const Colour &colour, GtkWidget *widget)
{
    if (colour.kind == Colour::Rgb)
        return GdkRGBA{colour.red / 255.0, colour.green / 255.0, colour.blue / 255.0, 1.0};
    // The theme's colours where it names them, else those of Windows.
    const bool window = colour.kind == Colour::WindowBackground;
    GdkRGBA rgba = window ? GdkRGBA{1, 1, 1, 1} : GdkRGBA{240 / 255.0, 240 / 255.0, 240 / 255.0, 1};
    if (widget) {
        GdkRGBA themed;
        if (gtk_style_context_lookup_color(gtk_widget_get_style_context(widget),
                                           window ? "theme_base_color" : "theme_bg_color", &themed))
            rgba = themed;
    }
    return rgba;
}

PaintedPeer::PaintedPeer(FormWindow &window, const ControlDef &def) : m_window(window), m_def(def)
{
    m_widget = GTK_WIDGET(g_object_new(engine_painted_get_type(), nullptr));
    reinterpret_cast<EnginePainted *>(m_widget)->peer = this;
    gtk_widget_set_name(m_widget, def.name.c_str());
    gtk_layout_put(GTK_LAYOUT(window.area()), m_widget, 0, 0);
}

PaintedPeer::~PaintedPeer()
{
    // The widget goes with its window, once the handler that unloaded the
    // form has returned to the event loop; it paints nothing more.
    reinterpret_cast<EnginePainted *>(m_widget)->peer = nullptr;
}

void PaintedPeer::setGeometry(const PixelRect &rect)
{
    auto *self = reinterpret_cast<EnginePainted *>(m_widget);
    self->width = std::max(0, rect.width);
    self->height = std::max(0, rect.height);
    gtk_layout_move(GTK_LAYOUT(m_window.area()), m_widget, rect.x, rect.y);
    gtk_widget_queue_resize(m_widget);
}

void PaintedPeer::setVisible(bool visible)
{
    gtk_widget_set_visible(m_widget, visible);
}

namespace {

// An Image control: its picture scaled to the control's size (Stretch), or
// drawn at its own size. The scaled copy is made once per size, in device
// pixels straight from the picture, so it stays sharp on a scaled screen.
class ImagePeer : public PaintedPeer {
public:
    ImagePeer(FormWindow &window, const ControlDef &def)
        : PaintedPeer(window, def), m_picture(decodePicture(def.picture.resource, def.picture.description))
    {
        AtkObject *accessible = gtk_widget_get_accessible(m_widget);
        atk_object_set_role(accessible, ATK_ROLE_IMAGE);
        atk_object_set_name(accessible, def.picture.description.c_str());
    }
    ~ImagePeer() override
    {
        if (m_scaled)
            cairo_surface_destroy(m_scaled);
    }
    void paint(cairo_t *cr, int width, int height) override
    {
        if (width <= 0 || height <= 0)
            return;
        if (!m_def.stretch) {
            cairo_rectangle(cr, 0, 0, width, height);
            cairo_clip(cr);
            cairo_set_source_surface(cr, m_picture.surface, 0, 0);
            cairo_paint(cr);
            return;
        }
        const int scale = gtk_widget_get_scale_factor(m_widget);
        if (!m_scaled || m_width != width || m_height != height || m_scale != scale)
            makeScaled(width, height, scale);
        cairo_set_source_surface(cr, m_scaled, 0, 0);
        cairo_paint(cr);
    }

private:
    void makeScaled(int width, int height, int scale)
    {
        if (m_scaled)
            cairo_surface_destroy(m_scaled);
        m_scaled = cairo_image_surface_create(m_picture.hasAlpha ? CAIRO_FORMAT_ARGB32 : CAIRO_FORMAT_RGB24,
                                              width * scale, height * scale);
        cairo_surface_set_device_scale(m_scaled, scale, scale);
        m_width = width;
        m_height = height;
        m_scale = scale;
        cairo_t *to = cairo_create(m_scaled);
        cairo_scale(to, double(width) / m_picture.width, double(height) / m_picture.height);
        cairo_set_source_surface(to, m_picture.surface, 0, 0);
        cairo_pattern_set_filter(cairo_get_source(to), CAIRO_FILTER_GOOD);
        // The edges take the picture's own edge pixels, not a fade to nothing.
        cairo_pattern_set_extend(cairo_get_source(to), CAIRO_EXTEND_PAD);
        cairo_set_operator(to, CAIRO_OPERATOR_SOURCE);
        cairo_paint(to);
        cairo_destroy(to);
    }

    const Picture &m_picture;
    cairo_surface_t *m_scaled = nullptr;
    int m_width = 0, m_height = 0, m_scale = 0;
};

// A Label control: left-aligned lines broken at blanks, runs of blanks kept,
// cut off at the bottom; transparent or filled with its back colour. Its
// caption is its name for screen readers.
class LabelPeer : public PaintedPeer {
public:
    LabelPeer(FormWindow &window, Label &label)
        : PaintedPeer(window, label.definition()), m_caption(label.Caption()), m_font(fontFor(m_def.font))
    {
        AtkObject *accessible = gtk_widget_get_accessible(m_widget);
        atk_object_set_role(accessible, ATK_ROLE_LABEL);
        atk_object_set_name(accessible, m_caption.c_str());
    }
    ~LabelPeer() override { pango_font_description_free(m_font); }
    void setCaption(const std::string &text) override
    {
        m_caption = text;
        m_laidOutWidth = -1;
        atk_object_set_name(gtk_widget_get_accessible(m_widget), m_caption.c_str());
        gtk_widget_queue_draw(m_widget);
    }
    void paint(cairo_t *cr, int width, int height) override
    {
        if (m_def.backStyle == BackStyle::Opaque) {
            const GdkRGBA back = colourOf(m_def.backColor, m_widget);
            gdk_cairo_set_source_rgba(cr, &back);
            cairo_rectangle(cr, 0, 0, width, height);
            cairo_fill(cr);
        }
        cairo_rectangle(cr, 0, 0, width, height);
        cairo_clip(cr);
        PangoLayout *layout = gtk_widget_create_pango_layout(m_widget, nullptr);
        pango_layout_set_font_description(layout, m_font);
        if (m_laidOutWidth != width) {
            m_lines = layoutLabelLines(
                m_caption,
                [layout](const std::string &piece) {
                    pango_layout_set_text(layout, piece.c_str(), int(piece.size()));
                    PangoRectangle logical;
                    pango_layout_get_extents(layout, nullptr, &logical);
                    return double(logical.width) / PANGO_SCALE;
                },
                width);
            m_laidOutWidth = width;
        }
        PangoFontMetrics *metrics = pango_context_get_metrics(pango_layout_get_context(layout), m_font, nullptr);
        const int ascent = pango_font_metrics_get_ascent(metrics), descent = pango_font_metrics_get_descent(metrics);
        int spacing = pango_font_metrics_get_height(metrics);
        if (spacing <= 0)
            spacing = ascent + descent;
        pango_font_metrics_unref(metrics);
        const GdkRGBA fore = colourOf(m_def.foreColor, m_widget);
        gdk_cairo_set_source_rgba(cr, &fore);
        // Baseline to baseline the face's line spacing; the first line's
        // baseline one ascent below the top.
        double baseline = double(ascent) / PANGO_SCALE;
        for (const std::string &line : m_lines) {
            if (baseline - double(ascent) / PANGO_SCALE >= height)
                break;
            pango_layout_set_text(layout, line.c_str(), int(line.size()));
            cairo_move_to(cr, 0, baseline - double(pango_layout_get_baseline(layout)) / PANGO_SCALE);
            pango_cairo_show_layout(cr, layout);
            baseline += double(spacing) / PANGO_SCALE;
        }
        g_object_unref(layout);
    }

private:
    std::string m_caption;
    PangoFontDescription *m_font;
    std::vector<std::string> m_lines;
    int m_laidOutWidth = -1;
};

// The caption without its "&" marks, with the marked letter underlined from
// the start (GTK would show it only while Alt is held).
void setButtonCaption(GtkWidget *label, const std::string &caption)
{
    std::string text;
    int underlined = -1;
    for (std::size_t i = 0; i < caption.size(); ++i) {
        if (caption[i] == '&' && i + 1 < caption.size()) {
            ++i;
            if (caption[i] != '&' && underlined < 0)
                underlined = int(text.size());
        }
        text += caption[i];
    }
    gtk_label_set_text(GTK_LABEL(label), text.c_str());
    PangoAttrList *attributes = pango_attr_list_new();
    if (underlined >= 0) {
        PangoAttribute *line = pango_attr_underline_new(PANGO_UNDERLINE_SINGLE);
        line->start_index = guint(underlined);
        line->end_index = guint(g_utf8_next_char(text.c_str() + underlined) - text.c_str());
        pango_attr_list_insert(attributes, line);
    }
    gtk_label_set_attributes(GTK_LABEL(label), attributes);
    pango_attr_list_unref(attributes);
}

} // namespace

// --- buttons --------------------------------------------------------------------

ButtonPeer::ButtonPeer(FormWindow &window, CommandButton &button) : m_window(window), m_button(button)
{
    const ControlDef &def = button.definition();
    m_widget = gtk_button_new();
    m_label = gtk_label_new(nullptr);
    gtk_widget_show(m_label);
    gtk_container_add(GTK_CONTAINER(m_widget), m_label);
    gtk_widget_set_name(m_widget, def.name.c_str());
    gtk_style_context_add_class(gtk_widget_get_style_context(m_widget), "engine");
    setCaption(button.Caption());
    if (!def.toolTipText.empty())
        gtk_widget_set_tooltip_text(m_widget, def.toolTipText.c_str());
    g_signal_connect(m_widget, "clicked", G_CALLBACK(onClicked), this);
    gtk_layout_put(GTK_LAYOUT(window.area()), m_widget, 0, 0);
}

ButtonPeer::~ButtonPeer()
{
    // The widget goes with its window; a click that comes late reaches nobody.
    g_signal_handlers_disconnect_by_data(m_widget, this);
}

void ButtonPeer::onClicked(GtkButton *, ButtonPeer *self)
{
    // The handler may unload the form: nothing of it is used after.
    self->m_button.clicked();
}

void ButtonPeer::setGeometry(const PixelRect &r)
{
    gtk_widget_set_size_request(m_widget, std::max(1, r.width), std::max(1, r.height));
    gtk_layout_move(GTK_LAYOUT(m_window.area()), m_widget, r.x, r.y);
}

void ButtonPeer::setVisible(bool visible)
{
    gtk_widget_set_visible(m_widget, visible);
}

void ButtonPeer::setCaption(const std::string &text)
{
    setButtonCaption(m_label, text);
}

bool ButtonPeer::isShown() const
{
    return gtk_widget_is_visible(m_widget) && gtk_widget_is_sensitive(m_widget);
}

bool ButtonPeer::hasFocus() const
{
    return gtk_window_get_focus(GTK_WINDOW(m_window.window())) == m_widget;
}

void ButtonPeer::setFocus(bool)
{
    gtk_widget_grab_focus(m_widget);
}

void ButtonPeer::click()
{
    gtk_button_clicked(GTK_BUTTON(m_widget));
}

std::unique_ptr<ControlPeer> createControlPeer(FormWindow &window, Control &control)
{
    switch (control.definition().kind) {
    case ControlKind::Image:
        return std::make_unique<ImagePeer>(window, control.definition());
    case ControlKind::Label:
        return std::make_unique<LabelPeer>(window, static_cast<Label &>(control));
    case ControlKind::CommandButton:
        return std::make_unique<ButtonPeer>(window, static_cast<CommandButton &>(control));
    }
    return nullptr;
}

} // namespace gtkport
