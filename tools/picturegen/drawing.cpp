#include "drawing.h"

#include <QFontDatabase>
#include <QLinearGradient>
#include <QPen>

#include <stdexcept>

namespace drawing {

void loadFonts()
{
    static const char *const files[] = {
        "LiberationSans-Regular.ttf",
        "LiberationSans-Bold.ttf",
        "LiberationSerif-Regular.ttf",
        "LiberationSerif-Bold.ttf",
    };
    const QString folder = QStringLiteral("/usr/share/fonts/truetype/liberation/");
    for (const char *file : files) {
        if (QFontDatabase::addApplicationFont(folder + QLatin1String(file)) < 0)
            throw std::runtime_error(
                QStringLiteral("cannot load the font %1%2 (package fonts-liberation)")
                    .arg(folder, QLatin1String(file))
                    .toStdString());
    }
}

QFont font(Face face, qreal pixelSize, bool bold)
{
    QFont f(face == Face::Sans ? QStringLiteral("Liberation Sans")
                               : QStringLiteral("Liberation Serif"));
    f.setPixelSize(qMax(1, qRound(pixelSize)));
    f.setWeight(bold ? QFont::Bold : QFont::Normal);
    f.setHintingPreference(QFont::PreferNoHinting);
    f.setStyleStrategy(QFont::NoFontMerging);
    return f;
}

QPainterPath textPath(const QString &text, const QFont &font)
{
    QPainterPath path;
    path.addText(QPointF(0, 0), font, text);
    return path;
}

QPainterPath textAt(const QString &text, const QFont &font, QPointF baseline, Qt::Alignment align)
{
    const QPainterPath path = textPath(text, font);
    const QRectF bounds = path.boundingRect();
    qreal dx = baseline.x() - bounds.left();
    if (align & Qt::AlignHCenter)
        dx = baseline.x() - bounds.center().x();
    else if (align & Qt::AlignRight)
        dx = baseline.x() - bounds.right();
    return path.translated(dx, baseline.y());
}

QPainterPath textFitted(const QString &text, const QFont &font, const QRectF &box, bool stretch)
{
    const QPainterPath path = textPath(text, font);
    const QRectF bounds = path.boundingRect();
    qreal sx = box.width() / bounds.width();
    qreal sy = box.height() / bounds.height();
    if (!stretch)
        sx = sy = qMin(sx, sy);
    QTransform t;
    t.translate(box.center().x(), box.center().y());
    t.scale(sx, sy);
    t.translate(-bounds.center().x(), -bounds.center().y());
    return t.map(path);
}

void inked(QPainter &p, const QPainterPath &shape, const QBrush &fill, qreal outline,
           const QColor &ink)
{
    p.save();
    if (outline > 0)
        p.setPen(QPen(ink, outline, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    else
        p.setPen(Qt::NoPen);
    p.setBrush(fill);
    p.drawPath(shape);
    p.restore();
}

void inked(QPainter &p, const QRectF &rect, const QBrush &fill, qreal outline, const QColor &ink)
{
    QPainterPath shape;
    shape.addRect(rect);
    inked(p, shape, fill, outline, ink);
}

void inkedEllipse(QPainter &p, const QRectF &rect, const QBrush &fill, qreal outline,
                  const QColor &ink)
{
    QPainterPath shape;
    shape.addEllipse(rect);
    inked(p, shape, fill, outline, ink);
}

QBrush verticalGradient(const QRectF &rect, const QColor &top, const QColor &bottom)
{
    QLinearGradient g(rect.topLeft(), rect.bottomLeft());
    g.setColorAt(0, top);
    g.setColorAt(1, bottom);
    return QBrush(g);
}

} // namespace drawing
