// Cell formation: the flow elements of the division/element grid combine into
// computational cells, each the set of flow elements nearest to one node that
// see the node across no solid triangle.
#pragma once

namespace qmxv {
struct State;
namespace ui {
class Toolkit;
}

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

}  // namespace qmxv
