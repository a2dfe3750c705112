// Box covers of the publisher's games: the front of each box, and the box
// itself as it stands in the product range.
#pragma once

#include <QColor>
#include <QList>
#include <QPainter>
#include <QRectF>
#include <QString>

namespace gamecovers {

// Every cover is drawn on a 252 x 308 grid: title on white at the top, a strip
// of cartoon artwork from the game, and a plain white lower part.
inline constexpr qreal kWidth = 252;
inline constexpr qreal kHeight = 308;

struct Game
{
    QString name;       // as written beside the box, "Cobble Kart"
    QString tagline;    // under the title on the cover
    QColor titleTop;    // the title's colour fades from top to bottom
    QColor titleBottom;
    QColor spine;       // colour of the box's side
    void (*scene)(QPainter &p); // draws the strip on a 252 x 146 grid
};

const Game &trenchmoor();
const Game &lighthouseLarks();

// The five games of the range, Trenchmoor first.
QList<Game> range();

// The cover, scaled to fill target.
void drawCover(QPainter &p, const Game &game, const QRectF &target);

// The box standing upright, seen slightly from the right: the cover on its
// front, the spine on the right and the top, and a soft shadow at its foot.
void drawBox(QPainter &p, const Game &game, const QRectF &front);

} // namespace gamecovers
