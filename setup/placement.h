// The arithmetic of the welcome screen and the dialogs' places, in twips.
#pragma once

#include "forms/core/values.h"

#include <string>

namespace placement {

using engine::Long;
using engine::Single;

// The screen's size over the welcome picture's design size, each a Single.
struct FitFactors {
    Single width;
    Single height;
};
FitFactors fitFactors(Single screenWidth, Single screenHeight, Single designWidth, Single designHeight);

// A Single size times a factor, stored as a Single.
Single scaled(Single size, Single factor);

// Where every dialog of the setup opens: right of the game cover by the cover's
// own left margin, a quarter screen below centre, and at least 10 pixels inside
// the right and bottom edges. Never off the left or top edge.
struct DialogPosition {
    Long left;
    Long top;
};
struct DialogPlacementInput {
    Single coverLeft, coverWidth;
    Single dialogWidth, dialogHeight;
    Single screenWidth, screenHeight;
    Single twipsPerPixelX, twipsPerPixelY;
};
DialogPosition dialogPosition(const DialogPlacementInput &in);

// A form of size `inner` centred over one of size `outer` that stands at `origin`.
Single centredOver(Long origin, Single outer, Single inner);

// The position that puts a control's far edge `pixels` inside the screen's edge.
Single insideEdge(Single screenSize, Single controlSize, int pixels, Single twipsPerPixel);

// The installer's path: the program's folder, one separator, the file.
std::string installerPath(const std::string &folder, const std::string &file);

} // namespace placement
