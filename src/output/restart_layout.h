// What each restart file holds, in order: one list for writing, reading and
// dumping the state, so the three can never disagree.
//
// A visitor is called as v(name, item) for every scalar and array of a file
// in turn, and as v.check(name) where the check integer stands. Conditions
// (vibrational modes, continuous indexing) are tested on the state as it is
// while the visit runs: a reader has set MMVM and IINDEX from QMXVP.RES
// before it visits the files that depend on them.
//
// Scalars the restart set holds beyond the data model's own lists are added
// at the end of QMXVV2.RES, before its check integer.
#pragma once

#include <algorithm>
#include <cstdint>

#include "run/state.h"

namespace qmxv::restart {

enum File : int {
  kSizes = 1,  // QMXVP.RES
  kMolecules1, kMolecules2, kMolecules3, kMolecules4, kMolecules5,  // QMXVM1..5.RES
  kGrid,       // QMXVV1.RES
  kVariables,  // QMXVV2.RES
  kResults,    // QMXVC1.RES
  kCells,      // QMXVC2.RES
  kSamples,    // QMXVCS.RES
  kFiles = kSamples,
};

inline constexpr const char* kFileNames[kFiles + 1] = {
    "",           "QMXVP.RES",  "QMXVM1.RES", "QMXVM2.RES", "QMXVM3.RES", "QMXVM4.RES",
    "QMXVM5.RES", "QMXVV1.RES", "QMXVV2.RES", "QMXVC1.RES", "QMXVC2.RES", "QMXVCS.RES"};

// The fifth molecule file belongs to the set only under continuous indexing.
inline bool in_set(const State& s, int file) { return file != kMolecules5 || s.IINDEX == 1; }

inline constexpr std::int32_t kCheckInteger = 1234567;

// The sizes record. Derived extents are visited through copies: a reader
// takes the real values from the files that own them.
template <typename V>
void visit_sizes(State& s, V& v) {
  auto derived = [&v](const char* name, std::int64_t value) {
    int copy = static_cast<int>(value);
    v(name, copy);
  };
  v("NSURF", s.NSURF);
  v("MSP", s.MSP);
  v("NPT", s.NPT);
  v("NTRI", s.NTRI);
  v("NDIVX", s.NDIVX);
  v("NDIVY", s.NDIVY);
  v("NDIVZ", s.NDIVZ);
  derived("ISTOT extent", static_cast<std::int64_t>(s.ISTOT.size()));
  v("NCELLS", s.NCELLS);
  v("MNM", s.MNM);
  v("NMOLC", s.NMOLC);
  v("NIPR", s.NIPR);
  v("NIR", s.NIR);
  v("MNIPS", s.MNIPS);
  v("MNSUBC", s.MNSUBC);
  v("NSDIV", s.NSDIV);
  v("NSEL", s.NSEL);
  v("MNSEG", s.MNSEG);
  v("ISTEADY", s.ISTEADY);
  v("MMVM", s.MMVM);
  derived("reaction extent", std::max(1, s.MNR));
  derived("surface-reaction extent", std::max(1, s.MNSR));
  derived("third-body extent", std::max(1, s.MTBP));
  v("MNCELLS", s.MNCELLS);
  v("NSTRI", s.NSTRI);
  v("NFTRI", s.NFTRI);
  v("NELX", s.NELX);
  v("NELY", s.NELY);
  v("NELZ", s.NELZ);
  v("NCELLS", s.NCELLS);
  v("IINDEX", s.IINDEX);
  v("ISUBC", s.ISUBC);
  v.check("check integer");
}

template <typename V>
void visit_variables(State& s, V& v) {
  v("SCALE", s.SCALE);
  // Surfaces and triangles.
  v("NSURF", s.NSURF);
  v("NPT", s.NPT);
  v("NTRI", s.NTRI);
  v("NSTRI", s.NSTRI);
  v("NFTRI", s.NFTRI);
  v("NPTS", s.NPTS);
  v("NSTRIS", s.NSTRIS);
  v("NFTRIS", s.NFTRIS);
  v("ITP", s.ITP);
  v("ISURFT", s.ISURFT);
  v("IENTT", s.IENTT);
  v("IB", s.IB);
  v("XPT", s.XPT);
  v("YPT", s.YPT);
  v("ZPT", s.ZPT);
  v("TRI", s.TRI);
  v("ITRIAX", s.ITRIAX);
  v("ICON", s.ICON);
  v("ICLOSED", s.ICLOSED);
  v("NBSIDE", s.NBSIDE);
  // Region and grid.
  v("XMIN", s.XMIN);
  v("XMAX", s.XMAX);
  v("YMIN", s.YMIN);
  v("YMAX", s.YMAX);
  v("ZMIN", s.ZMIN);
  v("ZMAX", s.ZMAX);
  v("NDIVX", s.NDIVX);
  v("NDIVY", s.NDIVY);
  v("NDIVZ", s.NDIVZ);
  for (float* w : {&s.WX, &s.WY, &s.WZ, &s.DDX, &s.DDY, &s.DDZ, &s.DEX, &s.DEY, &s.DEZ})
    v("widths", *w);
  v("NDIVT", s.NDIVT);
  v("DMIN", s.DMIN);
  v("EMIN", s.EMIN);
  v("EDIAG", s.EDIAG);
  v("EVOL", s.EVOL);
  v("NSDIV", s.NSDIV);
  v("NLEV", s.NLEV);
  v("NFDIV", s.NFDIV);
  v("FLOWVOL", s.FLOWVOL);
  v("JDIV", s.JDIV);
  // Surface-element arrays and the compact surface index.
  v("IELVOL", s.IELVOL);
  v("ISDIV", s.ISDIV);
  v("ISTOT", s.ISTOT);
  v("MNSEG", s.MNSEG);
  v("MAXSEL", s.MAXSEL);
  v("MTRI", s.MTRI);
  v("NSEL", s.NSEL);
  v("INDIV", s.INDIV);
  v("KSURFEL", s.KSURFEL);
  v("INDSURF", s.INDSURF);
  v("IFACE", s.IFACE);
  v("KCUT", s.KCUT);
  v("NMCT", s.NMCT);
  v("NMTT", s.NMTT);
  // The stream and its derived quantities.
  v("FND", s.FND);
  v("FTMP", s.FTMP);
  v("VFX", s.VFX);
  v("VFY", s.VFY);
  v("VFZ", s.VFZ);
  v("VMP", s.VMP);
  v("VMPM", s.VMPM);
  v("FDEN", s.FDEN);
  v("FPR", s.FPR);
  v("VSTRM", s.VSTRM);
  v("FMA", s.FMA);
  v("CTSTR", s.CTSTR);
  v("FMFP", s.FMFP);
  v("DTMREF", s.DTMREF);
  // Entry: fractions, fluxes and their remainders.
  v("FSP", s.FSP);
  v("EFACE", s.EFACE);
  v("EFTRI", s.EFTRI);
  v("ENTVL", s.ENTVL);
  v("FOUTR", s.FOUTR);
  v("TOUTG", s.TOUTG);
  // Gas.
  v("MSP", s.MSP);
  v("SP", s.SP);
  v("SPM", s.SPM);
  v("ISPR", s.ISPR);
  // Schedule and counters.
  v("NSPI", s.NSPI);
  v("NSTEADY", s.NSTEADY);
  v("NROUND", s.NROUND);
  v("FNUM", s.FNUM);
  v("TREF", s.TREF);
  v("ROUT", s.ROUT);
  v("FAVG", s.FAVG);
  v("DTM", s.DTM);
  v("DTSAMP", s.DTSAMP);
  v("DTSKIP", s.DTSKIP);
  v("CSEPMFP", s.CSEPMFP);
  v("DTOUT", s.DTOUT);
  v("TIME", s.TIME);
  v("TLIM", s.TLIM);
  v("TSTEADY", s.TSTEADY);
  v("TOUT", s.TOUT);
  v("TSAMP", s.TSAMP);
  v("TOTCOL", s.TOTCOL);
  v("CSPCOLL", s.CSPCOLL);
  v("TOTREA", s.TOTREA);
  v("TOTMOV", s.TOTMOV);
  v("TOTENT", s.TOTENT);
  v("TOTREF", s.TOTREF);
  v("NSAMP", s.NSAMP);
  v("TSAMPSTART", s.TSAMPSTART);
  // Surface reactions.
  v("MNSR", s.MNSR);
  v("ISRI", s.ISRI);
  v("ISRR", s.ISRR);
  v("ESR", s.ESR);
  // Vibration.
  v("MMVM", s.MMVM);
  if (s.MMVM > 0) {
    v("ISPV", s.ISPV);
    v("THETAV", s.THETAV);
    v("SPVC", s.SPVC);
  }
  // Gas-phase reactions as read from the data file.
  v("MNR", s.MNR);
  v("MTBP", s.MTBP);
  v("LE", s.LE);
  v("ME", s.ME);
  v("KP", s.KP);
  v("LP", s.LP);
  v("MP", s.MP);
  v("CI", s.CI);
  v("AE", s.AE);
  v("PX", s.PX);
  v("CT", s.CT);
  v("RE", s.RE);
  v("TBP", s.TBP);
  // Display selections: units, flowfield panel, surface panel, forces panel,
  // and the plane of the geometry pictures.
  v("IUNITS", s.IUNITS);
  for (int* d : {&s.IPROP, &s.ILOG, &s.IRANGELO, &s.IRANGEHI, &s.IWHITE, &s.IPLANE, &s.IPLDIV,
                 &s.IPLEL, &s.ICOLSTYLE, &s.IPROPS, &s.ILOGS, &s.IRANGELOS, &s.IRANGEHIS,
                 &s.IWHITES, &s.IFSURF})
    v("display selection", *d);
  for (float* r : {&s.XREF, &s.YREF, &s.ZREF, &s.AREF, &s.LREF}) v("forces reference", *r);
  v("PLANE axis", s.PLANE.axis);
  v("PLANE division", s.PLANE.division);
  v("PLANE element", s.PLANE.element);
  v("NMSAMPSTART", s.NMSAMPSTART);
  // Surface-triangle properties.
  v("TSURF", s.TSURF);
  v("FSPEC", s.FSPEC);
  v("FADS", s.FADS);
  v("FOUT", s.FOUT);
  v("PSR", s.PSR);
  v("VSURF", s.VSURF);
  v("ENTV", s.ENTV);
  v("ENTFSP", s.ENTFSP);
  // Secondary stream and the moving wall.
  v("ISEP", s.ISEP);
  v("INIT", s.INIT);
  v("XSEP", s.XSEP);
  v("VWALL", s.VWALL);
  v("FND2", s.FND2);
  v("FTMP2", s.FTMP2);
  v("VFX2", s.VFX2);
  v("VFY2", s.VFY2);
  v("VFZ2", s.VFZ2);
  v("FSP2", s.FSP2);
  // The reaction tables prepared for the chemistry.
  v("CK", s.CK);
  v("NPOST", s.NPOST);
  v("NSPEX", s.NSPEX);
  v("ISPEX", s.ISPEX);
  // Surface reactions open to each incident species.
  v("NSRSP", s.NSRSP);
  v("ISRSP", s.ISRSP);
  v("NELX", s.NELX);
  v("NELY", s.NELY);
  v("NELZ", s.NELZ);
  v("NELD", s.NELD);
  v("NELT", s.NELT);
  // Per-surface index arrays.
  v("NPTSB", s.NPTSB);
  v("NTRISB", s.NTRISB);

  // ---- what a continuation needs beyond the lists above ----
  // Run settings of the data set.
  v("ISTEADY", s.ISTEADY);
  v("MNM", s.MNM);
  v("IINDEX", s.IINDEX);
  v("NIR", s.NIR);
  v("ISUBC", s.ISUBC);
  v("NMOLC", s.NMOLC);
  v("NIPR", s.NIPR);
  v("NCELLS", s.NCELLS);
  v("MNCELLS", s.MNCELLS);
  v("MNIPS", s.MNIPS);
  v("MNSUBC", s.MNSUBC);
  // Surface and reaction samples, the results of the last output.
  v("SSAMP", s.SSAMP);
  v("SFORCE", s.SFORCE);
  v("STEMP", s.STEMP);
  v("SREAC", s.SREAC);
  v("VARS", s.VARS);
  // Outputs, history and time-step adaptation.
  v("NOUT", s.NOUT);
  v("HISTNM", s.HISTNM);
  v("IHIST", s.IHIST);
  v("DTMEAN", s.DTMEAN);
  v("DTMIN", s.DTMIN);
  v("ICHECK", s.ICHECK);
  // Boundary counters of the move.
  v("TOTREM", s.TOTREM);
  v("BLEAVE", s.BLEAVE);
  v("XSEPNET", s.XSEPNET);
  v("BREENT", s.BREENT);
  // The indices of the last point location and the node sort's scratch list.
  for (int* i : {&s.IDX, &s.IDY, &s.IDZ, &s.IEX, &s.IEY, &s.IEZ}) v("location", *i);
  v("NODEDIV", s.NODEDIV);
  // The generator: its two states after the last number drawn.
  std::int32_t state1 = s.rng.state1(), state2 = s.rng.state2();
  v("generator state 1", state1);
  v("generator state 2", state2);
  s.rng.set_states(state1, state2);
  v.check("check integer");
}

// Visits the record of `file`.
template <typename V>
void visit_file(State& s, int file, V& v) {
  switch (file) {
    case kSizes:
      visit_sizes(s, v);
      break;
    case kMolecules1:
      v("PP", s.PP);
      break;
    case kMolecules2:
      v("PV", s.PV);
      break;
    case kMolecules3:
      v("IP", s.IP);
      break;
    case kMolecules4:
      v("PTIM", s.PTIM);
      v("IPS", s.IPS);
      if (s.MMVM > 0) v("IPVIB", s.IPVIB);
      v("ISCH", s.ISCH);
      v("NM", s.NM);
      break;
    case kMolecules5:
      v("IR", s.IR);
      v("IRCELL", s.IRCELL);
      break;
    case kGrid:
      v("IELCELL", s.IELCELL);
      break;
    case kVariables:
      visit_variables(s, v);
      break;
    case kResults:
      v("VAR", s.VAR);
      v("VARSP", s.VARSP);
      v("ICSAMPLE", s.ICSAMPLE);
      break;
    case kCells:
      v("CELL", s.CELL);
      v("ICELL", s.ICELL);
      v("CTIME", s.CTIME);
      break;
    case kSamples:
      v("CSAMP", s.CSAMP);
      v("CCOLL", s.CCOLL);
      v("CSEP", s.CSEP);
      break;
  }
}

}  // namespace qmxv::restart
