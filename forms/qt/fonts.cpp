#include "fonts.h"

#include <QApplication>
#include <QFontDatabase>
#include <QFontMetricsF>
#include <QGuiApplication>

#include <system_error>

namespace qtport {

void ensureFaces()
{
    static bool done = false;
    if (done)
        return;
    done = true;
    // The labels' face after the layout's own; the program's copy only where
    // the system has none (the first question builds the font database, which
    // the text needs anyway).
    if (!QFontDatabase::families().contains(QStringLiteral("Liberation Sans"), Qt::CaseInsensitive)) {
        for (const char *face : {":/fonts/LiberationSans-Regular.ttf", ":/fonts/LiberationSans-Bold.ttf"})
            QFontDatabase::addApplicationFont(QString::fromLatin1(face));
    }
    // Without a face of its own the system draws every letter as a box.
    QFont font = QApplication::font();
    if (!QFontMetricsF(font).inFont(QLatin1Char('A'))) {
        font.setFamilies({QStringLiteral("Liberation Sans")});
        QApplication::setFont(font);
    }
}

FontDatabaseBuilder::FontDatabaseBuilder()
{
    // X11 draws text from any thread; elsewhere the first text builds it.
    if (QGuiApplication::platformName() != QLatin1String("xcb"))
        return;
    try {
        m_thread = std::thread([] { QFontDatabase::families(); });
    } catch (const std::system_error &) {
        // No thread to be had: the first text builds it, as elsewhere.
    }
}

FontDatabaseBuilder::~FontDatabaseBuilder()
{
    if (m_thread.joinable())
        m_thread.join();
}

QFont fontFor(const engine::FontDef &font)
{
    QFont qfont;
    if (font.face.empty())
        return qfont;
    // The face of the layout, else Liberation Sans: Arial's metric twin, and
    // close enough to MS Sans Serif in width that labels break where they were
    // meant to. Then the platform's sans face.
    const QStringList families{QString::fromStdString(font.face), QStringLiteral("Liberation Sans"),
                               QStringLiteral("Arimo"), QStringLiteral("DejaVu Sans"), QStringLiteral("Sans Serif")};
    qfont.setFamilies(families);
    qfont.setStyleHint(QFont::SansSerif);
    qfont.setPointSizeF(font.points);
    qfont.setWeight(font.weight >= 700 ? QFont::Bold : QFont::Normal);
    return qfont;
}

QFont drawingFont(const QFont &font)
{
    ensureFaces();
    static const QStringList installed = QFontDatabase::families();
    for (const QString &family : font.families()) {
        if (installed.contains(family, Qt::CaseInsensitive)) {
            QFont chosen(font);
            chosen.setFamilies({family});
            chosen.setStyleStrategy(QFont::NoFontMerging);
            return chosen;
        }
    }
    return font;
}

QColor colourFor(const engine::Colour &colour, const QPalette &palette)
{
    switch (colour.kind) {
    case engine::Colour::Rgb:
        return QColor(colour.red, colour.green, colour.blue);
    case engine::Colour::WindowBackground:
        return palette.color(QPalette::Base);
    case engine::Colour::ButtonFace:
        break;
    }
    return palette.color(QPalette::Button);
}

} // namespace qtport
