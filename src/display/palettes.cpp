#include "display/palettes.h"

#include <cstdint>

namespace qmxv::display {

namespace {

ui::Palette make_surface_colour_table() {
  auto byte = [](int v) { return static_cast<std::uint8_t>(v); };
  ui::Palette p{};
  p[0] = {0, 0, 0};
  for (int i = 1; i <= 64; ++i) p[i] = {0, byte(4 * (i - 1)), 255};           // blue -> cyan
  for (int i = 65; i <= 128; ++i) p[i] = {0, 255, byte(256 - 4 * (i - 64))};  // -> green
  for (int i = 129; i <= 191; ++i) p[i] = {byte(4 * (i - 128)), 255, 0};      // -> yellow
  for (int i = 192; i <= 255; ++i) p[i] = {255, byte(4 * (255 - i)), 0};      // -> red
  return p;
}

}  // namespace

const ui::Palette& surface_colour_table() {
  static const ui::Palette table = make_surface_colour_table();
  return table;
}

}  // namespace qmxv::display
