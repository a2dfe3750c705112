#include "labellayout.h"

namespace engine {

std::vector<std::string> layoutLabelLines(const std::string &caption, const TextWidth &width, double labelWidth)
{
    // Blanks and line ends are single bytes in UTF-8, never part of another character.
    std::vector<std::string> lines;
    std::string line;
    auto fits = [&](const std::string &text) { return width(text) <= labelWidth; };
    auto endLine = [&] {
        lines.push_back(line);
        line.clear();
    };

    size_t i = 0;
    const size_t n = caption.size();
    while (i < n) {
        const char c = caption[i];
        if (c == '\r' || c == '\n') {
            endLine();
            i += (c == '\r' && i + 1 < n && caption[i + 1] == '\n') ? 2 : 1;
        } else if (c == ' ') {
            // A run of blanks: each blank takes room until the line is full.
            size_t j = i;
            while (j < n && caption[j] == ' ')
                ++j;
            for (; i < j; ++i) {
                if (!fits(line + ' ')) {
                    endLine();
                    break;
                }
                line += ' ';
            }
            i = j;
        } else {
            size_t j = i;
            while (j < n && caption[j] != ' ' && caption[j] != '\n' && caption[j] != '\r')
                ++j;
            const std::string word = caption.substr(i, j - i);
            // A word that does not fit goes to the next line; a word wider than
            // the whole label stands alone and is cut off at the right.
            if (!line.empty() && !fits(line + word))
                endLine();
            line += word;
            i = j;
        }
    }
    if (!line.empty())
        lines.push_back(line);
    return lines;
}

} // namespace engine
