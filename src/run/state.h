// The simulation state: every scalar and array of a run under its data-model
// name, so the code and the data model read as one text.
//
// Units: physical values are SI, but every length and time inside the state
// is multiplied by SCALE; velocities are not scaled; areas and volumes carry
// SCALE squared and cubed. Divide by SCALE before showing a length or time.
//
// Each part of the state has one owner that allocates it: the gas/flow data
// reader (GasData), the surface reader (SurfaceData), the geometry set-up
// (GridData), initialization and the molecule store (molecules), sampling
// (samples); the restart files restore all of it.
#pragma once

#include <cstdint>
#include <filesystem>

#include "core/flow_state.h"
#include "core/molecule_state.h"
#include "display/display_state.h"
#include "geometry/cell_state.h"
#include "geometry/grid_state.h"
#include "output/sample_state.h"
#include "run/diag.h"
#include "run/farray.h"
#include "run/random.h"

namespace qmxv {

// Region, gas, reactions, streams, boundaries and run settings (QMXVD.DAT).
struct GasData {
  // Flow computation region [scaled m] and the scale factor.
  float XMIN = 0, XMAX = 0, YMIN = 0, YMAX = 0, ZMIN = 0, ZMAX = 0;
  float SCALE = 1.0f;
  int NDIVX = 0, NDIVY = 0, NDIVZ = 0;  // divisions along x, y, z
  int NELX = 0, NELY = 0, NELZ = 0;     // elements per division along x, y, z
  // Boundary codes of the sides at min x, max x, min y, max y, min z, max z:
  // 1 axis of symmetry, 2 plane of symmetry, 3 stream, 4 vacuum, 5 periodic,
  // 6 constant pressure, 7 specular wall moving into the flow (side 1 only).
  FArray1<int> IB{6};
  float VWALL = 0;  // speed of the moving wall at XMIN [m/s]

  // Species L = 1..MSP, vibrational modes K = 1..ISPV(L).
  int MSP = 0;
  int MMVM = 0;
  FArray2<float> SP;      // (1..4, L): diameter [m], ref. temperature [K], visc. index, mass [kg]
  FArray2<int> ISPR;      // (1, L) rotational degrees of freedom; (2, L) rot. relaxation number
  FArray1<int> ISPV;      // (L) number of vibrational modes
  FArray2<float> THETAV;  // (K, L) characteristic vibrational temperature [K]
  FArray3<float> SPVC;    // (1..2, K, L) C1, C2 of the vibrational collision number

  // Gas-phase reactions J = 1..MNR and third-body tables (extents at least 1).
  int MNR = 0, MTBP = 0;
  FArray1<int> LE, ME, KP, LP, MP;
  FArray1<float> CI;  // contributing internal degrees of freedom
  FArray1<float> AE;  // activation energy [J]
  FArray1<float> PX;  // 1.E10 times the pre-exponential parameter
  FArray1<float> CT;  // temperature exponent of the rate
  FArray1<float> RE;  // energy of the reaction [J]
  FArray2<float> TBP; // (L, J) third-body efficiency of species L in table J
  // Prepared from the reactions at initialization (core/chemistry.h).
  FArray1<double> CK;  // (J) constant of the total-collision-energy probability
  FArray1<int> NPOST;  // (J) molecules after the reaction: 3 dissociation, 2 exchange, 1 recombination
  FArray2<int> NSPEX;  // (L, M) reactions open to the species pair L, M
  FArray3<int> ISPEX;  // (i, L, M) their numbers, i = 1..NSPEX(L, M)

  // Surface reactions J = 1..MNSR (extent at least 1).
  int MNSR = 0;
  FArray2<int> ISRI;   // (1..2, J) incident species (0 none)
  FArray2<int> ISRR;   // (1..6, J) reflected (product) species (0 none)
  FArray1<float> ESR;  // (J) energy input to the surface [J]
  // Surface reactions open to each incident species: NSRSP(L) of them, listed
  // in ISRSP(1..NSRSP(L), L).
  FArray1<int> NSRSP;
  FArray2<int> ISRSP;

  // Stream (or reference gas) and initial state.
  float FND = 0, FTMP = 0;           // number density [1/m^3], temperature [K]
  float VFX = 0, VFY = 0, VFZ = 0;   // velocity [m/s]
  FArray1<float> FSP;                // (L) fraction of species L
  int INIT = 1;                      // 1 the stream, 2 a vacuum
  int ISEP = 0;                      // 1: secondary stream beyond x = XSEP
  float XSEP = 0;                    // [scaled m]
  float FND2 = 0, FTMP2 = 0, VFX2 = 0, VFY2 = 0, VFZ2 = 0;
  FArray1<float> FSP2;

