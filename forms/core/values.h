// The value types the forms engine works in: twips as single-precision floats,
// 16-bit Booleans (True is all bits set) and 32-bit Longs.
#pragma once

#include <cstdint>

namespace engine {

using Single = float;
using Long = std::int32_t;
using Boolean = std::int16_t;

inline constexpr Boolean True = -1;
inline constexpr Boolean False = 0;

// Converts a floating value to a Long: nearest integer, halves to the even
// neighbour (2992.5 gives 2992, 2993.5 gives 2994). A value outside the
// 32-bit range raises the engine's overflow error.
Long CLng(double value);

// Stores a floating value as a Single (rounded to single precision).
inline Single CSng(double value) { return static_cast<Single>(value); }

} // namespace engine
