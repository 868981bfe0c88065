#pragma once

namespace qmxv {
struct State;
namespace ui {
class Toolkit;
}

// Binary collisions in every cell, with internal energy exchange and chemistry.
void collide(State& s);

}  // namespace qmxv
