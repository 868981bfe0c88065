// qmxv_demogen: writes the six demonstration data files.
//
//   qmxv_demogen DIR            write QMXVD.DM1..3 and QMXSD.DM1..3 into DIR
//   qmxv_demogen --summary      print each case's design figures
#include <cmath>
#include <cstdio>
#include <exception>
#include <filesystem>
#include <string>

#include "case_common.h"
#include "data_set.h"
#include "physics.h"
#include "writer.h"

namespace {

using namespace demogen;

void print_summary(const Case& c) {
  const GasDataSet& g = c.gas;
  const Figures& f = c.figures;
  std::printf("== %s (QMXVD.DM%d, QMXSD.DM%d, run type %d)\n", c.title.c_str(), c.number, c.number,
              c.run_type);
  Mixture stream;
  stream.species = g.species;
  stream.fractions = g.stream.fractions;
  stream.number_density = g.stream.number_density;
  stream.temperature = g.stream.temperature;
  const double lambda = mean_free_path(stream);
  const double speed =
      std::sqrt(g.stream.u * g.stream.u + g.stream.v * g.stream.v + g.stream.w * g.stream.w);
  std::printf("  stream/reference gas: n = %s 1/m^3, T = %s K, speed = %s m/s\n",
              format_number(g.stream.number_density).c_str(),
              format_number(g.stream.temperature).c_str(), format_number(speed).c_str());
  std::printf("  mean free path %s m, Knudsen number on the %s (%s m): %s (stated %s)\n",
              format_number(lambda).c_str(), f.knudsen_basis.c_str(),
              format_number(f.knudsen_length).c_str(),
              format_number(lambda / f.knudsen_length).c_str(), format_number(f.knudsen).c_str());
  if (!f.mach_of_entry) {
    std::printf("  speed of sound %s m/s, gamma %s, Mach number %s (stated %s)\n",
                format_number(speed_of_sound(stream)).c_str(),
                format_number(specific_heat_ratio(stream)).c_str(),
                format_number(speed / speed_of_sound(stream)).c_str(),
                format_number(f.mach).c_str());
  }
  for (const auto& s : c.surfaces) {
    long long entries = 0;
    for (const auto& t : s.mesh.triangles) entries += t.entry ? 1 : 0;
    std::printf("  surface \"%s\": %zu points, %lld solid and %lld entry triangles\n",
                s.name.c_str(), s.mesh.points.size(),
                static_cast<long long>(s.mesh.triangles.size()) - entries, entries);
  }
  const long long divisions = 1LL * g.divisions[0] * g.divisions[1] * g.divisions[2];
  const long long elements = divisions * g.elements[0] * g.elements[1] * g.elements[2];
  std::printf("  divisions %d x %d x %d = %lld, elements %lld (%s m wide)\n", g.divisions[0],
              g.divisions[1], g.divisions[2], divisions, elements,
              format_number(element_width(g, 0)).c_str());
  std::printf("  flow volume %s m^3, FNUM %s, expected molecules %s, MNM %d\n",
              format_number(f.flow_volume).c_str(), format_number(g.fnum).c_str(),
              format_number(f.expected_molecules).c_str(), g.mnm);
  std::printf("  %s bytes per molecule slot, memory estimate %s MiB (target %s)\n",
              format_number(f.bytes_per_molecule).c_str(),
              format_number(f.memory_estimate_mib).c_str(),
              format_number(f.memory_target_mib).c_str());
  std::printf("  TREF %s s, ROUT %s, NSTEADY %d, NSPI %d\n", format_number(g.tref).c_str(),
              format_number(g.rout).c_str(), g.nsteady, g.nspi);
  for (const auto& [label, value] : f.notes) {
    std::printf("  %s: %s\n", label.c_str(), value.c_str());
  }
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: qmxv_demogen DIR | --summary\n");
    return 1;
  }
  try {
    const std::string arg = argv[1];
    for (int n = 1; n <= 3; ++n) {
      const Case c = demonstration_case(n);
      if (arg == "--summary") {
        print_summary(c);
      } else {
        write_case(c, arg);
        std::printf("%s, %s written\n", (std::filesystem::path(arg) / gas_file_name(n)).c_str(),
                    surface_file_name(n).c_str());
      }
    }
  } catch (const std::exception& e) {
    std::fprintf(stderr, "qmxv_demogen: %s\n", e.what());
    return 2;
  }
  return 0;
}
