#pragma once

namespace qmxv {
struct State;
namespace ui {
class Toolkit;
}

// Normal indexing: rebuilds the per-cell molecule lists.
void index_molecules(State& s);

}  // namespace qmxv

namespace qmxv {
// Continuous indexing: verifies the index and resets it when anything is wrong.
void check_index(State& s);
}  // namespace qmxv
