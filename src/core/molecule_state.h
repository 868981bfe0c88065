// The molecule store and the per-cell index: the part of the simulation state
// that initialization (or a restart) allocates and the molecule store grows.
//
// Molecule n (1..NM) is column n of every array; slots 1..NM are all live.
// Positions are scaled lengths, velocities physical m/s, PTIM scaled time.
#pragma once

#include <array>
#include <cassert>
#include <cstddef>
#include <cstdint>

#include "run/farray.h"

namespace qmxv {

// IP(1..NIPR, n) with each row held as an array of its own: the indexing
// passes touch only row 1, the move only row 2 and the collisions row 3, so
// separate rows keep each pass on contiguous memory.
class IPArray {
 public:
  void allocate(int nipr, int mnm) {
    nipr_ = nipr;
    for (int r = 0; r < 3; ++r) rows_[r].allocate(r < nipr ? mnm : 0);
  }
  void clear() {
    for (auto& r : rows_) r.clear();
    nipr_ = 0;
  }
  int& operator()(int row, int n) {
    assert(row >= 1 && row <= nipr_);
    return rows_[row - 1](n);
  }
  int operator()(int row, int n) const {
    assert(row >= 1 && row <= nipr_);
    return rows_[row - 1](n);
  }
  FArray1<int>& row(int r) { return rows_[r - 1]; }
  const FArray1<int>& row(int r) const { return rows_[r - 1]; }
  int rows() const { return nipr_; }
  std::size_t bytes() const { return rows_[0].bytes() + rows_[1].bytes() + rows_[2].bytes(); }

 private:
  int nipr_ = 0;
  std::array<FArray1<int>, 3> rows_;
};

struct MoleculeData {
  int NMOLC = 3;  // rows of PV: 4 when any species rotates, else 3
  int NIPR = 2;   // rows of IP: 3, or 2 with one species
  FArray2<float> PP;            // (1..3, n) position [scaled m]
  FArray2<float> PV;            // (1..3, n) velocity [m/s]; (4, n) rotational energy [J]
  FArray1<double> PTIM;         // (n) the molecule's own time [scaled s]
  IPArray IP;                   // (1, n) index link; (2, n) cell (< 0 marked); (3, n) species
  FArray2<std::int8_t> IPVIB;   // (K, n) vibrational level of mode K, 0..127
  FArray1<int> IR;              // continuous indexing: molecule numbers per cell (NIR places)
  FArray1<int> IRCELL;          // continuous indexing: places reserved for cell c
};

}  // namespace qmxv
