// The molecule store: parallel arrays of molecules 1..NM with room for MNM,
// kept dense (removal moves the last molecule into the hole) and grown by a
// factor through scratch files when full.
#pragma once

#include <cstddef>

namespace qmxv {
struct State;

// Allocates every molecule array with capacity mnm for the gas of the data
// set (NMOLC, NIPR and NIR follow from it) and sets NM = 0.
void allocate_molecules(State& s, int mnm);

// Removes molecule n of cell c: the last molecule moves into slot n and n is
// decreased by one, so the caller's loop continues at the same slot.
void remove_molecule(State& s, int& n, int c);

// Makes room for one more molecule (extending the store when NM = MNM) and
// returns its number, NM after the increase. The caller writes column NM.
int add_molecule(State& s);

// Copies molecule n into a new last slot and, under continuous indexing,
// enters the copy into cell c's list. Returns the copy's number.
int duplicate_molecule(State& s, int n, int c);

// Raises MNM by the factor f (at least by one), carrying every slot bit for
// bit through EXTMOLS.SCR (and the index through EXTMOLI.SCR).
void extend_molecules(State& s, float f);

// Bytes held by the molecule arrays and the molecule index.
std::size_t molecule_bytes(const State& s);

}  // namespace qmxv
