#include "labellayout.h"

#include <QFontMetricsF>

namespace engine {

QStringList layoutLabelLines(const QString &caption, const QFontMetricsF &metrics, qreal width)
{
    QStringList lines;
    QString line;
    auto fits = [&](const QString &text) { return metrics.horizontalAdvance(text) <= width; };
    auto endLine = [&] {
        lines << line;
        line.clear();
    };

    int i = 0;
    const int n = int(caption.size());
    while (i < n) {
        const QChar c = caption.at(i);
        if (c == QLatin1Char('\r') || c == QLatin1Char('\n')) {
            endLine();
            i += (c == QLatin1Char('\r') && i + 1 < n && caption.at(i + 1) == QLatin1Char('\n')) ? 2 : 1;
        } else if (c == QLatin1Char(' ')) {
            // A run of blanks: each blank takes room until the line is full.
            int j = i;
            while (j < n && caption.at(j) == QLatin1Char(' '))
                ++j;
            for (; i < j; ++i) {
                if (!fits(line + QLatin1Char(' '))) {
                    endLine();
                    break;
                }
                line += QLatin1Char(' ');
            }
            i = j;
        } else {
            int j = i;
            while (j < n && caption.at(j) != QLatin1Char(' ') && caption.at(j) != QLatin1Char('\n')
                   && caption.at(j) != QLatin1Char('\r'))
                ++j;
            const QString word = caption.mid(i, j - i);
            // A word that does not fit goes to the next line; a word wider than
            // the whole label stands alone and is cut off at the right.
            if (!line.isEmpty() && !fits(line + word))
                endLine();
            line += word;
            i = j;
        }
    }
    if (!line.isEmpty())
        lines << line;
    return lines;
}

} // namespace engine
