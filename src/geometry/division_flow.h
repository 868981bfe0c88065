// Where the flow is: the inside/outside codes of the elements of the surface
// divisions and the levels of the divisions without surfaces, spread from the
// face flags of the analysed surface elements.
#pragma once

namespace qmxv {
struct State;
class SetupProgress;

// For every surface division (z outermost, x innermost): the elements a
// triangle cuts (KCUT) become code 0; the element across every face of a cut
// element that is open (IFACE 0) or has the flow beyond it (IFACE -1) is flow
// (code 1), and the flow spreads face to face through the uncut elements, in
// place with x fastest, until a sweep changes nothing. Flow elements on the
// division's boundary make the divisions without surfaces they touch (across
// faces, edges and corners) level 1. Flow elements then become code 0 with
// the whole element volume (IELVOL 1000); uncut elements still at -1 lie
// inside a body.
void set_surface_divisions(State& s, SetupProgress& progress);

// Levels spread from level 1 through the divisions without surfaces, over all
// 26 neighbours; NLEV is the highest. Then the flow is followed across
// division boundaries into the uncut elements of the surface divisions it
// reaches (from a flow division, an uncut flow element, or a cut element's
// open face), flooding them and seeding levels from them in turn, until
// nothing changes. A division that the flow reaches only through cut
// elements (a small cavity between surfaces) stays at level 0. Uncut
// elements never reached get IELVOL 0.
void set_outer_divisions(State& s, SetupProgress& progress);

}  // namespace qmxv
