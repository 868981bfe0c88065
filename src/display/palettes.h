// Fixed colour tables of the pictures.
#pragma once

#include "ui/toolkit.h"

namespace qmxv::display {

// The 256-entry colour scale of the surface display: entry 0 black, then
// blue (1) through cyan (64), green (128) and yellow (191/192) to red (255),
// in steps of 4 in one channel at a time.
const ui::Palette& surface_colour_table();

}  // namespace qmxv::display
