#include "display/font.h"

namespace qmxv::display {

namespace {

constexpr Glyph kBox = {0x00, 0x00, 0x7e, 0x42, 0x42, 0x42, 0x42,
                        0x42, 0x42, 0x42, 0x7e, 0x00, 0x00};

}  // namespace

const Glyph& font_glyph(char) {
  return kBox;
}

}  // namespace qmxv::display
