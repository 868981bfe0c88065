// What the displays show: the unit system is in RunData; the rest are the
// selections of the flowfield panel, the surface panel and the forces panel.
// They travel in the restart files, so a continued run shows what the user
// last chose.
#pragma once

namespace qmxv {

struct DisplayData {
  // ---- flowfield panel ----
  int IPROP = 10;       // property shown (index of VAR): the temperature
  int ILOG = 0;         // 1: log10 scale
  int IRANGELO = 0;     // range steps of the colour scale, 3 % of the span each
  int IRANGEHI = 0;
  int IWHITE = 0;       // 1: white background
  int IPLANE = 3;       // plane normal to x (1), y (2) or z (3)
  int IPLDIV = 1;       // division and element along that axis
  int IPLEL = 1;
  int ICOLSTYLE = 1;    // 1 continuous colours, 2 colour bands

  // ---- surface panel ----
  int IPROPS = 2;       // property shown (index of VARL): the number flux
  int ILOGS = 0;        // 1: log10 scale
  int IRANGELOS = 0;    // range steps of its colour scale
  int IRANGEHIS = 0;
  int IWHITES = 0;      // 1: white background

  // ---- forces panel ----
  int IFSURF = 1;                        // surface whose forces are shown
  float XREF = 0, YREF = 0, ZREF = 0;    // moment reference point [m, or ft, or extent ratios]
  float AREF = -1;                       // reference area of the coefficients [m^2]; < 0 not yet given
  float LREF = -1;                       // reference length of the moment coefficients [m]
};

}  // namespace qmxv
