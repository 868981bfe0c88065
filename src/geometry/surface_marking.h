#pragma once

namespace qmxv {
struct State;

// Registers triangle t in the list of every division and element it touches
// (INDIV, INDSURF through KSURFEL), numbering new surface divisions and
// surface elements; the lists must be allocated. Triangles are marked one
// after another, in order, each in one pass.
void mark_triangle(State& s, int t);

}  // namespace qmxv
