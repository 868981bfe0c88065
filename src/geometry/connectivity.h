#pragma once

namespace qmxv {
struct State;
class SetupProgress;

// Connects the triangles of every surface across their sides (ICON), counts
// the sides lying on the box faces (NBSIDE) and reports every surface as
// closed or open (ICLOSED and a DIAG.TXT line each).
//
// A side shared by more than two triangles, or a side that no other triangle
// shares and that does not lie on a box face, is a fault in the surface data:
// GeometryError naming the line of the triangle's record in QMXSD.DAT, the
// side, the triangle, its surface, its points (as numbered in the surface's
// own point list) and their coordinates. A side along a box edge lies on two
// faces: it keeps the first and gets a warning.
void connect_surfaces(State& s, SetupProgress* progress = nullptr);

}  // namespace qmxv
