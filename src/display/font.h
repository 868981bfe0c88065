// A fixed 8x13 bitmap font for the pictures drawn without a window system.
//
// Every printable ASCII character (32..126) has a glyph of 13 rows of 8
// pixels. Row 0 is the top; the baseline is row kFontBaselineRow (capitals
// stand on it, descenders fall into the two rows below). In each row byte
// bit 7 is the leftmost pixel.
#pragma once

#include <array>
#include <cstdint>

namespace qmxv::display {

inline constexpr int kFontWidth = 8;
inline constexpr int kFontHeight = 13;
inline constexpr int kFontBaselineRow = 10;

using Glyph = std::array<std::uint8_t, kFontHeight>;

// The glyph of `c`; characters outside 32..126 get a hollow box.
const Glyph& font_glyph(char c);

}  // namespace qmxv::display
