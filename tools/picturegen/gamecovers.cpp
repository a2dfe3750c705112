#include "gamecovers.h"

#include "colours.h"
#include "drawing.h"
#include "housestyle.h"

#include <QLinearGradient>
#include <QPainterPath>
#include <QPen>
#include <QRadialGradient>
#include <QTransform>

#include <cmath>

using namespace colours;
using drawing::Face;
using drawing::inked;
using drawing::inkedEllipse;
using drawing::verticalGradient;

namespace gamecovers {
namespace {

constexpr qreal kInk = 2.2;                    // outline width of the cartoons
constexpr QRectF kTitleBox{10, 10, 232, 60};
constexpr QRectF kStrip{0, 92, 252, 146};

const QColor sun{255, 214, 64};
const QColor wood{130, 85, 40};
const QColor sandLight{225, 192, 140};

QPainterPath roundedRect(const QRectF &r, qreal radius)
{
    QPainterPath path;
    path.addRoundedRect(r, radius, radius);
    return path;
}

void skyBackground(QPainter &p, const QColor &top, const QColor &bottom)
{
    const QRectF all(0, 0, kStrip.width(), kStrip.height());
    p.fillRect(all, verticalGradient(all, top, bottom));
}

void cloud(QPainter &p, QPointF at, qreal scale)
{
    QPainterPath puff;
    const QPointF centres[] = {{-14, 3}, {0, -3}, {16, 3}};
    const QSizeF radii[] = {{13, 9}, {15, 12}, {12, 8}};
    for (int i = 0; i < 3; ++i) {
        QPainterPath ball;
        ball.addEllipse(at + centres[i] * scale, radii[i].width() * scale, radii[i].height() * scale);
        puff = puff.united(ball);
    }
    inked(p, puff, white, kInk * 0.7, ink);
}

// A rolling line of land from left to right, filled down to the strip's foot.
QPainterPath land(qreal y0, qreal c1x, qreal c1y, qreal c2x, qreal c2y, qreal y1)
{
    QPainterPath path;
    path.moveTo(-4, y0);
    path.cubicTo(c1x, c1y, c2x, c2y, kStrip.width() + 4, y1);
    path.lineTo(kStrip.width() + 4, kStrip.height() + 4);
    path.lineTo(-4, kStrip.height() + 4);
    path.closeSubpath();
    return path;
}

void barbedWire(QPainter &p, QPointF from, QPointF to)
{
    for (const QPointF &post : {from, to})
        inked(p, QRectF(post.x() - 2, post.y() - 20, 4, 22), wood, 1.2, ink);
    p.save();
    p.setPen(QPen(ink, 1.0));
    p.setBrush(Qt::NoBrush);
    const int coils = int(QLineF(from, to).length() / 6);
    for (int i = 0; i <= coils; ++i) {
        const QPointF c = from + (to - from) * (qreal(i) / coils) + QPointF(0, -12);
        p.drawEllipse(c, 3.5, 6.0);
        p.drawLine(c + QPointF(-1.5, -7.5), c + QPointF(1.5, -4.5));
    }
    p.restore();
}

void sandbag(QPainter &p, const QRectF &r)
{
    inked(p, roundedRect(r, r.height() * 0.45), verticalGradient(r, sandLight, sand), kInk, ink);
    // The tied end of the sack.
    p.save();
    p.setPen(QPen(mud, 1.2, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(r.right() - 7, r.top() + 4), QPointF(r.right() - 8, r.bottom() - 4));
    p.restore();
}

void sandbagWall(QPainter &p, qreal top)
{
    const qreal w = 42, h = 19;
    for (int row = 0; row < 3; ++row) {
        const qreal y = top + row * (h - 3);
        const qreal shift = (row % 2) ? -w / 2 : -6;
        for (qreal x = shift; x < kStrip.width() + 4; x += w - 2)
            sandbag(p, QRectF(x, y, w, h));
    }
}

// The hero, a cheerful soldier peering out over the parapet.
void soldierBehind(QPainter &p, qreal cx)
{
    inked(p, roundedRect(QRectF(cx - 31, 94, 62, 60), 16), khaki, kInk, ink);
    p.save();
    p.setPen(QPen(ink, 1.4, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(cx - 12, 96), QPointF(cx, 108));
    p.drawLine(QPointF(cx + 12, 96), QPointF(cx, 108));
    p.restore();

    inkedEllipse(p, QRectF(cx - 27, 68, 10, 13), skin, kInk * 0.8, ink);
    inkedEllipse(p, QRectF(cx + 17, 68, 10, 13), skin, kInk * 0.8, ink);
    inkedEllipse(p, QRectF(cx - 22, 52, 44, 44), skin, kInk, ink);

    // Eyes glancing to the right, rosy cheeks, a wide grin.
    for (qreal ex : {cx - 9.0, cx + 7.0}) {
        inkedEllipse(p, QRectF(ex - 5, 68, 10, 13), white, 1.3, ink);
        p.setPen(Qt::NoPen);
        p.setBrush(ink);
        p.drawEllipse(QPointF(ex + 2, 75.5), 2.6, 3.2);
    }
    p.setBrush(QColor(250, 170, 150));
    p.drawEllipse(QPointF(cx - 14, 87), 4.5, 3);
    p.drawEllipse(QPointF(cx + 14, 87), 4.5, 3);
    inkedEllipse(p, QRectF(cx - 5, 79, 11, 9), skinShade, 1.3, ink);
    p.save();
    p.setPen(QPen(ink, 1.6, Qt::SolidLine, Qt::RoundCap));
    p.setBrush(Qt::NoBrush);
    p.drawArc(QRectF(cx - 8, 82, 16, 9), 200 * 16, 140 * 16);
    // Chin strap.
    p.setPen(QPen(mudDark, 1.6));
    p.drawLine(QPointF(cx - 20, 66), QPointF(cx - 12, 91));
    p.drawLine(QPointF(cx + 20, 66), QPointF(cx + 12, 91));
    p.restore();

    // The tin hat: a shallow dome on a broad brim.
    QPainterPath dome;
    dome.moveTo(cx - 24, 62);
    dome.cubicTo(cx - 24, 33, cx + 24, 33, cx + 24, 62);
    dome.closeSubpath();
    inked(p, dome, verticalGradient(QRectF(cx, 38, 1, 24), QColor(130, 160, 90), khaki), kInk, ink);
    inkedEllipse(p, QRectF(cx - 38, 57, 76, 11), khaki, kInk, ink);
    p.save();
    p.setPen(QPen(QColor(170, 200, 130), 2.2, Qt::SolidLine, Qt::RoundCap));
    p.drawArc(QRectF(cx - 16, 40, 22, 20), 100 * 16, 60 * 16);
    p.restore();
}

void soldierArms(QPainter &p, qreal cx, qreal parapet)
{
    for (int side : {-1, 1}) {
        const QRectF sleeve(side < 0 ? cx - 58 : cx + 22, parapet - 8, 36, 15);
        inked(p, roundedRect(sleeve, 7), khaki, kInk, ink);
        const QPointF hand(side < 0 ? sleeve.left() : sleeve.right(), parapet);
        inkedEllipse(p, QRectF(hand.x() - 7, hand.y() - 7, 14, 13), skin, kInk * 0.8, ink);
    }
}

// Only the hat and the eyes of a comrade show over the sandbags.
void peekingComrade(QPainter &p, qreal cx, qreal parapet)
{
    inkedEllipse(p, QRectF(cx - 15, parapet - 22, 30, 30), skin, kInk, ink);
    for (qreal ex : {cx - 6.0, cx + 5.0}) {
        inkedEllipse(p, QRectF(ex - 4, parapet - 10, 8, 10), white, 1.1, ink);
        p.setPen(Qt::NoPen);
        p.setBrush(ink);
        p.drawEllipse(QPointF(ex - 1.5, parapet - 4.5), 2, 2.4);
    }
    QPainterPath dome;
    dome.moveTo(cx - 17, parapet - 14);
    dome.cubicTo(cx - 17, parapet - 34, cx + 17, parapet - 34, cx + 17, parapet - 14);
    dome.closeSubpath();
    inked(p, dome, khaki, kInk, ink);
    inkedEllipse(p, QRectF(cx - 26, parapet - 18, 52, 8), khaki, kInk, ink);
}

void pennant(QPainter &p, QPointF foot, qreal height)
{
    p.save();
    p.setPen(QPen(wood, 2.6, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(foot, foot - QPointF(0, height));
    p.restore();
    QPainterPath flag;
    flag.moveTo(foot - QPointF(0, height - 2));
    flag.lineTo(foot + QPointF(26, -height + 10));
    flag.lineTo(foot - QPointF(0, height - 18));
    flag.closeSubpath();
    inked(p, flag, orange, kInk * 0.8, ink);
}

void trenchmoorScene(QPainter &p)
{
    skyBackground(p, sky, skyPale);
    inkedEllipse(p, QRectF(196, 10, 32, 32), sun, kInk, ink);
    cloud(p, QPointF(46, 24), 1.0);
    cloud(p, QPointF(150, 16), 0.7);
    inked(p, land(72, 50, 54, 120, 84, 62), grass, kInk, ink);
    inked(p, land(90, 70, 80, 170, 98, 86), verticalGradient(QRectF(0, 84, 1, 60), QColor(170, 120, 65), mud), kInk, ink);
    inkedEllipse(p, QRectF(14, 100, 36, 7), skyLight, 1.2, ink);
    inkedEllipse(p, QRectF(176, 103, 42, 8), skyLight, 1.2, ink);
    barbedWire(p, QPointF(10, 96), QPointF(64, 93));
    barbedWire(p, QPointF(176, 95), QPointF(240, 92));

    const qreal hero = 128, parapet = 112;
    soldierBehind(p, hero);
    peekingComrade(p, 34, parapet);
    pennant(p, QPointF(222, parapet + 2), 56);
    sandbagWall(p, parapet);
    soldierArms(p, hero, parapet);
}

void lighthouseScene(QPainter &p)
{
    skyBackground(p, QColor(255, 208, 160), QColor(255, 240, 224));
    inkedEllipse(p, QRectF(20, 12, 30, 30), sun, kInk, ink);
    cloud(p, QPointF(110, 26), 0.8);

    // Beams of the lamp, drawn first so that the tower stands in front.
    p.save();
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(255, 250, 180, 150));
    QPainterPath beams;
    beams.moveTo(190, 38);
    beams.lineTo(252, 18);
    beams.lineTo(252, 52);
    beams.closeSubpath();
    beams.moveTo(190, 38);
    beams.lineTo(130, 22);
    beams.lineTo(134, 50);
    beams.closeSubpath();
    p.drawPath(beams);
    p.restore();

    const QRectF sea(0, 92, kStrip.width(), kStrip.height() - 92);
    p.fillRect(sea, verticalGradient(sea, QColor(60, 140, 210), QColor(20, 70, 150)));
    QPainterPath rock;
    rock.moveTo(146, 118);
    rock.cubicTo(150, 96, 170, 92, 190, 94);
    rock.cubicTo(214, 92, 232, 100, 238, 118);
    rock.closeSubpath();
    inked(p, rock, QColor(150, 140, 130), kInk, ink);

    // A tapering tower in red and white rings.
    QPainterPath tower;
    tower.moveTo(174, 104);
    tower.lineTo(180, 44);
    tower.lineTo(200, 44);
    tower.lineTo(206, 104);
    tower.closeSubpath();
    p.save();
    p.setClipPath(tower);
    for (int i = 0; i < 4; ++i)
        p.fillRect(QRectF(170, 44 + i * 15, 40, 15), i % 2 ? white : QColor(220, 40, 40));
    p.restore();
    inked(p, tower, Qt::NoBrush, kInk, ink);
    inked(p, QRectF(181, 28, 18, 16), QColor(255, 240, 120), kInk, ink);
    QPainterPath roof;
    roof.moveTo(178, 29);
    roof.lineTo(190, 16);
    roof.lineTo(202, 29);
    roof.closeSubpath();
    inked(p, roof, QColor(220, 40, 40), kInk, ink);
    inked(p, QRectF(175, 43, 30, 5), ink, 0, ink);

    // Wave crests.
    p.save();
    p.setPen(QPen(white, 1.8, Qt::SolidLine, Qt::RoundCap));
    for (int row = 0; row < 3; ++row)
        for (int i = 0; i < 6; ++i) {
            const qreal x = 8 + i * 44 + (row % 2) * 20, y = 112 + row * 12;
            if (x > 140 && x < 240 && row == 0)
                continue;
            p.drawArc(QRectF(x, y, 16, 8), 0, 180 * 16);
        }
    p.restore();

    // Two larks on the wing.
    for (const auto &[x, y, s] : {std::tuple{58.0, 64.0, 1.0}, std::tuple{104.0, 50.0, 0.7}}) {
        p.save();
        p.translate(x, y);
        p.scale(s, s);
        inkedEllipse(p, QRectF(-16, -8, 32, 16), QColor(170, 120, 70), kInk, ink);
        QPainterPath wing;
        wing.moveTo(-6, -4);
        wing.cubicTo(-2, -24, 10, -26, 12, -22);
        wing.cubicTo(8, -14, 6, -6, 4, -3);
        wing.closeSubpath();
        inked(p, wing, QColor(200, 150, 90), kInk, ink);
        inkedEllipse(p, QRectF(10, -11, 14, 13), QColor(170, 120, 70), kInk, ink);
        QPainterPath beak;
        beak.moveTo(23, -6);
        beak.lineTo(31, -4);
        beak.lineTo(23, -1);
        beak.closeSubpath();
        inked(p, beak, orange, 1.2, ink);
        p.setPen(Qt::NoPen);
        p.setBrush(ink);
        p.drawEllipse(QPointF(19, -6), 1.8, 1.8);
        p.restore();
    }
}

void kartScene(QPainter &p)
{
    skyBackground(p, sky, skyPale);
    cloud(p, QPointF(200, 22), 0.9);
    inked(p, land(64, 60, 44, 150, 74, 58), grass, kInk, ink);
    // A row of little houses along the street.
    const QColor walls[] = {QColor(250, 220, 120), QColor(240, 150, 120), QColor(170, 200, 240),
                            QColor(250, 220, 120), QColor(200, 230, 170)};
    for (int i = 0; i < 5; ++i) {
        const qreal x = 6 + i * 50, h = 30 + (i % 2) * 8;
        inked(p, QRectF(x, 92 - h, 40, h), walls[i], kInk, ink);
        QPainterPath roof;
        roof.moveTo(x - 4, 92 - h);
        roof.lineTo(x + 20, 92 - h - 16);
        roof.lineTo(x + 44, 92 - h);
        roof.closeSubpath();
        inked(p, roof, QColor(190, 70, 50), kInk, ink);
        inked(p, QRectF(x + 8, 98 - h, 9, 9), skyPale, 1.2, ink);
        inked(p, QRectF(x + 24, 76, 10, 16), wood, 1.2, ink);
    }
    // The cobbled street.
    const QRectF street(0, 92, kStrip.width(), kStrip.height() - 92);
    p.fillRect(street, QColor(170, 170, 170));
    p.save();
    p.setPen(QPen(QColor(120, 120, 120), 1.0));
    p.setBrush(QColor(190, 190, 190));
    for (int row = 0; row < 5; ++row)
        for (int i = 0; i < 14; ++i)
            p.drawRoundedRect(QRectF(i * 20 - (row % 2) * 10, 95 + row * 11, 17, 8), 4, 4);
    p.restore();
    p.fillRect(QRectF(0, 91, kStrip.width(), 2.5), ink);

    // Speed lines and the kart racing to the left.
    p.save();
    p.setPen(QPen(ink, 1.8, Qt::SolidLine, Qt::RoundCap));
    for (int i = 0; i < 3; ++i)
        p.drawLine(QPointF(178 + i * 10, 104 + i * 8), QPointF(230 + i * 6, 104 + i * 8));
    p.restore();
    QPainterPath body;
    body.moveTo(66, 124);
    body.lineTo(74, 106);
    body.lineTo(124, 102);
    body.lineTo(150, 110);
    body.lineTo(176, 112);
    body.lineTo(172, 126);
    body.closeSubpath();
    inked(p, body, QColor(220, 40, 30), kInk, ink);
    inkedEllipse(p, QRectF(112, 74, 30, 30), QColor(255, 220, 40), kInk, ink);
    inked(p, roundedRect(QRectF(110, 84, 26, 10), 4), skyLight, kInk * 0.8, ink);
    for (qreal x : {84.0, 156.0}) {
        inkedEllipse(p, QRectF(x - 13, 114, 26, 26), ink, 0, ink);
        inkedEllipse(p, QRectF(x - 6, 121, 12, 12), QColor(200, 200, 200), 1.2, ink);
    }
    inkedEllipse(p, QRectF(186, 118, 16, 12), white, 1.2, ink);
    inkedEllipse(p, QRectF(198, 112, 20, 16), white, 1.2, ink);
}

void snowScene(QPainter &p)
{
    skyBackground(p, QColor(110, 150, 215), QColor(205, 225, 250));
    const QColor shadow(190, 205, 235);
    QPainterPath peaks;
    peaks.moveTo(-4, 96);
    peaks.lineTo(50, 30);
    peaks.lineTo(84, 70);
    peaks.lineTo(130, 16);
    peaks.lineTo(190, 80);
    peaks.lineTo(220, 50);
    peaks.lineTo(256, 92);
    peaks.lineTo(256, 150);
    peaks.lineTo(-4, 150);
    peaks.closeSubpath();
    inked(p, peaks, white, kInk, ink);
    QPainterPath shade;
    shade.moveTo(130, 16);
    shade.lineTo(190, 80);
    shade.lineTo(150, 96);
    shade.closeSubpath();
    shade.moveTo(50, 30);
    shade.lineTo(84, 70);
    shade.lineTo(60, 90);
    shade.closeSubpath();
    inked(p, shade, shadow, 0, ink);
    for (qreal x : {16.0, 36.0, 214.0, 234.0}) {
        QPainterPath pine;
        pine.moveTo(x, 66);
        pine.lineTo(x + 11, 100);
        pine.lineTo(x - 11, 100);
        pine.closeSubpath();
        inked(p, pine, QColor(30, 110, 70), kInk * 0.8, ink);
    }
    inked(p, land(104, 80, 96, 170, 112, 100), white, kInk, ink);

    // The rescue dog with its little barrel, trotting through the snow.
    const QColor coat(190, 120, 60);
    inkedEllipse(p, QRectF(86, 96, 72, 34), coat, kInk, ink);
    inkedEllipse(p, QRectF(104, 104, 28, 20), white, 0, ink);
    for (qreal x : {96.0, 112.0, 134.0, 148.0})
        inked(p, roundedRect(QRectF(x - 4, 120, 9, 18), 4), coat, kInk * 0.8, ink);
    inkedEllipse(p, QRectF(146, 72, 36, 32), coat, kInk, ink);
    inkedEllipse(p, QRectF(164, 86, 22, 16), white, kInk * 0.8, ink);
    inkedEllipse(p, QRectF(179, 86, 8, 7), ink, 0, ink);
    inkedEllipse(p, QRectF(142, 74, 12, 24), QColor(120, 70, 30), kInk * 0.8, ink);
    p.setPen(Qt::NoPen);
    p.setBrush(ink);
    p.drawEllipse(QPointF(166, 82), 2.4, 2.8);
    inked(p, roundedRect(QRectF(140, 100, 18, 13), 5), QColor(150, 90, 40), kInk * 0.8, ink);

    p.setPen(Qt::NoPen);
    p.setBrush(white);
    for (int i = 0; i < 22; ++i)
        p.drawEllipse(QPointF(std::fmod(i * 53.0, 250.0), std::fmod(i * 31.0, 90.0) + 4), 1.8, 1.8);
}

void beetleScene(QPainter &p)
{
    skyBackground(p, QColor(190, 230, 250), QColor(240, 250, 230));
    inked(p, land(92, 70, 82, 170, 98, 88), verticalGradient(QRectF(0, 88, 1, 60), grass, field), kInk, ink);
    // Giant daisies.
    for (const auto &[x, y] : {std::pair{30.0, 50.0}, std::pair{222.0, 40.0}}) {
        p.save();
        p.setPen(QPen(field, 3));
        p.drawLine(QPointF(x, y), QPointF(x, 100));
        p.restore();
        for (int i = 0; i < 8; ++i) {
            p.save();
            p.translate(x, y);
            p.rotate(i * 45);
            inkedEllipse(p, QRectF(-5, -22, 10, 18), white, 1.2, ink);
            p.restore();
        }
        inkedEllipse(p, QRectF(x - 8, y - 8, 16, 16), sun, 1.4, ink);
    }

    // The baron: a plump beetle in a top hat and monocle.
    p.save();
    p.setPen(QPen(ink, 2.4, Qt::SolidLine, Qt::RoundCap));
    for (int i = 0; i < 3; ++i) {
        const qreal x = 100 + i * 26;
        p.drawLine(QPointF(x, 118), QPointF(x - 10, 134));
        p.drawLine(QPointF(x + 6, 118), QPointF(x + 16, 134));
    }
    p.restore();
    const QColor shell(110, 50, 150);
    inkedEllipse(p, QRectF(84, 76, 104, 56), shell, kInk, ink);
    p.save();
    p.setPen(QPen(ink, 1.6));
    p.drawLine(QPointF(136, 77), QPointF(136, 131));
    p.setPen(QPen(QColor(170, 120, 210), 3, Qt::SolidLine, Qt::RoundCap));
    p.drawArc(QRectF(96, 84, 30, 22), 90 * 16, 70 * 16);
    p.restore();
    inkedEllipse(p, QRectF(58, 84, 36, 34), QColor(60, 40, 80), kInk, ink);
    inkedEllipse(p, QRectF(64, 92, 11, 12), white, 1.2, ink);
    inkedEllipse(p, QRectF(77, 92, 11, 12), white, 1.2, ink);
    p.save();
    p.setPen(Qt::NoPen);
    p.setBrush(ink);
    p.drawEllipse(QPointF(68, 99), 2.2, 2.6);
    p.drawEllipse(QPointF(81, 99), 2.2, 2.6);
    p.setPen(QPen(sun, 1.6));
    p.setBrush(Qt::NoBrush);
    p.drawEllipse(QPointF(82.5, 98), 7, 7);
    p.drawLine(QPointF(88, 103), QPointF(92, 116));
    p.setPen(QPen(ink, 1.6, Qt::SolidLine, Qt::RoundCap));
    p.drawArc(QRectF(64, 104, 18, 8), 200 * 16, 140 * 16);
    p.restore();
    inked(p, QRectF(60, 50, 26, 30), ink, 0, ink);
    inked(p, QRectF(60, 70, 26, 5), QColor(220, 40, 40), 0, ink);
    inked(p, roundedRect(QRectF(52, 79, 42, 6), 3), ink, 0, ink);
}

const Game kTrenchmoor{QStringLiteral("Trenchmoor"), QStringLiteral("THE GREAT MUDDY PUSH"),
                       QColor(255, 214, 64), QColor(240, 110, 20), khaki, trenchmoorScene};
const Game kLighthouse{QStringLiteral("Lighthouse Larks"),
                       QStringLiteral("A SEASIDE PUZZLE ADVENTURE"), QColor(120, 200, 255),
                       QColor(20, 90, 190), QColor(20, 90, 190), lighthouseScene};
const Game kKart{QStringLiteral("Cobble Kart"), QStringLiteral("RACING ROUND THE OLD TOWN"),
                 QColor(255, 120, 100), QColor(200, 20, 20), QColor(200, 20, 20), kartScene};
const Game kSnow{QStringLiteral("Snowdrift Rescue"), QStringLiteral("HIGH ALPINE ADVENTURE"),
                 QColor(150, 230, 255), QColor(0, 120, 190), QColor(0, 120, 190), snowScene};
const Game kBeetle{QStringLiteral("Beetle Barons"), QStringLiteral("EMPIRES OF THE FLOWERBED"),
                   QColor(200, 140, 240), QColor(110, 50, 150), QColor(110, 50, 150),
                   beetleScene};

// The title in fat cartoon capitals; long titles take two lines.
void drawTitle(QPainter &p, const Game &game)
{
    QStringList lines = game.name.toUpper().split(QLatin1Char(' '));
    if (lines.size() > 1 && game.name.size() <= 11)
        lines = {lines.join(QLatin1Char(' '))};
    const QFont font = drawing::font(Face::Sans, 100);
    const qreal rowHeight = kTitleBox.height() / lines.size();
    qreal scale = 1e9;
    for (const QString &line : lines) {
        const QRectF b = drawing::textPath(line, font).boundingRect();
        scale = qMin(scale, qMin(kTitleBox.width() / b.width(), (rowHeight - 3) / b.height()));
    }
    for (int i = 0; i < lines.size(); ++i) {
        QPainterPath path = drawing::textPath(lines[i], font);
        const QRectF b = path.boundingRect();
        QTransform t;
        t.translate(kTitleBox.center().x(), kTitleBox.top() + rowHeight * (i + 0.5));
        t.scale(scale, scale);
        t.translate(-b.center().x(), -b.center().y());
        path = t.map(path);
        p.fillPath(path.translated(2.5, 2.5), ink);
        p.strokePath(path, QPen(ink, 3.2, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        p.fillPath(path, verticalGradient(path.boundingRect(), game.titleTop, game.titleBottom));
    }
}

} // namespace

const Game &trenchmoor() { return kTrenchmoor; }
const Game &lighthouseLarks() { return kLighthouse; }

QList<Game> range() { return {kTrenchmoor, kLighthouse, kKart, kSnow, kBeetle}; }

void drawCover(QPainter &p, const Game &game, const QRectF &target)
{
    p.save();
    p.setClipRect(target);
    p.translate(target.topLeft());
    p.scale(target.width() / kWidth, target.height() / kHeight);
    p.fillRect(QRectF(0, 0, kWidth, kHeight), white);

    drawTitle(p, game);
    QFont tagFont = drawing::font(Face::Sans, 10);
    tagFont.setLetterSpacing(QFont::AbsoluteSpacing, 1.2);
    p.fillPath(drawing::textAt(game.tagline, tagFont, QPointF(kWidth / 2, 84), Qt::AlignHCenter),
               navy);

    p.save();
    p.translate(kStrip.topLeft());
    p.setClipRect(QRectF(0, 0, kStrip.width(), kStrip.height()), Qt::IntersectClip);
    game.scene(p);
    p.restore();
    p.save();
    p.setPen(QPen(ink, 2.4));
    p.drawLine(kStrip.topLeft(), kStrip.topRight());
    p.drawLine(kStrip.bottomLeft(), kStrip.bottomRight());
    p.restore();

    // The publisher's small mark in the plain lower part.
    housestyle::drawEmblem(p, QRectF(kWidth - 46, kHeight - 44, 30, 30));
    p.fillPath(drawing::textAt(housestyle::publisher.toUpper(), drawing::font(Face::Serif, 11),
                               QPointF(kWidth - 52, kHeight - 25), Qt::AlignRight),
               navy);
    p.restore();
}

void drawBox(QPainter &p, const Game &game, const QRectF &front)
{
    const qreal depth = front.width() * 0.16;
    const QPointF lift(depth, -depth * 0.55);

    // A soft shadow on the floor behind the box.
    QRadialGradient shade(front.bottomLeft() + QPointF(front.width() * 0.6, 0), front.width() * 0.8);
    shade.setColorAt(0, QColor(0, 0, 0, 70));
    shade.setColorAt(1, QColor(0, 0, 0, 0));
    p.save();
    p.translate(0, front.bottom());
    p.scale(1, 0.12);
    p.translate(0, -front.bottom());
    p.fillRect(QRectF(front.left() - front.width() * 0.3, front.bottom() - front.width() * 0.8,
                      front.width() * 1.8, front.width() * 1.6),
               shade);
    p.restore();

    QPolygonF spine{front.topRight(), front.topRight() + lift, front.bottomRight() + lift,
                    front.bottomRight()};
    QPolygonF top{front.topLeft(), front.topLeft() + lift, front.topRight() + lift,
                  front.topRight()};
    QLinearGradient spineShade(front.topRight(), front.topRight() + QPointF(depth, 0));
    spineShade.setColorAt(0, game.spine.darker(115));
    spineShade.setColorAt(1, game.spine.darker(150));
    p.save();
    p.setPen(QPen(ink, 1.0));
    p.setBrush(spineShade);
    p.drawPolygon(spine);
    p.setBrush(QColor(236, 236, 236));
    p.drawPolygon(top);

    // The name along the spine, running down it.
    const QPointF corner = front.topRight() + lift;
    const QTransform along(0, 1, -1, -lift.y() / depth, corner.x(), corner.y());
    p.setTransform(along, true);
    const qreal margin = front.height() * 0.08;
    const QPainterPath name = drawing::textFitted(
        game.name.toUpper(), drawing::font(Face::Sans, 40),
        QRectF(margin, depth * 0.28, front.height() - 2 * margin, depth * 0.48));
    p.fillPath(name, white);
    p.restore();

    drawCover(p, game, front);
    p.save();
    p.setPen(QPen(ink, 1.0));
    p.setBrush(Qt::NoBrush);
    p.drawRect(front);
    p.restore();
}

} // namespace gamecovers
