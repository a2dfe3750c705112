// How a label lays out its caption: left-aligned lines broken at blanks to fit
// the label's width. Runs of blanks keep their width; a run that reaches the
// right edge ends the line there and the rest of the run is dropped, so padding
// with blanks pushes the following words onto a later line. The port measures.
#pragma once

#include <functional>
#include <string>
#include <vector>

namespace engine {

// The width of a piece of UTF-8 text in the label's font, in pixels.
using TextWidth = std::function<double(const std::string &text)>;

std::vector<std::string> layoutLabelLines(const std::string &caption, const TextWidth &width, double labelWidth);

} // namespace engine
