// The launcher's pictures, each drawn at its own pixel size.
#pragma once

#include <QImage>

namespace artwork {

QImage setupIcon();       // 32 x 32, transparent ground, the 16 standard colours only
QImage welcomeBackdrop(); // 640 x 480
QImage welcomeScreen();   // 800 x 600, upper left left free for the game cover
QImage gameCover();       // 252 x 308
QImage readerArtwork();   // 100 x 108
QImage productRange();    // 800 x 600, lower right left free for the Finish button

} // namespace artwork
