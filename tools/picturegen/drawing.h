// Small drawing helpers shared by all pictures: fonts, text as outlines, and
// the bold-outlined shapes of the cartoon style.
#pragma once

#include <QColor>
#include <QFont>
#include <QPainter>
#include <QPainterPath>
#include <QRectF>
#include <QString>

namespace drawing {

enum class Face { Sans, Serif };

// Registers the Liberation fonts from their files, so that text never depends
// on which fonts the machine would otherwise substitute. Throws if one is
// missing.
void loadFonts();

QFont font(Face face, qreal pixelSize, bool bold = true);

// Text as an outline with its baseline starting at the origin. Outlines are
// drawn the same on every machine, whatever the font hinting settings.
QPainterPath textPath(const QString &text, const QFont &font);

// Text placed on a baseline; align is Qt::AlignLeft, AlignHCenter or AlignRight
// relative to x.
QPainterPath textAt(const QString &text, const QFont &font, QPointF baseline,
                    Qt::Alignment align = Qt::AlignLeft);

// Text scaled to fill box as far as it can while keeping its proportions,
// centred in it. With stretch, it fills the box in both directions.
QPainterPath textFitted(const QString &text, const QFont &font, const QRectF &box,
                        bool stretch = false);

// A rectangle filled and outlined in the cartoon style.
void inked(QPainter &p, const QPainterPath &shape, const QBrush &fill, qreal outline,
           const QColor &ink);
void inked(QPainter &p, const QRectF &rect, const QBrush &fill, qreal outline, const QColor &ink);
void inkedEllipse(QPainter &p, const QRectF &rect, const QBrush &fill, qreal outline,
                  const QColor &ink);

// Vertical gradient from top colour to bottom colour over rect.
QBrush verticalGradient(const QRectF &rect, const QColor &top, const QColor &bottom);

} // namespace drawing
