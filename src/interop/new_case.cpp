#include "interop/new_case.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "data/read_surface.h"
#include "run/errors.h"
#include "run/state.h"

namespace qmxv::interop {

namespace {

constexpr GasPreset kGases[] = {
    {"argon", 1, {{"argon", 4.17e-10f, 0.81f, 6.63e-26f, 0, 1.0f}, {}}},
    {"nitrogen", 1, {{"nitrogen", 4.17e-10f, 0.74f, 4.65e-26f, 2, 1.0f}, {}}},
    {"air", 2,
     {{"nitrogen", 4.17e-10f, 0.74f, 4.65e-26f, 2, 0.79f},
      {"oxygen", 4.07e-10f, 0.77f, 5.312e-26f, 2, 0.21f}}},
};

constexpr double kBoltzmann = 1.3806e-23;  // [J/K]
constexpr double kPi = 3.14159265358979;

std::string real(double x) {
  char b[32];
  std::snprintf(b, sizeof b, "%.6g", x);
  std::string s = b;
  // A real record must not read as an integer to a human either.
  if (s.find_first_of(".eE") == std::string::npos) s += ".";
  return s;
}

void record(std::string& out, const std::string& value, const std::string& comment) {
  out += value;
  out.append(value.size() < 16 ? 16 - value.size() : 1, ' ');
  out += comment;
  out += '\n';
}

}  // namespace

const GasPreset* find_gas(const std::string& name) {
  for (const GasPreset& g : kGases)
    if (name == g.name) return &g;
  return nullptr;
}

void surface_file_bounds(const std::filesystem::path& surface_file, int msp, Vec3& lo, Vec3& hi) {
  State s;
  s.DIR = surface_file.parent_path().empty() ? std::filesystem::path(".")
                                             : surface_file.parent_path();
  if (surface_file.filename() != "QMXSD.DAT")
    throw UsageError("new-case reads the surface file QMXSD.DAT, not " + surface_file.string());
  s.MSP = msp;
  s.SCALE = 1.0f;
  s.FSP.allocate(msp);
  read_surface_data_watched(s, [](const Item&, int, double) {});
  if (s.NPT == 0) throw UsageError(surface_file.string() + " holds no points to size the case by");
  lo = {1e300, 1e300, 1e300};
  hi = {-1e300, -1e300, -1e300};
  for (int p = 1; p <= s.NPT; ++p) {
    const Vec3 q{s.XPT(p), s.YPT(p), s.ZPT(p)};
    for (std::size_t a = 0; a < 3; ++a) {
      lo[a] = std::min(lo[a], q[a]);
      hi[a] = std::max(hi[a], q[a]);
    }
  }
}

std::string gas_file_text(const CaseOptions& o, const Vec3& lo, const Vec3& hi) {
  const GasPreset* gas = find_gas(o.gas);
  if (gas == nullptr) throw UsageError("unknown gas \"" + o.gas + "\": argon, nitrogen or air");
  if (!(o.FND > 0) || !(o.FTMP > 0) || !(o.speed >= 0) || !(o.margin > 0) || o.max_elements < 1 ||
      o.molecules < 1)
    throw UsageError("new-case needs a positive density, temperature, margin, element and "
                     "molecule budget, and a speed of 0 or more");

  const double extent = std::max({hi[0] - lo[0], hi[1] - lo[1], hi[2] - lo[2], 1e-30});
  const double m = o.margin * extent;
  const Vec3 rlo{lo[0] - m, o.symmetry_y ? lo[1] : lo[1] - m, o.symmetry_z ? lo[2] : lo[2] - m};
  const Vec3 rhi{hi[0] + 2 * m, hi[1] + m, hi[2] + m};
  const Vec3 width{rhi[0] - rlo[0], rhi[1] - rlo[1], rhi[2] - rlo[2]};
  const double volume = width[0] * width[1] * width[2];

  // Hard-sphere mean free path of the stream, 1/(sqrt(2) pi d^2 n), from the
  // first species: elements of a third of it resolve the gradients, at least
  // ten across the body, coarsened to the element budget.
  const double d = gas->species[0].diameter;
  const double lambda = 1.0 / (std::sqrt(2.0) * kPi * d * d * o.FND);
  double w = std::max(std::min(lambda / 3.0, extent / 10.0),
                      std::cbrt(volume / static_cast<double>(o.max_elements)));
  constexpr int kElementsPerDivision = 3;
  std::array<int, 3> ndiv{};
  for (;;) {
    long long total = 1;
    for (std::size_t a = 0; a < 3; ++a) {
      ndiv[a] = std::max(1, static_cast<int>(std::lround(width[a] / (kElementsPerDivision * w))));
      total *= ndiv[a] * kElementsPerDivision;
    }
    if (total <= o.max_elements + o.max_elements / 5) break;
    w *= 1.05;
  }

  // Most probable thermal speed of the heaviest species sets the reference
  // time when the stream is slow: TREF is one crossing of the region.
  double mass = 0;
  for (int L = 0; L < gas->MSP; ++L) mass = std::max(mass, double(gas->species[L].mass));
  const double thermal = std::sqrt(2.0 * kBoltzmann * o.FTMP / mass);
  const double tref = width[0] / std::max(o.speed, thermal);
  const double fnum = o.FND * volume / static_cast<double>(o.molecules);
  const long long mnm = std::min<long long>(2147483647LL / 6, o.molecules + o.molecules / 2);

  std::string t;
  const char* axis[6] = {"XMIN", "XMAX", "YMIN", "YMAX", "ZMIN", "ZMAX"};
  for (int k = 0; k < 6; ++k)
    record(t, real((k % 2 ? rhi : rlo)[static_cast<std::size_t>(k / 2)]),
           std::string(axis[k]) + (k == 0 ? " region around the body [m]" : ""));
  const char* divs[3] = {"NDIVX", "NDIVY", "NDIVZ"};
  for (int a = 0; a < 3; ++a)
    record(t, std::to_string(ndiv[static_cast<std::size_t>(a)]),
           std::string(divs[a]) + " divisions (elements about " + real(w) + " m, mean free path " +
               real(lambda) + " m)");
  for (const char* n : {"NELX", "NELY", "NELZ"})
    record(t, std::to_string(kElementsPerDivision), std::string(n) + " elements per division");
  record(t, std::to_string(gas->MSP), std::string("MSP species: ") + gas->name);
  record(t, "0", "MMVM no vibrational modes");
  record(t, "0", "MNR no gas-phase reactions");
  record(t, "0", "MTBP no third-body tables");
  record(t, "0", "MNSR no surface reactions");
  for (int L = 1; L <= gas->MSP; ++L) {
    const GasSpecies& sp = gas->species[L - 1];
    const std::string l = std::to_string(L);
    record(t, real(sp.diameter), "SP(1," + l + ") " + sp.name + ": reference diameter [m]");
    record(t, "273.", "SP(2," + l + ") reference temperature [K]");
    record(t, real(sp.omega), "SP(3," + l + ") viscosity-temperature power law");
    record(t, real(sp.mass), "SP(4," + l + ") molecular mass [kg]");
    record(t, std::to_string(sp.rotational), "ISPR(1," + l + ") rotational degrees of freedom");
    if (sp.rotational > 0) record(t, "5", "ISPR(2," + l + ") rotational relaxation number");
  }
  record(t, real(o.FND), "FND stream number density [1/m^3]");
  record(t, real(o.FTMP), "FTMP stream temperature [K]");
  record(t, real(o.speed), "VFX stream velocity [m/s]");
  record(t, "0.", "VFY");
  record(t, "0.", "VFZ");
  for (int L = 1; L <= gas->MSP; ++L)
    record(t, real(gas->species[L - 1].fraction), "FSP(" + std::to_string(L) + ")");
  const bool sym[6] = {false, false, o.symmetry_y, false, o.symmetry_z, false};
  for (int k = 0; k < 6; ++k)
    record(t, sym[k] ? "2" : "3",
           "IB(" + std::to_string(k + 1) + ") " + (sym[k] ? "plane of symmetry" : "stream boundary"));
  record(t, "1", "INIT the stream is the initial state");
  record(t, "0", "ISEP no separation boundary");
  record(t, real(fnum), "FNUM real molecules per simulated molecule (" +
                             std::to_string(o.molecules) + " in the region)");
  record(t, real(tref), "TREF reference time: one crossing of the region [s]");
  record(t, "1", "ISTEADY sampling for an eventually steady flow");
  record(t, "1.0", "ROUT output interval in reference times");
  record(t, "20", "NSPI samples per output interval");
  record(t, "5", "NSTEADY output intervals to assumed steady flow");
  record(t, std::to_string(mnm), "MNM initial molecule capacity");
  record(t, "5", "NMCT moves per mean collision time");
  record(t, "3", "NMTT moves per cell transit time");
  record(t, "0", "IINDEX normal indexing");
  record(t, "1", "ISUBC transient sub-cells");
  return t;
}

}  // namespace qmxv::interop
