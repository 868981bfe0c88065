// The surface index lists of the grid set-up: every sample position of a
// triangle registers the triangle in the list of its division (INDIV) and of
// its element (INDSURF through KSURFEL). Divisions and elements that receive
// their first triangle are numbered as surface divisions and surface elements.
#pragma once

#include <functional>
#include <string>

namespace qmxv {
struct State;

// Runs `allocate`; when memory runs out, writes "PROGRAM COULD NOT ALLOCATE"
// and `what` to DIAG.TXT before the failure travels on.
void allocate_or_report(State& s, const std::string& what, const std::function<void()>& allocate);

// Allocates KSURFEL, INDSURF (MAXSEL rows of places 0..MTRI) and the division
// lists (places 0..MNSEG) and clears NSEL and NSDIV. MNSEG, MAXSEL and MTRI
// must be set; JDIV must exist (entry 1 is set at a division's first triangle).
void allocate_index_lists(State& s);

// Registers triangle t at (x, y, z): nothing for a position outside the box;
// else in its division's and its element's list (each triangle once), growing
// the lists when full:
//   a division list by one place: "MNSEG extended to" MNSEG;
//   the element rows to int(MAXSEL*1.2 + 1): "MAXSEL extended to" MAXSEL;
//   the element places to int(MTRI*1.2 + 1): "MTRI extended to" MTRI.
// Sets the current indices. All marks of a triangle are made in one pass, in
// triangle order, so a triangle already listed is always the last entry.
void mark_position(State& s, float x, float y, float z, int t);

// Registers triangle t in the list of division (idx, idy, idz) alone (a
// division whose boundary the triangle touches without entering any of its
// elements), numbering the division at its first triangle.
void list_in_division(State& s, int idx, int idy, int idz, int t);

// Packs the division lists into the compact surface index ISDIV / ISTOT.
void pack_surface_index(State& s);

// Frees INDIV, KSURFEL, INDSURF, the face flags IFACE and KCUT.
void free_index_lists(State& s);

}  // namespace qmxv
