#include "case_common.h"

#include <cmath>
#include <cstdio>
#include <stdexcept>

#include "sizing.h"

namespace demogen {

double element_width(const GasDataSet& g, int axis) {
  const auto a = static_cast<std::size_t>(axis);
  return (g.limits[2 * a + 1] - g.limits[2 * a]) / (g.divisions[a] * g.elements[a]);
}

void require_off_lattice(const GasDataSet& g, int axis, double coordinate,
                         const std::string& what) {
  const double w = element_width(g, axis);
  const double u = (coordinate - g.limits[2 * static_cast<std::size_t>(axis)]) / w;
  if (std::abs(u - std::round(u)) < 0.1) {
    throw std::logic_error(what + " lies on an element boundary; move it or the region limits");
  }
}

SolidProperties diffuse_wall(const GasDataSet& g, double tsurf) {
  SolidProperties s;
  s.tsurf = tsurf;
  s.fspec = 0.0;
  s.fads.assign(g.species.size(), 0.0);
  s.fout.assign(g.species.size(), 0.0);
  s.psr.assign(g.surface_reactions.size(), 0.0);
  return s;
}

std::string format_number(double v) {
  char buf[32];
  std::snprintf(buf, sizeof buf, "%.4g", v);
  return buf;
}

double box_volume(const GasDataSet& g) {
  return (g.limits[1] - g.limits[0]) * (g.limits[3] - g.limits[2]) * (g.limits[5] - g.limits[4]);
}

void size_store(Case& c, double real_molecules, double flow_fraction) {
  long long solids = 0;
  for (const auto& s : c.surfaces) {
    for (const auto& t : s.mesh.triangles) solids += t.entry ? 0 : 1;
  }
  Figures& f = c.figures;
  const double cells = initial_cells(c.gas, solids, flow_fraction);
  c.gas.mnm = capacity_for_memory(c.gas, cells, f.memory_target_mib);
  // The expected molecules fill the store to 1/1.1 of its capacity, so the
  // scatter of the molecule number and a modest underestimate of the steady
  // state fit without growing the store.
  c.gas.fnum = round_up_significant(real_molecules * 1.1 / c.gas.mnm, 3);
  f.expected_molecules = real_molecules / c.gas.fnum;
  f.bytes_per_molecule = bytes_per_molecule(c.gas);
  f.memory_estimate_mib = memory_estimate_mib(c.gas, cells, c.gas.mnm);
}

}  // namespace demogen
