// The sample: sums gathered over many samples for every cell and species,
// every solid triangle and species and every surface, the results of the
// last output computed from them, the molecule-number history and the
// time-step adaptation values.
#pragma once

#include "run/farray.h"

namespace qmxv {

struct SampleData {
  // ---- sums of the sample (double precision) ----
  // CSAMP(k, c, L), k = 1..8+MMVM: count, u, v, w, u^2, v^2, w^2 [m/s],
  // rotational energy [J], then the vibrational energy of each mode [J].
  FArray3<double> CSAMP;
  FArray1<double> CCOLL;    // (c) collisions
  FArray1<double> CSEP;     // (c) sum of the partners' separations [scaled m]
  FArray2<double> CSPCOLL;  // (L, M) collisions of species pair L, M
  // SSAMP(1..6, s, L) per solid triangle s and species L: strikes, normal
  // momentum (incident + reflected), tangential momentum along t1 and t2
  // (incident - reflected) [kg m/s], incident energy, minus the reflected
  // energy [J].
  FArray3<double> SSAMP;
  // SFORCE(1..6, S) per surface: the momentum given to it (x, y, z) and the
  // moment sums about the origin sum(Fx y - Fy x), sum(Fz x - Fx z),
  // sum(Fy z - Fz y) [positions in m].
  FArray2<double> SFORCE;
  FArray2<double> STEMP;    // (1..2, s) degrees of freedom and energy [J] for adiabatic walls
  FArray1<double> SREAC;    // (J) events of surface reaction J

  // ---- results of the last output (single precision, SI) ----
  FArray2<float> VAR;       // (1..17+MSP, c) flowfield properties of cell c
  FArray3<float> VARSP;     // (1..11, c, L) per-species properties
  FArray2<float> VARS;      // (1..9+MSP, s) per solid triangle
  FArray1<int> ICSAMPLE;    // (c) 1 when the cell's last sample was adequate for its time step

  // ---- history and schedule ----
  FArray2<float> HISTNM;    // (1..2, i), i = 1..200: (TIME [scaled s], NM) at a sample
  int IHIST = 2;            // the entry the next sample writes
  int NOUT = 0;             // outputs made by the run
  float DTMEAN = 0;         // mean cell time step at the last output [scaled s]
  float DTMIN = 0;          // DTMEAN / 10

  // Results files of every output under results/ (--export none|csv|vtk|all).
  bool EXPORT_CSV = true;   // the CSV tables
  bool EXPORT_VTK = true;   // the VTK XML files for visualization tools
};

}  // namespace qmxv