  // Run settings.
  float FNUM = 0;      // real molecules per simulated molecule
  float TREF = 0;      // reference time [scaled s]
  int ISTEADY = 0;     // 0 unsteady, 1 eventually steady
  float ROUT = 0;      // output interval in reference times
  float FAVG = 1.0f;   // time-averaged fraction of the output interval
  int NSPI = 0;        // samples per output interval
  int NSTEADY = 0;     // output intervals to assumed steady flow
  int MNM = 0;         // capacity of the molecule arrays
  int NMCT = 0;        // moves per mean collision time
  int NMTT = 0;        // moves per mean cell transit time
  int IINDEX = 0;      // 0 normal, 1 continuous indexing
  int NIR = 1;         // capacity of the continuous-indexing list
  int ISUBC = 0;       // 0 no sub-cells, 1 transient sub-cells
};

// Surfaces, points and triangles (QMXSD.DAT). Point and triangle numbers run
// through the whole file; solid and entry triangles have property slots of
// their own, pointed to by ITP(4, N): +s for the s-th solid, -e for the e-th
// entry triangle.
struct SurfaceData {
  int NSURF = 0;
  int NPT = 0, NTRI = 0, NSTRI = 0, NFTRI = 0;
  FArray1<int> NPTS, NSTRIS, NFTRIS;  // per surface
  FArray1<int> NPTSB, NTRISB;         // points and triangles before surface S
  FArray1<float> XPT, YPT, ZPT;       // point coordinates [scaled m]
  FArray2<int> ITP;                   // (1..6, N) points, property index, grid links
  FArray1<int> ISURFT;                // (N) surface of triangle N
  FArray1<int> IENTT;                 // (e) triangle number of entry triangle e

  // Solid-triangle properties, s = 1..NSTRI.
  FArray1<float> TSURF;  // > 0 diffuse at TSURF [K]; <= 0 adiabatic, minimum -TSURF
  FArray1<float> FSPEC;  // fraction of specular reflection
  FArray2<float> FADS;   // (L, s) fraction of species L adsorbed
  FArray2<float> FOUT;   // (L, s) outgas mass flux of species L [kg/m^2/s]
  FArray2<float> PSR;    // (J, s) probability of surface reaction J
  FArray2<float> VSURF;  // (1..2, s) tangential wall velocities [m/s] (no data record: 0)

  // Entry-triangle properties, e = 1..NFTRI.
  FArray2<float> ENTV;    // (1..5, e) u, v, w [m/s], temperature [K], number density [1/m^3]
  FArray2<float> ENTFSP;  // (L, e) species fractions
};

// Run control: the schedule, the counters and the run's settings [scaled s].
struct RunData {
  double TIME = 0;
  float DTM = 0;
  float TLIM = 0, DTOUT = 0, TOUT = 0, DTSAMP = 0, TSAMP = 0, DTSKIP = 0, TSTEADY = 0;
  int NM = 0;
  double TOTMOV = 0, TOTCOL = 0, TOTREF = 0, TOTENT = 0;
  FArray1<double> TOTREA;
  int NROUND = 0;
  float CSEPMFP = 0;
  int NSAMP = 0;
  float TSAMPSTART = 0;
  int NMSAMPSTART = 0;

  int NRUNTYPE = 6;    // 1 continue, 2 adapt, 3..5 demonstrations, 6 about, 7 own case
  int IUNITCFG = 1;    // unit system of new runs, from QMXV.CFG
  int IUNITS = 1;      // unit system of the displays: 1 SI, 2 English, 3 non-dimensional
  int IOPTCHOICE = 1;  // answer to the non-standard-options question
  int IINFO = 1;       // information page chosen
  // Simulated molecules per cell that cell adaption aims at: ten to twenty
  // keep the collision and sampling statistics sound without cells so large
  // that gradients are smeared. Set for the session (--molecules-per-cell).
  int TARGET_PER_CELL = 15;

  // Screen class (1024 or 1280) and the placement offsets of pop-up dialogs [pixels].
  int ISCREEN = 1280;
  int IXOFF = 100, IYOFF = 100;
};

struct State : RunData, GasData, SurfaceData, GridData, CellData, FlowData, MoleculeData,
               SampleData, DisplayData {
  // The working directory: every file of the run is read and written here.
  std::filesystem::path DIR = ".";
  DiagFile DIAG;
  Random rng;

  // The one uniform generator in (0, 1); every stochastic choice draws here.
  float RF() { return rng.next(); }

  // Species of molecule n: IP(3, n), or 1 when the gas has one species.
  int species(int n) const { return NIPR > 2 ? IP(3, n) : 1; }

  std::filesystem::path file(const char* name) const { return DIR / name; }
};

}  // namespace qmxv
