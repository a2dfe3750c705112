// The publisher's house style, shared by the welcome screen, its backdrop and
// the product range screen: a white field crossed by a broad orange band with
// thin grey rules under it, the publisher's logo, and its name in large pale
// letters running down the right edge.
#pragma once

#include <QPainter>
#include <QRectF>
#include <QString>

namespace housestyle {

inline const QString publisher = QStringLiteral("Quillfen");
inline const QString publisherTag = QStringLiteral("INTERACTIVE");
inline const QString webSite = QStringLiteral("www.quillfen.example");

struct Layout
{
    QSizeF size;
    QRectF band;          // the orange band
    qreal bandSlant = 0;  // how far the band's top-left corner leans right
    QRectF lettering;     // the column of pale letters down the right edge
    QRectF logo;          // where the logo goes; empty for none
    QRectF cover;         // where the launcher lays the game cover; empty for none
};

// The welcome screen at 800x600. The launcher stretches the picture to the
// whole screen and lays the game cover over its upper left, stretched in the
// same proportion, so that place stays free of anything that must be read.
// The band runs behind the cover and carries the greeting to its right; the
// logo stands in the lower left, under the cover.
Layout welcomeLayout();

// The product range screen at 800x600: a full-width band, lettering and logo
// clear of the lower-right corner where the Finish button stands.
Layout rangeLayout();

void drawBackground(QPainter &p, const Layout &layout);

// The logo: a dark blue disc with an orange quill, and the name beside it.
void drawLogo(QPainter &p, const QRectF &box);

// The disc with the quill alone, for small marks on game boxes.
void drawEmblem(QPainter &p, const QRectF &box);

} // namespace housestyle
