// The static texts a new user reads first: the four information pages offered
// by "About Program and Method", and the two framed notes of the Run Type
// dialog. Both faces show the same texts; only the drawing differs.
//
// Text format, kept deliberately small so a scripted terminal and a dialog
// render it alike:
//   - blocks are separated by one blank line;
//   - a block whose line starts with "# " is a heading (one line);
//   - a block of lines starting with "- " is a list; an item runs on over
//     following lines until the next "- " line or the end of the block;
//   - any other block is a paragraph; its lines are joined with a blank.
// The texts are plain ASCII with no other markup.
#pragma once

#include <string>
#include <utility>
#include <vector>

namespace qmxv {

struct InfoPage {
  std::string title;
  std::string text;
};

// The page chosen in the "Type of Information" dialog, IINFO = 1..4: the DSMC
// method, its FAQ, this program, its FAQ. Throws std::out_of_range otherwise.
const InfoPage& info_page(int iinfo);

// The two framed notes below the buttons of the Run Type dialog, as
// (heading, text) in the order shown.
const std::vector<std::pair<std::string, std::string>>& run_type_notes();

}  // namespace qmxv
