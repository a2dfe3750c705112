#include "housestyle.h"

#include "colours.h"
#include "drawing.h"

#include <QPainterPath>
#include <QPen>
#include <QTransform>

using drawing::Face;

namespace housestyle {
namespace {

constexpr qreal kRuleGap = 7;
constexpr int kRules = 4;

QPainterPath bandShape(const Layout &layout)
{
    const QRectF &b = layout.band;
    QPainterPath shape;
    shape.moveTo(b.left() + layout.bandSlant, b.top());
    shape.lineTo(b.right(), b.top());
    shape.lineTo(b.right(), b.bottom());
    shape.lineTo(b.left(), b.bottom());
    shape.closeSubpath();
    return shape;
}

void drawLettering(QPainter &p, const QRectF &column)
{
    // Letters read downwards: turn the page a quarter clockwise.
    p.save();
    p.translate(column.right(), column.top());
    p.rotate(90);
    const QRectF turned(0, 0, column.height(), column.width());
    const QPainterPath letters =
        drawing::textFitted(publisher.toUpper(), drawing::font(Face::Sans, 200), turned);
    p.fillPath(letters, colours::letteringGrey);
    p.restore();
}

void drawBand(QPainter &p, const Layout &layout)
{
    const QRectF &b = layout.band;
    p.fillPath(bandShape(layout), colours::orange);
    // A darker edge under the band gives it a little weight.
    p.save();
    p.setClipPath(bandShape(layout));
    p.fillRect(QRectF(b.left(), b.bottom() - 3, b.width(), 3), colours::orangeDeep);
    p.restore();
}

void drawRules(QPainter &p, const Layout &layout)
{
    const QRectF &b = layout.band;
    const qreal slope = b.height() > 0 ? layout.bandSlant / b.height() : 0;
    const QColor shades[kRules] = {colours::ruleGrey, colours::ruleGrey, colours::ruleGreyLight,
                                   colours::ruleGreyLight};
    p.save();
    p.setRenderHint(QPainter::Antialiasing, false);
    for (int i = 0; i < kRules; ++i) {
        const qreal y = b.bottom() + kRuleGap * (i + 1);
        // The rules keep the slant of the band's end.
        const qreal x = b.left() - slope * (y - b.bottom());
        p.fillRect(QRectF(qRound(x), y, b.right() - qRound(x), 1), shades[i]);
    }
    p.restore();
}

QPainterPath quill()
{
    // A feather along the vertical axis, nib at the bottom, in a unit box.
    QPainterPath vane;
    vane.moveTo(0, 0.92);
    vane.cubicTo(0.52, 0.35, 0.42, -0.55, 0.02, -0.98);
    vane.cubicTo(-0.34, -0.55, -0.42, 0.30, 0, 0.92);
    // Two nicks in the vane, as a real feather has.
    QPainterPath nicks;
    nicks.moveTo(0.40, -0.05);
    nicks.lineTo(0.12, 0.02);
    nicks.lineTo(0.36, 0.10);
    nicks.closeSubpath();
    nicks.moveTo(-0.33, -0.30);
    nicks.lineTo(-0.10, -0.24);
    nicks.lineTo(-0.30, -0.18);
    nicks.closeSubpath();
    return vane.subtracted(nicks);
}

} // namespace

Layout welcomeLayout()
{
    Layout l;
    l.size = QSizeF(800, 600);
    // The cover is 313 x 352 at 800 x 600, whatever the size of its file.
    l.cover = QRectF(24, 24, 313, 352);
    l.band = QRectF(0, 168, 800, 92);
    l.lettering = QRectF(706, 12, 82, 576);
    l.logo = QRectF(28, 500, 290, 76);
    return l;
}

Layout rangeLayout()
{
    Layout l;
    l.size = QSizeF(800, 600);
    l.band = QRectF(0, 132, 800, 124);
    l.lettering = QRectF(712, 8, 78, 500);
    l.logo = QRectF(24, 528, 220, 58);
    return l;
}

void drawBackground(QPainter &p, const Layout &layout)
{
    p.fillRect(QRectF(QPointF(0, 0), layout.size), colours::white);
    drawLettering(p, layout.lettering);
    drawBand(p, layout);
    drawRules(p, layout);
    if (!layout.logo.isEmpty())
        drawLogo(p, layout.logo);
}

void drawEmblem(QPainter &p, const QRectF &box)
{
    const qreal d = qMin(box.width(), box.height());
    const QRectF disc(box.center().x() - d / 2, box.center().y() - d / 2, d, d);
    p.save();
    p.setPen(Qt::NoPen);
    p.setBrush(colours::navy);
    p.drawEllipse(disc);
    // A thin orange ring just inside the rim.
    p.setPen(QPen(colours::orange, d * 0.035));
    p.setBrush(Qt::NoBrush);
    p.drawEllipse(disc.adjusted(d * 0.07, d * 0.07, -d * 0.07, -d * 0.07));

    QTransform t;
    t.translate(disc.center().x(), disc.center().y());
    t.rotate(38);
    t.scale(d * 0.36, d * 0.36);
    const QPainterPath feather = t.map(quill());
    p.fillPath(feather, colours::orange);
    // The shaft, from the nib up through the vane.
    p.setPen(QPen(colours::white, d * 0.03, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(t.map(QPointF(0, 0.98)), t.map(QPointF(0.01, -0.62)));
    p.restore();
}

void drawLogo(QPainter &p, const QRectF &box)
{
    // Designed on a 290 x 76 grid and scaled into the box.
    const qreal s = qMin(box.width() / 290.0, box.height() / 76.0);
    p.save();
    p.translate(box.left(), box.top() + (box.height() - 76 * s) / 2);
    p.scale(s, s);

    drawEmblem(p, QRectF(0, 0, 76, 76));
    const QPainterPath name = drawing::textFitted(publisher.toUpper(),
                                                  drawing::font(Face::Serif, 60),
                                                  QRectF(88, 4, 200, 40), true);
    p.fillPath(name, colours::navy);
    p.fillRect(QRectF(88, 51, 200, 3), colours::orange);
    const QPainterPath tag = drawing::textFitted(publisherTag, drawing::font(Face::Sans, 30),
                                                 QRectF(88, 59, 200, 15), true);
    p.fillPath(tag, colours::orange);
    p.restore();
}

} // namespace housestyle
