// A demonstration case as its two data files hold it: the gas/flow data set
// (QMXVD.DMn) and the surfaces (QMXSD.DMn), plus the figures the case was
// designed to and that docs/demos.md quotes.
#pragma once

#include <array>
#include <string>
#include <vector>

#include "mesh.h"
#include "physics.h"

namespace demogen {

struct Stream {
  double number_density = 0;   // [1/m^3]
  double temperature = 0;      // [K]
  double u = 0, v = 0, w = 0;  // [m/s]
  std::vector<double> fractions;
};

struct SurfaceReaction {
  std::string text;
  int incident1 = 0, incident2 = 0;
  std::array<int, 6> products{};
  double energy = 0;  // energy input to the surface [J]
};

struct GasDataSet {
  // XMIN, XMAX, YMIN, YMAX, ZMIN, ZMAX [m].
  std::array<double, 6> limits{};
  std::array<int, 3> divisions{};
  std::array<int, 3> elements{};  // per division
  std::vector<Species> species;
  std::vector<Reaction> reactions;
  std::vector<std::vector<double>> third_body;  // [table][species]
  std::vector<SurfaceReaction> surface_reactions;
  Stream stream;
  // Sides min x, max x, min y, max y, min z, max z: 2 plane of symmetry,
  // 3 stream boundary, 4 vacuum boundary.
  std::array<int, 6> boundaries{};
  int init = 1;  // 1 the stream, 2 a vacuum
  double fnum = 0;
  double tref = 0;  // [s]
  int isteady = 1;
  double rout = 0;
  int nspi = 0;
  int nsteady = 0;
  int mnm = 0;
  int nmct = 0, nmtt = 0;
  int iindex = 0;  // 0 normal, 1 continuous indexing
  int isubc = 0;   // 1 transient sub-cells

  int mmvm() const;
};

struct SolidProperties {
  double tsurf = 0;  // wall temperature [K]
  double fspec = 0;  // fraction of specular reflection
  std::vector<double> fads, fout, psr;
};

struct EntryProperties {
  double u = 0, v = 0, w = 0, temperature = 0, number_density = 0;
  std::vector<double> fractions;
};

// One surface of the file. Its solid triangles all share `solid`, its entry
// triangles `entry`; the file lists the solid triangles first.
struct Surface {
  std::string name;
  Mesh mesh;
  SolidProperties solid;
  EntryProperties entry;
  // Open surfaces end on box faces; a half model ends on the plane z = 0.
  bool closed = false;
};

// The figures the case is designed to.
struct Figures {
  double mach = 0;             // stated Mach number (of the stream, or of the entry gas)
  bool mach_of_entry = false;  // the Mach number is that of the gas of the entry triangles
  double knudsen = 0;          // stated Knudsen number of the stream (reference) gas
  double knudsen_length = 0;   // [m]
  std::string knudsen_basis;   // what the length is
  double memory_target_mib = 0;
  double bytes_per_molecule = 0;                           // one slot of the molecule store
  double expected_molecules = 0;                           // at steady state
  double memory_estimate_mib = 0;                          // MNM slots, grid, cells and program
  double flow_volume = 0;                                  // [m^3]
  std::vector<std::pair<std::string, std::string>> notes;  // label, value (for docs)
};

struct Case {
  int number = 0;    // 1..3: QMXVD.DMn, QMXSD.DMn
  int run_type = 0;  // the Run Type dialog's value: 3, 4, 5
  std::string title;
  GasDataSet gas;
  std::vector<Surface> surfaces;
  Figures figures;
};

Case delta_wing_case();
Case vacuum_system_case();
Case reentry_case();
// Case n = 1, 2, 3.
Case demonstration_case(int n);

}  // namespace demogen
