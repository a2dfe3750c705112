#include "artwork.h"

#include "colours.h"
#include "drawing.h"
#include "gamecovers.h"
#include "housestyle.h"

#include <QPainter>
#include <QPainterPath>
#include <QPen>

using namespace colours;
using drawing::Face;

namespace artwork {
namespace {

QImage canvas(int width, int height, QImage::Format format = QImage::Format_RGB32)
{
    QImage image(width, height, format);
    image.fill(format == QImage::Format_RGB32 ? Qt::white : Qt::transparent);
    // Fix the resolution so that encoders which record it always write the same value.
    image.setDotsPerMeterX(3780);
    image.setDotsPerMeterY(3780);
    return image;
}

void smooth(QPainter &p)
{
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::SmoothPixmapTransform);
}

// A sheet lying flat on the picture with a soft shadow, as a printed cover
// placed on the page.
void placedCover(QPainter &p, const gamecovers::Game &game, const QRectF &place)
{
    for (int i = 4; i >= 1; --i)
        p.fillRect(place.translated(i, i), QColor(0, 0, 0, 18));
    gamecovers::drawCover(p, game, place);
    p.setPen(QPen(QColor(150, 150, 150), 1));
    p.setBrush(Qt::NoBrush);
    p.drawRect(place.adjusted(0.5, 0.5, -0.5, -0.5));
}

// The welcome screen's design on an 800 x 600 grid: the house background
// with a greeting on the band, set well clear of the cover's right edge.
void welcomeDesign(QPainter &p)
{
    const housestyle::Layout layout = housestyle::welcomeLayout();
    housestyle::drawBackground(p, layout);
    const QPointF start(layout.cover.right() + 35, layout.band.top() + 54);
    const QPainterPath greeting =
        drawing::textAt(QStringLiteral("Welcome!"), drawing::font(Face::Sans, 52), start);
    const QPainterPath thanks =
        drawing::textAt(QStringLiteral("Thank you for choosing a %1 game").arg(housestyle::publisher),
                        drawing::font(Face::Sans, 19, false), start + QPointF(0, 27));
    p.fillPath(greeting.translated(2, 2), orangeDark);
    p.fillPath(greeting, white);
    p.fillPath(thanks.translated(1, 1), orangeDark);
    p.fillPath(thanks, white);
}

// --- the setup icon ----------------------------------------------------------

// Pixel art in the 16 standard colours: a desktop computer with a blue screen
// behind an open white-and-blue carton. One letter a pixel:
// K black, N navy, B blue, C cyan, g green, G grey, S silver, W white,
// '.' transparent.
const char *const kIconPixels[32] = {
    "................................",
    "............KKKKKKKKKKKKKKKKKKK.",
    "............KWSSSSSSSSSSSSSSSGK.",
    "............KWSGGGGGGGGGGGGGSGK.",
    "............KWSGBBBBBBBBBBBWSGK.",
    "............KWSGBCCCBBBBBBBWSGK.",
    "............KWSGBCBBBBBBBBBWSGK.",
    "........KKKKKKKKKKKKBBBBBBBWSGK.",
    "........KWWWWWWWWWWKBBBBBBBWSGK.",
    ".......KWWWWWWWWWWWKBBBBBBBWSGK.",
    ".......KWWWWWWWWWWWWKBBBBBBWSGK.",
    ".......KBBBBBBBBBBBBKWWWWWWWSGK.",
    "......KWWWWWWWWWWWWWKSSSSSSSSGK.",
    "......KWWWWWWWWWWWWWKSSSSgSSSGK.",
    "......KWWWWWWWWWWWWWKGGGGGGGGGK.",
    ".....KKKKKKKKKKKKKKKKKKKKKKKKKK.",
    "....KNNNNNNNNNNNNNKSKKSSSSSGK...",
    "...KNNNNNNNNNNNNNKSSSKKSSSSGKK..",
    "..KNNNNNNNNNNNNNKSSSSSSKKKKKKKKK",
    ".KKKKKKKKKKKKKKKSSSSSKKWWWWWWWSK",
    ".KWWWWWWWWWWWWWKBKKKKSSSSKKKKSGK",
    ".KWWWWWWWWWWWWWKBBBKSSSSSSSSSSGK",
    ".KWWWWWWWWWWWWWKBBNKSSSSSSSgSSGK",
    ".KWWWWWWWWWWWWWKBNNKGGGGGGGGGGGK",
    ".KBBBBBBBBBBBBBKNNNKKKKKKKKKKKKK",
    ".KBBBBBBBBBBBBBKNNBK............",
    ".KBBBBBBBBBBBBBKNBBK............",
    ".KWWWWWWWWWWWWWKBBK.............",
    ".KWWNNNNNWWWWWWKBK..............",
    ".KWWWWWWWWWWWWWKK...............",
    ".KWWWWWWWWWWWWWK................",
    ".KKKKKKKKKKKKKKK................",
};

QColor iconColour(char letter)
{
    switch (letter) {
    case 'K': return QColor(0, 0, 0);
    case 'N': return QColor(0, 0, 128);
    case 'B': return QColor(0, 0, 255);
    case 'C': return QColor(0, 255, 255);
    case 'g': return QColor(0, 255, 0);
    case 'G': return QColor(128, 128, 128);
    case 'S': return QColor(192, 192, 192);
    case 'W': return QColor(255, 255, 255);
    default: return QColor(Qt::transparent);
    }
}

// --- the document reader's artwork, on a 100 x 108 grid ---------------------

void readerGround(QPainter &p)
{
    const QRectF sky(0, 0, 100, 84);
    p.fillRect(sky, drawing::verticalGradient(sky, QColor(20, 60, 160), QColor(90, 160, 235)));
    QPainterPath hill;
    hill.moveTo(0, 70);
    hill.cubicTo(30, 60, 70, 62, 100, 68);
    hill.lineTo(100, 84);
    hill.lineTo(0, 84);
    hill.closeSubpath();
    p.fillPath(hill, drawing::verticalGradient(QRectF(0, 60, 1, 24), grass, field));
}

// The product name on a dark strip along the bottom.
void readerName(QPainter &p)
{
    p.fillRect(QRectF(0, 84, 100, 24), navy);
    p.fillRect(QRectF(0, 84, 100, 1.5), orange);
    p.fillPath(drawing::textFitted(QStringLiteral("READER"), drawing::font(Face::Sans, 60),
                                   QRectF(5, 88, 90, 16), true),
               white);
}

// A small abstract mark in the corner: a page with a folded corner on a tile.
void readerMark(QPainter &p)
{
    QPainterPath tile;
    tile.addRoundedRect(QRectF(4, 4, 16, 16), 3, 3);
    p.fillPath(tile, white);
    const QPolygonF page{{8, 7}, {13.5, 7}, {16.5, 10}, {16.5, 17}, {8, 17}};
    const QPolygonF fold{{13.5, 7}, {16.5, 10}, {13.5, 10}};
    p.setPen(Qt::NoPen);
    p.setBrush(orange);
    p.drawPolygon(page);
    p.setBrush(orangePale);
    p.drawPolygon(fold);
}

// A monitor on its stand with a page on the screen; at is its top-left corner.
void readerComputer(QPainter &p, QPointF at)
{
    const QColor casing(225, 225, 225), stand(200, 200, 200);
    drawing::inked(p, QRectF(at.x() + 7, at.y() + 18, 10, 4), stand, 1, ink);
    drawing::inked(p, QRectF(at.x() + 3, at.y() + 21, 18, 3), stand, 1, ink);
    QPainterPath monitor;
    monitor.addRoundedRect(QRectF(at.x(), at.y(), 24, 19), 2, 2);
    drawing::inked(p, monitor, casing, 1, ink);
    p.fillRect(QRectF(at.x() + 3, at.y() + 3, 18, 12), QColor(0, 40, 110));
    p.fillRect(QRectF(at.x() + 8, at.y() + 4.5, 8, 9), white);
    for (int line = 0; line < 3; ++line)
        p.fillRect(QRectF(at.x() + 9.5, at.y() + 6 + line * 2.4, 5, 0.9), QColor(120, 120, 120));
}

// A figure in mid-leap from one screen to the other, a sheet held high.
void readerRunner(QPainter &p)
{
    p.setPen(QPen(QColor(255, 255, 255, 170), 1.2, Qt::DotLine, Qt::RoundCap));
    p.setBrush(Qt::NoBrush);
    QPainterPath leap;
    leap.moveTo(22, 50);
    leap.cubicTo(34, 14, 66, 10, 80, 42);
    p.drawPath(leap);

    const QColor yellow(255, 210, 30);
    const auto limb = [&](QPointF from, QPointF joint, QPointF to) {
        QPainterPath path;
        path.moveTo(from);
        path.lineTo(joint);
        path.lineTo(to);
        p.strokePath(path, QPen(ink, 5.2, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        p.strokePath(path, QPen(yellow, 3.0, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    };
    const QPointF hip(47, 40), shoulder(49, 30);
    limb(hip, QPointF(38, 46), QPointF(31, 43));      // trailing leg
    limb(hip, QPointF(56, 44), QPointF(58, 52));      // leading leg
    limb(shoulder, QPointF(44, 24), QPointF(47, 17)); // arms up to the sheet
    limb(shoulder, QPointF(55, 24), QPointF(58, 18));
    limb(hip, shoulder, shoulder);                    // body
    drawing::inkedEllipse(p, QRectF(50, 22, 8, 8), yellow, 1.2, ink);

    p.save();
    p.translate(53, 11);
    p.rotate(-12);
    drawing::inked(p, QRectF(-9, -7, 18, 12), white, 1.0, ink);
    for (int line = 0; line < 3; ++line)
        p.fillRect(QRectF(-6, -4.5 + line * 3, 12, 1), QColor(150, 150, 150));
    p.restore();
}

} // namespace

QImage setupIcon()
{
    QImage image = canvas(32, 32, QImage::Format_ARGB32);
    for (int y = 0; y < 32; ++y)
        for (int x = 0; x < 32; ++x)
            image.setPixelColor(x, y, iconColour(kIconPixels[y][x]));
    return image;
}

QImage welcomeScreen()
{
    QImage image = canvas(800, 600);
    QPainter p(&image);
    smooth(p);
    welcomeDesign(p);
    return image;
}

QImage welcomeBackdrop()
{
    // The welcome screen's design at 640 x 480, with another of the
    // publisher's games in the place where the game cover will stand.
    QImage image = canvas(640, 480);
    QPainter p(&image);
    smooth(p);
    p.scale(640.0 / 800.0, 480.0 / 600.0);
    welcomeDesign(p);
    placedCover(p, gamecovers::lighthouseLarks(), housestyle::welcomeLayout().cover);
    return image;
}

QImage gameCover()
{
    QImage image = canvas(int(gamecovers::kWidth), int(gamecovers::kHeight));
    QPainter p(&image);
    smooth(p);
    const QRectF whole(0, 0, gamecovers::kWidth, gamecovers::kHeight);
    gamecovers::drawCover(p, gamecovers::trenchmoor(), whole);
    // A thin edge, so that the white cover stands out on a white screen.
    p.setPen(QPen(ruleGrey, 1));
    p.setBrush(Qt::NoBrush);
    p.drawRect(whole.adjusted(0.5, 0.5, -0.5, -0.5));
    return image;
}

QImage productRange()
{
    QImage image = canvas(800, 600);
    QPainter p(&image);
    smooth(p);
    const housestyle::Layout layout = housestyle::rangeLayout();
    housestyle::drawBackground(p, layout);

    const QPainterPath site = drawing::textFitted(housestyle::webSite, drawing::font(Face::Sans, 120),
                                                  QRectF(36, 34, 640, 66));
    p.fillPath(site, navy);

    const QStringList invitation = {
        QStringLiteral("Visit our web site for the latest product news,"),
        QStringLiteral("friendly technical support for all our games"),
        QStringLiteral("and free playable give-aways to download!"),
    };
    const QFont bandFont = drawing::font(Face::Sans, 27);
    const qreal lineHeight = 34;
    const qreal firstBaseline = layout.band.center().y() - lineHeight + 9;
    for (int i = 0; i < invitation.size(); ++i) {
        const QPainterPath line = drawing::textAt(
            invitation[i], bandFont, QPointF(400, firstBaseline + i * lineHeight), Qt::AlignHCenter);
        p.fillPath(line.translated(1.5, 1.5), orangeDark);
        p.fillPath(line, white);
    }

    // Five boxes standing along the bottom, each with its name above it.
    const QList<gamecovers::Game> games = gamecovers::range();
    const qreal slot = 136, boxWidth = 98, boxHeight = boxWidth * gamecovers::kHeight / gamecovers::kWidth;
    const qreal floor = 500;
    const QFont nameFont = drawing::font(Face::Sans, 15);
    for (int i = 0; i < games.size(); ++i) {
        const qreal centre = 24 + slot * (i + 0.5);
        const QRectF front(centre - boxWidth / 2 - 6, floor - boxHeight, boxWidth, boxHeight);
        gamecovers::drawBox(p, games[i], front);
        p.fillPath(drawing::textAt(games[i].name, nameFont, QPointF(centre, floor - boxHeight - 30),
                                   Qt::AlignHCenter),
                   navy);
    }
    return image;
}

QImage readerArtwork()
{
    QImage image = canvas(100, 108);
    QPainter p(&image);
    smooth(p);
    readerGround(p);
    readerName(p);
    readerMark(p);
    readerComputer(p, QPointF(5, 52));
    readerComputer(p, QPointF(71, 44));
    readerRunner(p);
    return image;
}

} // namespace artwork
