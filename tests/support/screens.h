// The screens the offscreen tests run on (one run per screen, see
// CMakeLists.txt), with what the launcher must do on each, worked out by hand
// from the fit and placement rules at 15 twips a pixel: the fitted cover, the
// dialogs' shared place and the offer's outer corner in pixels.
#pragma once

#include <QPoint>
#include <QSize>
#include <QTest>

namespace screens {

struct Row {
    QSize screen;          // logical pixels
    float coverWidth, coverHeight; // twips
    int lngLeft, lngTop;   // twips
    QPoint offer;          // pixels
};

inline const Row table[] = {
    {{320, 240}, 1876.7568f, 2115.8562f, 0, 435, {0, 29}},          // wider than the screen: left edge
    {{555, 473}, 3255.f, 4170.f, 2490, 3814, {166, 254}},           // the design size: nothing scales
    {{640, 480}, 3753.5137f, 4231.7124f, 3765, 3892, {251, 259}},   // moved in from the right
    {{800, 600}, 4691.8916f, 5289.6406f, 5412, 5242, {361, 349}},
    {{960, 540}, 5630.2705f, 4760.6763f, 6350, 4567, {423, 304}},   // 1920x1080 at scale 2
    {{1280, 720}, 7507.0273f, 6347.5684f, 8227, 6592, {548, 439}},  // 1920x1080 at scale 1.5
    {{1280, 1024}, 7507.0273f, 9027.6533f, 8227, 10012, {548, 667}},
    {{1440, 900}, 8445.4053f, 7934.4609f, 9165, 8617, {611, 574}},  // centred top 5242.5 rounds to 5242 first
    {{1536, 864}, 9008.4326f, 7617.0825f, 9728, 8212, {649, 547}},  // 1920x1080 at scale 1.25
    {{1920, 1080}, 11260.541f, 9521.3525f, 11981, 10642, {799, 709}},
    {{2560, 1080}, 15014.055f, 9521.3525f, 15734, 10642, {1049, 709}},
    {{3440, 1440}, 20175.135f, 12695.137f, 20895, 14692, {1393, 979}},
    {{1080, 1920}, 6334.0542f, 16926.85f, 7054, 20092, {470, 1339}},
    {{7680, 4320}, 45042.164f, 38085.41f, 45762, 47092, {3051, 3139}},
};

// The row of the screen this run has; fails the test where there is none.
inline const Row *rowFor(QSize screen)
{
    for (const Row &row : table) {
        if (row.screen == screen)
            return &row;
    }
    return nullptr;
}

} // namespace screens
