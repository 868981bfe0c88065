#pragma once

namespace qmxv {
struct State;
namespace ui {
class Toolkit;
}

// Enters new molecules across stream boundaries and entry triangles.
void enter_molecules(State& s);

}  // namespace qmxv
