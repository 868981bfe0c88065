// The quantities initialization derives from the data set and the run totals
// of the molecule stages: stream constants, species-pair collision data, the
// entry-flux tables and the per-cell collision clocks.
#pragma once

#include "run/farray.h"

namespace qmxv {

// Rows of the entry record EFACE(i, L, K, J) and of the entry-triangle
// record EFTRI(i, L, e).
enum EntryField : int {
  kEntFraction = 1,  // species fraction of the entering gas
  kEntRate = 2,      // simulated molecules entering per unit scaled time
  kEntRemainder = 3, // fractional remainder carried from step to step
  kEntVmp = 4,       // most probable speed [m/s]
  kEntSpeedRatio = 5,// s: inward normal velocity / most probable speed
  kEntUmax2 = 6,     // s + sqrt(s^2 + 2): twice the location of the maximum of u exp(-(u-s)^2)
  kEntExponent = 7,  // ((2s - row 6) s + 1)/2 = (u_max - s)^2
  kEntFields = 7,
};

struct FlowData {
  // ---- stream constants ----
  FArray1<float> VMP;     // (L) most probable speed in the stream [m/s]
  float VMPM = 0;         // largest VMP
  float FDEN = 0;         // stream density [kg/m^3]
  float FPR = 0;          // stream pressure [Pa]
  float VSTRM = 0;        // stream speed [m/s]
  float FMA = 0;          // stream speed / sqrt(D/(D+2) k T/m): the speed figure for output
  float CTSTR = 0;        // mean collision time in the stream [s]
  float FMFP = 0;         // mean free path in the stream [m]
  float DTMREF = 0;       // the initial overall time step [scaled s]

  // SPM(1..7, L, M): reduced mass [kg], cross-section pi/4 (d_L+d_M)^2 [m^2],
  // mean omega, mean reference diameter [m], mean reference temperature [K],
  // 1/GAM(2.5 - omega), rotational exchange probability 2/(Z_L + Z_M).
  FArray3<float> SPM;

  // ---- entry ----
  // EFACE(1..7, L, K, J): face K = 1..6 (min x, max x, min y, max y, min z,
  // max z), stream J = 1 (the stream) or 2 (the secondary stream); rows as
  // EntryField, per division face.
  FArray4<float> EFACE;
  FArray3<float> EFTRI;   // (1..7, L, e) per flow-entry triangle e, rows as EntryField
  FArray2<float> ENTVL;   // (1..3, e) entry gas velocity: normal, tangent t1, tangent t2 [m/s]
  FArray2<float> FOUTR;   // (L, s) outgassing remainder of solid triangle s
  double TOUTG = 0;       // total outgassing rate [simulated molecules per scaled s]

  // ---- collisions ----
  FArray1<double> CTIME;  // (c) collision clock of cell c [scaled s]
  FArray2<int> IPS;       // (1..2, k) sub-cell lists of the cell being collided
  FArray2<int> ISCH;      // (1..2, j) start and count of sub-cell j
  int MNSUBC = 0;         // capacity of ISCH (sub-cells)
  int MNIPS = 0;          // capacity of IPS (molecules)

  // ---- run totals of the move ----
  double TOTREM = 0;        // molecules removed at boundaries and surfaces
  FArray2<double> BLEAVE;   // (1..2, L) leaving through the min-x / max-x constant-pressure face
  FArray1<double> XSEPNET;  // (L) net crossings of x = XSEP towards +x
  FArray2<double> BREENT;   // (1..2, L) molecules re-entered at the min-x / max-x face
};

}  // namespace qmxv
