// The molecules of each cell as a list. Normal indexing rebuilds it from the
// molecules' cells once per step, in row 1 of IP; continuous indexing keeps
// the cross-referenced list IR, with slack per cell, current molecule by
// molecule.
#pragma once

namespace qmxv {
struct State;

// Normal indexing: rebuilds ICELL and the list in IP(1, .) from IP(2, .).
void index_molecules(State& s);

// Continuous indexing: rebuilds IRCELL, ICELL, IR and IP(1, .) from the cells
// of the molecules, with 4.95 times each cell's count plus MNM/NCELLS places.
void reset_continuous_index(State& s);

// Continuous indexing: takes molecule n out of cell c's list.
void remove_from_cell(State& s, int c, int n);

// Continuous indexing: puts molecule n (IP(2, n) already c) at the end of
// cell c's list, growing the cell's range when it is full.
void add_to_cell(State& s, int c, int n);

// Continuous indexing: verifies the index, writes what is wrong to DIAG.TXT
// and resets it when anything is. Returns the number of faults found.
int check_index(State& s);

// The index of whichever kind the data chose, built from scratch.
void rebuild_index(State& s);

// Position p of the list of the chosen indexing (IR(p) or IP(1, p)).
int listed_molecule(const State& s, int p);

// The molecules of cell c in the list of the chosen indexing: at(k) for
// k = 1..n. The pointer is stale once the molecule store grows.
struct CellList {
  const int* list;
  int n;
  int at(int k) const { return list[k]; }
};
CellList cell_list(const State& s, int c);

}  // namespace qmxv
