// The named colours of the artwork. The 8-bit bitmaps keep every one of them
// in their palette, so flat areas painted in these colours come out clean,
// without dither.
#pragma once

#include <QColor>

namespace colours {

// House style of the publisher: orange band, dark blue lettering.
inline constexpr QColor orange{255, 128, 0};
inline constexpr QColor orangeDeep{224, 112, 0};
inline constexpr QColor orangeDark{192, 96, 0};
inline constexpr QColor orangeLight{255, 160, 64};
inline constexpr QColor orangePale{255, 192, 128};
inline constexpr QColor navy{0, 0, 64};
inline constexpr QColor navyMid{32, 32, 96};
inline constexpr QColor navySoft{64, 64, 128};
inline constexpr QColor white{255, 255, 255};
inline constexpr QColor black{0, 0, 0};
inline constexpr QColor ruleGrey{187, 187, 187};
inline constexpr QColor ruleGreyLight{214, 214, 214};
inline constexpr QColor letteringGrey{232, 232, 232};
inline constexpr QColor shadowGrey{221, 221, 221};

// Cartoon colours of the game covers.
inline constexpr QColor ink{34, 34, 34};
inline constexpr QColor skin{250, 210, 170};
inline constexpr QColor skinShade{230, 180, 140};
inline constexpr QColor sand{200, 160, 110};
inline constexpr QColor mud{150, 100, 50};
inline constexpr QColor mudDark{100, 65, 30};
inline constexpr QColor sky{110, 190, 250};
inline constexpr QColor skyLight{160, 215, 252};
inline constexpr QColor skyPale{200, 235, 255};
inline constexpr QColor khaki{90, 120, 60};
inline constexpr QColor grass{120, 180, 70};
inline constexpr QColor field{40, 150, 60};

} // namespace colours
