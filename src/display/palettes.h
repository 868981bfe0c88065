// Fixed colour tables of the pictures.
#pragma once

#include <vector>

#include "ui/toolkit.h"

namespace qmxv::display {

// The 256-entry colour scale of the surface display: entry 0 black, then
// blue (1) through cyan (64), green (128) and yellow (191/192) to red (255),
// in steps of 4 in one channel at a time.
const ui::Palette& surface_colour_table();

// The continuous colour scale of the flowfield display: entry 0 black, 255
// white, and 1..254 a ramp from blue through cyan (65), green (129) and
// yellow (193) towards red, one channel changing by 4 per entry.
const ui::Palette& flowfield_colour_table();

// The banded variant of the flowfield scale: the colour of each listed
// entry (the entries on the labelled values of the colour bar, ascending)
// holds until the next listed entry; below the first one the colour of
// entry 1 holds. Entries 0 and 255 as in the continuous table.
ui::Palette flowfield_banded_table(const std::vector<int>& listed);

}  // namespace qmxv::display
