// Cell formation: the flow elements of the division/element grid combine into
// computational cells, each the set of flow elements nearest to one node that
// see the node across no solid triangle.
#pragma once

#include <string>

#include "run/errors.h"
#include "ui/toolkit.h"

namespace qmxv {
struct State;

// Places a node at the centroid of every solid triangle and at the centre of
// every flow division without surfaces (listing them in NODES.TXT), sorts the
// nodes into divisions, combines the elements into cells under the progress
// window "Setting the Flowfield Cells - Please Wait", shows the cell picture
// (writing DSCELLS.BMP) and reports the cells' total flow volume. Allocates
// NCELLS cells in CELL and ICELL, and ICHECK; fills JDIV entries 2 and 3 and
// IELCELL. A close request throws StopRequest.
void form_cells(State& s, ui::Toolkit& ui);

// Counts the nodes (CELL entries 2-4 of cells 1..NCELLS) of every division in
// JDIV entry 2, sets JDIV entry 3 to the places before the division's first
// node (divisions z outermost, x innermost) and lists the nodes division by
// division in ICELL entry 3.
void sort_nodes_into_divisions(State& s);

// Gives every element whose IELCELL is 0 the cell of the nearest node it can
// see (an element of a surface division without flow volume gets -1), sums
// each cell's volume and the box around its elements, writes "Volume of cell"
// for the cells under a thousandth of an element and sets the fill ratios.
// The nodes must be sorted into divisions.
void combine_elements(State& s, ui::Toolkit& ui);

// The progress window of a stage of cell formation or adaption: one step per
// element or division, the range divided by 1.2 (with the step) until it
// fits a 16-bit progress control, and a poll of the window events every
// `poll_every` steps; a close request throws StopRequest.
class StepProgress {
 public:
  StepProgress(ui::Toolkit& ui, const std::string& title, const std::string& text, long long steps,
               int poll_every = 4096)
      : ui_(ui), poll_every_(poll_every) {
    long long top = steps > 1 ? steps : 1;
    while (top > 65530) {
      top = static_cast<long long>(static_cast<double>(top) / 1.2);
      step_ /= 1.2;
    }
    top_ = static_cast<int>(top);
    ui_.progress_open(title);
    ui_.progress_text(text);
    ui_.progress_range(1, top_);
    ui_.progress_value(1);
  }
  StepProgress(const StepProgress&) = delete;
  StepProgress& operator=(const StepProgress&) = delete;
  ~StepProgress() { ui_.progress_close(); }

  void advance() {
    value_ += step_;
    const int shown = value_ < top_ ? static_cast<int>(value_) : top_;
    if (shown != shown_) {
      shown_ = shown;
      ui_.progress_value(shown);
    }
    if (++since_poll_ >= poll_every_) {
      since_poll_ = 0;
      if (ui_.poll() == ui::Event::Close) throw StopRequest{};
    }
  }

 private:
  ui::Toolkit& ui_;
  int poll_every_;
  double step_ = 1.0;
  double value_ = 1.0;
  int top_ = 1;
  int shown_ = 1;
  int since_poll_ = 0;
};

// What cell formation and cell adaption share once the nodes are in CELL
// entries 2-4 and the elements to combine have IELCELL 0: sorts the nodes
// into divisions, combines the elements into cells, shows the cell picture
// (a close request at the poll after it throws StopRequest) and writes
// "Total flow volume from cells" with the cells' total [m^3] to DIAG.TXT.
void combine_and_show_cells(State& s, ui::Toolkit& ui);

}  // namespace qmxv
