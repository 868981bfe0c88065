#include "geometry/grid_setup.h"


#include <algorithm>
#include <cmath>
#include <vector>

#include "geometry/connectivity.h"
#include "geometry/division_flow.h"
#include "geometry/geometry_pictures.h"
#include "geometry/element_analysis.h"
#include "geometry/index_lists.h"
#include "geometry/locate.h"
#include "geometry/setup_progress.h"
#include "geometry/surface_marking.h"
#include "geometry/triangles.h"
#include "run/state.h"
#include "ui/toolkit.h"

namespace qmxv {
namespace {

// Triangles per point: the densest point decides the first capacity of the
// division and element lists.
int most_triangles_at_a_point(const State& s) {
  std::vector<int> count(static_cast<std::size_t>(s.NPT) + 1, 0);
  int most = 0;
  for (int t = 1; t <= s.NTRI; ++t)
    for (int k = 1; k <= 3; ++k) most = std::max(most, ++count[s.ITP(k, t)]);
  return most;
}

void analyse_surface_elements(State& s, SetupProgress& progress) {
  ElementAnalysis work;
  for (int idz = 1; idz <= s.NDIVZ; ++idz)
    for (int idy = 1; idy <= s.NDIVY; ++idy)
      for (int idx = 1; idx <= s.NDIVX; ++idx) {
        progress.advance(1.0);
        if (s.JDIV(1, idz, idy, idx) >= 0) continue;
        for (int iez = 1; iez <= s.NELZ; ++iez)
          for (int iey = 1; iey <= s.NELY; ++iey)
            for (int iex = 1; iex <= s.NELX; ++iex) {
              if (s.KSURFEL(idz, idy, idx, iez, iey, iex) <= 0) continue;
              s.IDX = idx;
              s.IDY = idy;
              s.IDZ = idz;
              s.IEX = iex;
              s.IEY = iey;
              s.IEZ = iez;
              analyse_current_element(s, work);
            }
      }
}

// Total flow volume [m^3]: whole divisions open to the flow plus the flow
// part of every element of the surface divisions, summed exactly in integer
// thousandths and scaled once.
void total_flow_volume(State& s) {
  const double scale = s.SCALE;
  const double f = static_cast<double>(s.EVOL) / (scale * scale * scale);
  long long thousandths = 0;
  s.NFDIV = 0;
  for (int idx = 1; idx <= s.NDIVX; ++idx)
    for (int idy = 1; idy <= s.NDIVY; ++idy)
      for (int idz = 1; idz <= s.NDIVZ; ++idz) {
        const int code = s.JDIV(1, idz, idy, idx);
        if (code > 0) ++s.NFDIV;
        if (code >= 0) continue;
        for (int iex = 1; iex <= s.NELX; ++iex)
          for (int iey = 1; iey <= s.NELY; ++iey)
            for (int iez = 1; iez <= s.NELZ; ++iez) thousandths += s.IELVOL(-code, iez, iey, iex);
      }
  s.FLOWVOL =
      static_cast<double>(s.NFDIV) * s.NELD * f + static_cast<double>(thousandths) * 0.001 * f;
  s.DIAG.write("Total Flow Volume is", s.FLOWVOL);
}

}  // namespace

void set_grid_metrics(State& s) {
  s.WX = s.XMAX - s.XMIN;
  s.WY = s.YMAX - s.YMIN;
  s.WZ = s.ZMAX - s.ZMIN;
  s.DDX = s.WX / static_cast<float>(s.NDIVX);
  s.DDY = s.WY / static_cast<float>(s.NDIVY);
  s.DDZ = s.WZ / static_cast<float>(s.NDIVZ);
  s.DEX = s.DDX / static_cast<float>(s.NELX);
  s.DEY = s.DDY / static_cast<float>(s.NELY);
  s.DEZ = s.DDZ / static_cast<float>(s.NELZ);
  s.NDIVT = s.NDIVX * s.NDIVY * s.NDIVZ;
  s.NELD = s.NELX * s.NELY * s.NELZ;
  s.NELT = s.NELD * s.NDIVT;
  s.DMIN = std::min({s.DDX, s.DDY, s.DDZ});
  s.EMIN = std::min({s.DEX, s.DEY, s.DEZ});
  s.EDIAG = std::sqrt(s.DEX * s.DEX + s.DEY * s.DEY + s.DEZ * s.DEZ);
  s.EVOL = s.DEX * s.DEY * s.DEZ;
}

void setup_grid(State& s, ui::Toolkit& ui) {
  s.DIAG.write("The division-element diagnostic file DIVEL.TXT is not generated");
  set_grid_metrics(s);
  const bool surfaces = s.NSURF > 0 && s.NTRI > 0;

  SetupProgress progress(&ui, "Setting Divisions and Elements - Please Wait", s.NTRI, s.NDIVT);
  progress.phase("Coordinates");
  allocate_or_report(s, "POINTS AND TRIANGLES", [&] { compute_triangle_geometry(s); });

  progress.phase("Triangle Connectivity");
  connect_surfaces(s, &progress);

  s.MTRI = most_triangles_at_a_point(s);
  s.DIAG.write("The maximum number of triangles at any point is", s.MTRI);
  s.MNSEG = s.MTRI;
  s.MAXSEL = s.NELT / 50 + 10;
  s.DIAG.write("MAXSEL initially set to", s.MAXSEL);

  allocate_or_report(s, "DIVISION, ELEMENT SETTING", [&] {
    s.JDIV.allocate(3, s.NDIVZ, s.NDIVY, s.NDIVX);
    if (surfaces) allocate_index_lists(s);
  });
  s.NSEL = 0;
  s.NSDIV = 0;
  if (!surfaces)
    for (int idx = 1; idx <= s.NDIVX; ++idx)
      for (int idy = 1; idy <= s.NDIVY; ++idy)
        for (int idz = 1; idz <= s.NDIVZ; ++idz) s.JDIV(1, idz, idy, idx) = 100;

  progress.phase("Mark surface elements");
  for (int t = 1; surfaces && t <= s.NTRI; ++t) {
    mark_triangle(s, t);
    progress.advance(1.0);
  }
  pack_surface_index(s);

  allocate_or_report(s, "ELEMENTS", [&] {
    s.IELCELL.allocate(s.NDIVZ, s.NDIVY, s.NDIVX, s.NELZ, s.NELY, s.NELX);
    s.IELCELL.fill(surfaces ? -1 : 0);
    s.IELVOL.allocate(s.NSDIV, s.NELZ, s.NELY, s.NELX);
    s.IFACE.allocate(6, s.NSEL);
    s.KCUT.allocate(s.NSEL);
  });

  progress.phase("Analyse elements");
  if (surfaces) analyse_surface_elements(s, progress);

  progress.phase("Set surface divisions");
  if (surfaces) set_surface_divisions(s, progress);

  progress.phase("Set outer divisions");
  if (surfaces) set_outer_divisions(s, progress);

  total_flow_volume(s);
  // Divisions without surfaces are levelled only from uncut flow elements of
  // the surface divisions; with one element per division along an axis such
  // elements can be missing and the outer flow is never reached.
  if (surfaces && (s.NELX < 2 || s.NELY < 2 || s.NELZ < 2))
    s.DIAG.write("WARNING: with fewer than two elements per division along an axis (NELX, NELY,",
                 "NELZ =", s.NELX, s.NELY, s.NELZ,
                 ") the flow around the surfaces may not be reached; check the Total Flow Volume");

  // The user sees the grid and may stop before paying for the run; the
  // picture ends with the event poll that follows it.
  progress.close();
  if (surfaces)
    show_division_picture(s, ui);
  else
    progress.poll();
  free_index_lists(s);
}

}  // namespace qmxv
