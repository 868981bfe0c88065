#include "sizing.h"

#include <cmath>

namespace demogen {

namespace {

// The program itself with its libraries and the desktop toolkit [MiB].
constexpr double kProgramMiB = 32.0;

bool any_rotation(const GasDataSet& g) {
  for (const auto& s : g.species) {
    if (s.rotational_dof > 0) return true;
  }
  return false;
}

}  // namespace

double bytes_per_molecule(const GasDataSet& g) {
  const double msp = static_cast<double>(g.species.size());
  const double pp = 3 * 4;
  const double pv = (any_rotation(g) ? 4 : 3) * 4;
  const double ptim = 8;
  const double ip = (msp > 1 ? 3 : 2) * 4;
  const double ipvib = g.mmvm();
  const double ir = g.iindex == 1 ? 6 * 4 : 0;
  return pp + pv + ptim + ip + ipvib + ir;
}

double bytes_per_cell(const GasDataSet& g) {
  const double msp = static_cast<double>(g.species.size());
  const double record = 14 * 4 + 3 * 4 + 8 + (g.iindex == 1 ? 4 : 0);
  const double collisions = 2 * 8;
  const double samples = (8 + g.mmvm()) * msp * 8;
  const double results = (msp + 17) * 4 + 11 * msp * 4;
  return record + collisions + samples + results;
}

double memory_estimate_mib(const GasDataSet& g, double cells, double mnm) {
  const double elements = static_cast<double>(g.divisions[0]) * g.divisions[1] * g.divisions[2] *
                          g.elements[0] * g.elements[1] * g.elements[2];
  // The element-to-cell map, plus a tenth for the flow volumes of the
  // elements of surface divisions.
  const double grid = 1.1 * 4 * elements;
  return kProgramMiB + (mnm * bytes_per_molecule(g) + cells * bytes_per_cell(g) + grid) / kMiB;
}

int capacity_for_memory(const GasDataSet& g, double cells, double target_mib) {
  const double rest = memory_estimate_mib(g, cells, 0.0);
  return static_cast<int>(std::floor((target_mib - rest) * kMiB / bytes_per_molecule(g)));
}

double initial_cells(const GasDataSet& g, long long solid_triangles, double flow_fraction) {
  const double divisions = static_cast<double>(g.divisions[0]) * g.divisions[1] * g.divisions[2];
  return static_cast<double>(solid_triangles) + flow_fraction * divisions;
}

double round_up_significant(double v, int digits) {
  const double scale = std::pow(10.0, digits - 1 - std::floor(std::log10(std::abs(v))));
  return std::ceil(v * scale) / scale;
}

}  // namespace demogen
