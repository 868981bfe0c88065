// The vacuum system: a rectangular chamber into which a near-sonic jet of a
// helium-argon mixture enters through an orifice at the centre of its upper
// wall; a cylindrical tube from the centre of its lower wall leads to a
// vacuum pump. The chamber is symmetric about x = 0 and z = 0; one quarter
// is modelled (x >= 0, z <= 0) with those planes as planes of symmetry, the
// tube's axis along y so that both planes cut it. The flow starts as a
// vacuum and the jet starts at zero time.
#include <algorithm>
#include <cmath>
#include <vector>

#include "case_common.h"
#include "data_set.h"
#include "sizing.h"

namespace demogen {

namespace {

constexpr double kHalfWidth = 0.3;       // chamber half width in x and z [m]
constexpr double kHeight = 0.5;          // chamber height [m]
constexpr double kTubeRadius = 0.2;      // [m]
constexpr double kTubeLength = 0.2;      // [m]
constexpr double kOrificeRadius = 0.02;  // [m]
constexpr double kWallTemperature = 300.0;
constexpr double kReservoirTemperature = 300.0;
constexpr double kChamberKnudsen = 0.02;  // mean free path over the chamber height
constexpr double kHeliumFraction = 0.5;   // of the jet, by number

constexpr int kPerSide = 8;   // segments along each side of the quarter square
constexpr int kTopRows = 10;  // rows from the orifice to the side walls
constexpr int kOrificeRows = 2;
constexpr int kWallRows = 12;   // rows up the side walls
constexpr int kBottomRows = 4;  // rows from the tube to the side walls
constexpr int kTubeRows = 6;

// Transmission probability of a short tube in free-molecular flow,
// 1 / (1 + 3L/(8R)) (Dushman 1962); within about a tenth of the exact
// values of Clausing for these lengths.
double tube_transmission(double length, double radius) {
  return 1.0 / (1.0 + 3.0 * length / (8.0 * radius));
}

// Polar angle of station k round the quarter: 0 on the x axis (z = 0),
// pi/2 on the -z axis (x = 0); stations evenly spaced along the square's
// two outer sides x = a and z = -a.
Vec3 square_point(int k, double y) {
  const double a = kHalfWidth;
  if (k <= kPerSide) return {a, y, -a * k / kPerSide};
  return {a * (2 * kPerSide - k) / kPerSide, y, -a};
}

// The point at radius r on the ray of station k, exact on the two planes.
Vec3 ray_point(int k, double r, double y) {
  if (k == 0) return {r, y, 0.0};
  if (k == 2 * kPerSide) return {0.0, y, -r};
  const Vec3 s = square_point(k, y);
  const double phi = std::atan2(-s.z, s.x);
  return {r * std::cos(phi), y, -r * std::sin(phi)};
}

// Geometric spacing from the inner edge (0) to the outer (1), the first row
// finest.
double graded(int row, int rows, double ratio) {
  return (std::pow(ratio, row) - 1.0) / (std::pow(ratio, rows) - 1.0);
}

// The quarter chamber with its tube, one open surface. The flow is inside:
// below the upper wall, above the lower, inside the side walls and the tube.
Mesh quarter_chamber() {
  Mesh m;
  const int ks = 2 * kPerSide;  // angular segments
  const double H = kHeight;
  // Side walls: columns k = 0..ks round the square, rows from y = 0 to H.
  std::vector<std::vector<int>> wall(kWallRows + 1, std::vector<int>(ks + 1));
  for (int r = 0; r <= kWallRows; ++r) {
    const double y = r == kWallRows ? H : H * r / kWallRows;
    for (int k = 0; k <= ks; ++k) wall[r][k] = m.add(square_point(k, y));
  }
  for (int r = 0; r < kWallRows; ++r) {
    for (int k = 0; k < ks; ++k) {
      const Vec3 inward = k < kPerSide ? Vec3{-1, 0, 0} : Vec3{0, 0, 1};
      m.add_quad_facing(wall[r][k], wall[r][k + 1], wall[r + 1][k + 1], wall[r + 1][k], inward);
    }
  }

  // Upper wall: the orifice (entry triangles) and the ring from its edge to
  // the side walls.
  const int centre = m.add(Vec3{0, H, 0});
  std::vector<std::vector<int>> top(kOrificeRows + kTopRows + 1, std::vector<int>(ks + 1));
  for (int r = 1; r <= kOrificeRows + kTopRows; ++r) {
    for (int k = 0; k <= ks; ++k) {
      if (r == kOrificeRows + kTopRows) {
        top[r][k] = wall[kWallRows][k];
      } else if (r <= kOrificeRows) {
        top[r][k] = m.add(ray_point(k, kOrificeRadius * r / kOrificeRows, H));
      } else {
        const Vec3 inner = ray_point(k, kOrificeRadius, H);
        const Vec3 outer = square_point(k, H);
        top[r][k] = m.add(lerp(inner, outer, graded(r - kOrificeRows, kTopRows, 1.5)));
      }
    }
  }
  const Vec3 down{0, -1, 0};
  for (int k = 0; k < ks; ++k) m.add_facing(centre, top[1][k], top[1][k + 1], down, true);
  for (int r = 1; r < kOrificeRows + kTopRows; ++r) {
    for (int k = 0; k < ks; ++k) {
      m.add_quad_facing(top[r][k], top[r][k + 1], top[r + 1][k + 1], top[r + 1][k], down,
                        r < kOrificeRows);
    }
  }

  // Lower wall: the ring from the tube's mouth to the side walls.
  std::vector<std::vector<int>> bottom(kBottomRows + 1, std::vector<int>(ks + 1));
  for (int r = 0; r <= kBottomRows; ++r) {
    for (int k = 0; k <= ks; ++k) {
      if (r == kBottomRows) {
        bottom[r][k] = wall[0][k];
      } else {
        const Vec3 inner = ray_point(k, kTubeRadius, 0.0);
        bottom[r][k] =
            m.add(lerp(inner, square_point(k, 0.0), static_cast<double>(r) / kBottomRows));
      }
    }
  }
  for (int r = 0; r < kBottomRows; ++r) {
    for (int k = 0; k < ks; ++k) {
      m.add_quad_facing(bottom[r][k], bottom[r][k + 1], bottom[r + 1][k + 1], bottom[r + 1][k],
                        Vec3{0, 1, 0});
    }
  }

  // The tube, from its mouth in the lower wall down to the region's lower
  // face, where it ends open on the vacuum boundary.
  std::vector<std::vector<int>> tube(kTubeRows + 1, std::vector<int>(ks + 1));
  for (int r = 0; r <= kTubeRows; ++r) {
    const double y = r == kTubeRows ? -kTubeLength : -kTubeLength * r / kTubeRows;
    for (int k = 0; k <= ks; ++k) {
      tube[r][k] = r == 0 ? bottom[0][k] : m.add(ray_point(k, kTubeRadius, y));
    }
  }
  for (int r = 0; r < kTubeRows; ++r) {
    for (int k = 0; k < ks; ++k) {
      const Vec3 mid = 0.5 * (m.point(tube[r][k]) + m.point(tube[r][k + 1]));
      const Vec3 to_axis{-mid.x, 0, -mid.z};
      m.add_quad_facing(tube[r][k], tube[r][k + 1], tube[r + 1][k + 1], tube[r + 1][k], to_axis);
    }
  }
  return m;
}

}  // namespace

Case vacuum_system_case() {
  Case c;
  c.number = 2;
  c.run_type = 4;
  c.title = "vacuum system";
  GasDataSet& g = c.gas;
  // The quarter chamber with 1 cm of solid beyond its side and upper walls;
  // the tube ends on the lower face.
  g.limits = {0.0, 0.31, -kTubeLength, 0.51, -0.31, 0.0};
  g.divisions = {22, 50, 22};
  g.elements = {4, 4, 4};
  g.species = {species("He", false), species("Ar", false)};

  // The jet: the mixture expands from a reservoir at 300 K to sonic speed in
  // the orifice, T* = 2 T0 / (gamma + 1).
  Mixture jet;
  jet.species = g.species;
  jet.fractions = {kHeliumFraction, 1.0 - kHeliumFraction};
  const double gamma = specific_heat_ratio(jet);
  jet.temperature = 2.0 * kReservoirTemperature / (gamma + 1.0);
  const double sonic = speed_of_sound(jet);

  // The chamber gas at steady state, estimated as a free-molecular balance:
  // each species leaves through the tube at n_i (c_i/4) pi R^2 W, with c_i
  // its mean thermal speed at the wall temperature, and enters with the jet.
  // The balance makes the chamber poorer in the faster helium than the jet:
  // x_i proportional to x_jet,i / c_i.
  const double w = tube_transmission(kTubeLength, kTubeRadius);
  const double tube_area = kPi * kTubeRadius * kTubeRadius;
  const double orifice_area = kPi * kOrificeRadius * kOrificeRadius;
  Mixture chamber;
  chamber.species = g.species;
  chamber.temperature = kWallTemperature;
  double sum = 0.0;
  for (std::size_t i = 0; i < 2; ++i) {
    chamber.fractions.push_back(jet.fractions[i] / mean_speed(g.species[i], kWallTemperature));
    sum += chamber.fractions.back();
  }
  for (double& x : chamber.fractions) x = round_significant(x / sum, 4);
  chamber.fractions[1] = 1.0 - chamber.fractions[0];
  chamber.number_density =
      round_significant(number_density_for_mean_free_path(chamber, kChamberKnudsen * kHeight), 4);
  double outflow = 0.0;  // molecules per second through the whole tube
  for (std::size_t i = 0; i < 2; ++i) {
    outflow += chamber.number_density * chamber.fractions[i] * 0.25 *
               mean_speed(g.species[i], kWallTemperature) * tube_area * w;
  }
  jet.number_density = round_significant(outflow / (sonic * orifice_area), 4);

  // The reference gas of the derived scales (mean free path, time step) is
  // the chamber gas at steady state; the region starts empty.
  g.stream.number_density = chamber.number_density;
  g.stream.temperature = kWallTemperature;
  g.stream.fractions = chamber.fractions;
  g.boundaries = {2, 4, 4, 4, 4, 2};
  g.init = 2;

  Surface s;
  s.name = "quarter chamber: upper wall with the orifice, side walls, lower wall, tube";
  s.mesh = quarter_chamber();
  s.mesh.round_points(6);
  s.solid = diffuse_wall(g, kWallTemperature);
  s.entry.u = 0.0;
  s.entry.v = -round_significant(sonic, 4);
  s.entry.w = 0.0;
  s.entry.temperature = jet.temperature;
  s.entry.number_density = jet.number_density;
  s.entry.fractions = jet.fractions;
  c.surfaces.push_back(s);

  require_off_lattice(g, 0, kHalfWidth, "the side wall x = a");
  require_off_lattice(g, 2, -kHalfWidth, "the side wall z = -a");
  require_off_lattice(g, 1, 0.0, "the lower wall");
  require_off_lattice(g, 1, kHeight, "the upper wall");

  // Time scales: the reference time is the sound's passage down the chamber;
  // the chamber fills and empties with the time constant V / (c/4 pi R^2 W)
  // of each species, slowest for argon. Outputs come at about a quarter of
  // it, and steady flow is assumed after four of them.
  const double volume = 4.0 * kHalfWidth * kHalfWidth * kHeight;
  const double fill_argon =
      volume / (0.25 * mean_speed(g.species[1], kWallTemperature) * tube_area * w);
  const double fill_helium =
      volume / (0.25 * mean_speed(g.species[0], kWallTemperature) * tube_area * w);
  g.tref = round_significant(kHeight / sonic, 3);
  g.isteady = 1;
  g.rout = std::max(1.0, std::round(fill_argon / (4.0 * g.tref)));
  g.nspi = 25;
  g.nsteady = static_cast<int>(std::ceil(4.0 * fill_argon / (g.rout * g.tref)));
  g.nmct = 5;
  g.nmtt = 3;
  // Normal indexing: continuous indexing reserves list room per cell from the
  // molecules present at the start, and this flow starts with none.
  g.iindex = 0;
  g.isubc = 1;

  Figures& f = c.figures;
  f.mach = 1.0;
  f.mach_of_entry = true;
  f.knudsen = kChamberKnudsen;
  f.knudsen_length = kHeight;
  f.knudsen_basis = "chamber height, chamber gas at steady state";
  f.memory_target_mib = 128.0;
  const double chamber_volume = kHalfWidth * kHalfWidth * kHeight;
  const double tube_volume = 0.25 * tube_area * kTubeLength;
  f.flow_volume = chamber_volume + tube_volume;
  // The tube holds on average about half the chamber density (it falls to
  // nothing at the pump); the jet's core is small.
  const double real = chamber.number_density * (chamber_volume + 0.5 * tube_volume);
  const double open_fraction = f.flow_volume / box_volume(g);
  size_store(c, real, open_fraction);

  Mixture exit_gas = jet;
  const double jet_mfp = mean_free_path(exit_gas);
  const double reservoir_density =
      jet.number_density / std::pow(2.0 / (gamma + 1.0), 1.0 / (gamma - 1.0));
  f.notes = {
      {"jet exit speed (sonic) [m/s]", format_number(sonic)},
      {"jet exit temperature [K]", format_number(jet.temperature)},
      {"jet exit number density [1/m^3]", format_number(jet.number_density)},
      {"jet exit mean free path [m]", format_number(jet_mfp)},
      {"jet Knudsen number on the orifice diameter", format_number(jet_mfp / (2 * kOrificeRadius))},
      {"reservoir pressure [Pa]",
       format_number(reservoir_density * kBoltz * kReservoirTemperature)},
      {"chamber pressure [Pa]", format_number(chamber.number_density * kBoltz * kWallTemperature)},
      {"chamber helium fraction", format_number(chamber.fractions[0])},
      {"tube transmission probability", format_number(w)},
      {"fill time constant, argon [s]", format_number(fill_argon)},
      {"fill time constant, helium [s]", format_number(fill_helium)},
      {"throughput [molecules/s]", format_number(outflow)},
  };
  return c;
}

}  // namespace demogen
