// The 3-D picture of the surfaces as the surface preview shows it: every
// triangle coloured by its surface, placed relative to the centre of the
// flowfield box, with the start view that shows the whole box.
#pragma once

#include <array>

#include "ui/toolkit.h"

namespace qmxv {
struct State;
}

namespace qmxv::display {

// Every triangle of every surface, vertices relative to the centre of the
// flowfield box [scaled m], one colour per surface shaded by the face
// direction, back faces culled (a
// surface is seen from the flow side, where (P2-P1)x(P3-P1) points).
// The mirrored half model of a plane of symmetry at ZMIN joins with the
// surface result display.
ui::Scene3 surface_scene(const State& s);

// The corners of triangle n relative to `centre` [scaled m], into t.p;
// false when a corner index lies outside the point arrays.
bool triangle_corners(const State& s, int n, const std::array<double, 3>& centre, ui::Triangle3& t);

// The start view of the surface preview: default_surface_view() with the
// scale chosen so the whole flowfield box fits a window of the given
// width/height ratio with a margin. Aspect 1 fits every window at least as
// wide as it is high.
ui::View3 preview_view(const State& s, float aspect = 1.0f);

}  // namespace qmxv::display
