#include "display/palettes.h"

#include <algorithm>
#include <array>
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

// The flowfield ramp, entries 1..254. The channels are carried in floating
// point from (0.5, 0.5, 255.5) and truncated when an entry takes its colour,
// so each quarter of the ramp starts exactly on the channel's limit.
std::array<ui::Rgb, 255> flowfield_ramp() {
  std::array<ui::Rgb, 255> ramp{};
  auto channel = [](double v) {
    return static_cast<std::uint8_t>(std::clamp(static_cast<int>(v), 0, 255));
  };
  double r = 0.5, g = 0.5, b = 255.5;
  for (int i = 1; i <= 254; ++i) {
    ramp[static_cast<std::size_t>(i)] = {channel(r), channel(g), channel(b)};
    if (i <= 64) g += 4.0;
    if (i >= 65 && i <= 128) b -= 4.0;
    if (i >= 129 && i <= 192) r += 4.0;
    if (i >= 193) g -= 4.0;
  }
  return ramp;
}

ui::Palette make_flowfield_colour_table() {
  const auto ramp = flowfield_ramp();
  ui::Palette p{};
  p[0] = {0, 0, 0};
  for (int i = 1; i <= 254; ++i) p[i] = ramp[static_cast<std::size_t>(i)];
  p[255] = {255, 255, 255};
  return p;
}

}  // namespace

const ui::Palette& surface_colour_table() {
  static const ui::Palette table = make_surface_colour_table();
  return table;
}

const ui::Palette& flowfield_colour_table() {
  static const ui::Palette table = make_flowfield_colour_table();
  return table;
}

ui::Palette flowfield_banded_table(const std::vector<int>& listed) {
  const auto ramp = flowfield_ramp();
  ui::Palette p = flowfield_colour_table();
  ui::Rgb held = ramp[1];
  for (int i = 1; i <= 254; ++i) {
    if (std::find(listed.begin(), listed.end(), i) != listed.end())
      held = ramp[static_cast<std::size_t>(i)];
    p[i] = held;
  }
  return p;
}

}  // namespace qmxv::display
