// A QMXVD.DAT template for a new case: a region sized around the body of
// QMXSD.DAT, one of a few common gases streaming along +x, and a grid and
// molecule count chosen from the stream's mean free path and the molecule
// budget, so an imported body runs at once and can then be refined by hand.
#pragma once

#include <filesystem>
#include <string>

#include "interop/surface_mesh.h"

namespace qmxv::interop {

// A gas of the template: VHS data at 273 K (Bird, Molecular Gas Dynamics and
// the Direct Simulation of Gas Flows, 1994, Table A1 and A2), without
// vibration so that MMVM = 0 and no vibrational records are needed.
struct GasSpecies {
  const char* name;
  float diameter;  // reference diameter [m]
  float omega;     // viscosity-temperature power law
  float mass;      // [kg]
  int rotational;  // rotational degrees of freedom
  float fraction;  // number fraction in the stream
};
struct GasPreset {
  const char* name;
  int MSP;
  GasSpecies species[2];
};

// "argon", "nitrogen" or "air" (nitrogen 0.79, oxygen 0.21); nullptr for any other.
const GasPreset* find_gas(const std::string& name);

struct CaseOptions {
  std::string gas = "argon";
  double FND = 1.0e20;   // stream number density [1/m^3]
  double FTMP = 300.0;   // stream temperature [K]
  double speed = 1000.0; // stream speed along +x [m/s]
  // Region beyond the body in multiples of its largest extent: upstream and
  // sideways `margin`, downstream twice that for the wake.
  double margin = 0.5;
  // The body ends on a plane of symmetry at its minimum y or z (a half body).
  bool symmetry_y = false, symmetry_z = false;
  long long max_elements = 200000;  // the grid's element budget
  long long molecules = 500000;     // simulated molecules in the undisturbed region
};

// The bounding box of every point of a QMXSD.DAT, read with the program's own
// reader for a gas of `msp` species (so a file that does not match the gas is
// refused with the reader's message).
void surface_file_bounds(const std::filesystem::path& surface_file, int msp, Vec3& lo, Vec3& hi);

// The text of QMXVD.DAT for a body within [lo, hi]. Throws UsageError for an
// unknown gas or impossible options.
std::string gas_file_text(const CaseOptions& options, const Vec3& lo, const Vec3& hi);

}  // namespace qmxv::interop
