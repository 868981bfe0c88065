// Cell adaption: once a flow has been sampled, the cells are re-formed from
// the sampled density so that each holds about the target number of
// simulated molecules (RunData::TARGET_PER_CELL), with the nodes placed
// where the density is high.
#pragma once

namespace qmxv {
struct State;
namespace ui {
class Toolkit;
}

// Re-forms the cells from the flowfield results VAR of the last output:
// draws the present cells, places in every division a number of nodes
// proportional to the molecules expected there (the fractional remainders
// carried from division to division, z outermost, x innermost) at element
// centres drawn with a probability proportional to the density, combines
// the elements into the new cells as cell formation does, draws them and
// reports the total flow volume. Then every molecule gets the cell of its
// position (one that lies in no cell moves to the centre of the nearest
// flow element, or is removed when none is near), the new cells take their
// time step, largest sigma*c_r and collision clock from the old cell at
// their node, and the per-cell sample and result arrays are re-sized and
// emptied: the sample restarts. NODES.TXT is left as cell formation wrote
// it. The caller rebuilds the molecule index (rebuild_index) before the
// run goes on.
//
// Throws UserError when the sample gives no node at all (a restart set
// written before the first output), before anything is changed, and
// StopRequest on a close request.
void adapt_cells(State& s, ui::Toolkit& ui);

}  // namespace qmxv
