// How a label lays out its caption: left-aligned lines broken at blanks to fit
// the label's width. Runs of blanks keep their width; a run that reaches the
// right edge ends the line there and the rest of the run is dropped, so padding
// with blanks pushes the following words onto a later line.
#pragma once

#include <QStringList>

class QFontMetricsF;

namespace engine {

QStringList layoutLabelLines(const QString &caption, const QFontMetricsF &metrics, qreal width);

} // namespace engine
