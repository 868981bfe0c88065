// Molecules against surfaces: the gas-surface interaction of one molecule
// (diffuse, specular, adiabatic, adsorbing, sink and reacting walls), the
// triangle hits of the move, and whole flows against free-molecular theory —
// a thin slab at incidence in a stream and a diffuse sphere in an
// equilibrium reservoir.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "core/entry.h"
#include "core/move.h"
#include "core/reflect.h"
#include "data/data_files.h"
#include "geometry/locate.h"
#include "geometry/surface_builders.h"
#include "geometry/triangles.h"
#include "output/sampling.h"
#include "run/state.h"
#include "support/case_setup.h"
#include "ui/scripted/scripted_toolkit.h"

namespace qmxv {
namespace {

using test::GasFile;
using test::tagged;

constexpr double kB = 1.3806e-23;
constexpr double kPi = 3.14159265358979;
constexpr double kArgon = 6.63e-26;

// ---- closed triangulated bodies ----

using testing::Mesh;
using Vec = testing::Vec3;
using testing::dot;

// A rectangular slab of half sizes a (x), b (y), c (z) about `centre`,
// turned by `angle` about the z axis.
Mesh slab(const Vec& centre, double a, double b, double c, double angle) {
  Mesh m = testing::block({centre[0] - a, centre[1] - b, centre[2] - c},
                          {centre[0] + a, centre[1] + b, centre[2] + c});
  const double ca = std::cos(angle), sa = std::sin(angle);
  for (Vec& p : m.points) {
    const double x = p[0] - centre[0], y = p[1] - centre[1];
    p = {centre[0] + ca * x - sa * y, centre[1] + sa * x + ca * y, p[2]};
  }
  return m;
}

struct Wall {
  std::string tsurf = "300.", fspec = "0.", fads = "0.";
  std::vector<std::string> psr;  // per surface reaction
};

// QMXSD.DAT of one surface: every triangle solid with the properties of the
// first (type code 0 copies them), for `msp` species.
// With first_is_entry the first triangle is a flow-entry triangle of a
// rarefied gas at rest and the solid properties start at the second.
std::string surface_file(const Mesh& m, const Wall& w, int msp = 1, bool first_is_entry = false) {
  const int entries = first_is_entry ? 1 : 0;
  std::string f = tagged("1", "NSURF") + tagged(std::to_string(m.points.size()), "NPTS(1)") +
                  tagged(std::to_string(m.triangles.size() - entries), "NSTRIS(1)") +
                  tagged(std::to_string(entries), "NFTRIS(1)");
  char buf[128];
  for (const auto& p : m.points) {
    std::snprintf(buf, sizeof buf, "%.9g %.9g %.9g", p[0], p[1], p[2]);
    f += tagged(buf, "point");
  }
  for (std::size_t k = 0; k < m.triangles.size(); ++k) {
    const auto& tri = m.triangles[k];
    std::snprintf(buf, sizeof buf, "%d %d %d", tri[0] + 1, tri[1] + 1, tri[2] + 1);
    f += tagged(buf, "triangle");
    if (first_is_entry && k == 0) {
      f += tagged("2", "ITCODE") + tagged("0.", "u") + tagged("0.", "v") + tagged("0.", "w") +
           tagged("300.", "T") + tagged("1.0E10", "n");
      for (int L = 1; L <= msp; ++L) f += tagged(L == 1 ? "1.0" : "0.0", "fraction");
      continue;
    }
    if (k > static_cast<std::size_t>(entries)) {
      f += tagged("0", "ITCODE");
      continue;
    }
    f += tagged("1", "ITCODE") + tagged(w.tsurf, "TSURF") + tagged(w.fspec, "FSPEC");
    for (int L = 1; L <= msp; ++L) f += tagged(w.fads, "FADS") + tagged("0.", "FOUT");
    for (const auto& p : w.psr) f += tagged(p, "PSR");
  }
  return f;
}

// An argon region 1.2 x 1.2 x 0.6 m in divisions of 0.1 m, every side a
// stream boundary of argon at 300 K, rarefied enough for free-molecular flow
// (the tests below do not collide the molecules).
GasFile open_region(const std::string& vfx, const std::string& fnum, int init = 1) {
  GasFile g;
  g.region = tagged("0.0", "XMIN") + tagged("1.2", "XMAX") + tagged("-0.6", "YMIN") +
             tagged("0.6", "YMAX") + tagged("-0.3", "ZMIN") + tagged("0.3", "ZMAX");
  g.grid = tagged("12", "NDIVX") + tagged("12", "NDIVY") + tagged("6", "NDIVZ") +
           tagged("2", "NELX") + tagged("2", "NELY") + tagged("2", "NELZ");
  g.stream_state = tagged("1.0E18", "FND") + tagged("300.", "FTMP") + tagged(vfx, "VFX") +
                   tagged("0.", "VFY") + tagged("0.", "VFZ");
  g.boundaries = tagged("3", "IB(1)") + tagged("3", "IB(2)") + tagged("3", "IB(3)") +
                 tagged("3", "IB(4)") + tagged("3", "IB(5)") + tagged("3", "IB(6)");
  g.initial = tagged(std::to_string(init), "INIT") + tagged("0", "ISEP");
  g.run = tagged(fnum, "FNUM") + tagged("1.0E-2", "TREF") + tagged("1", "ISTEADY") +
          tagged("1.0", "ROUT") + tagged("10", "NSPI") + tagged("5", "NSTEADY") +
          tagged("60000", "MNM") + tagged("5", "NMCT") + tagged("3", "NMTT") +
          tagged("0", "IINDEX") + tagged("0", "ISUBC");
  return g;
}

void build(State& s, const test::TempDir& dir, const GasFile& gas, const std::string& surface) {
  support::set_up_case(s, dir.path(), gas.text(), surface);
}

// The triangle whose normal is closest to n.
int triangle_facing(const State& s, const Vec& n) {
  int best = 0;
  double most = -2;
  for (int t = 1; t <= s.NTRI; ++t) {
    const double d = s.TRI(kTriNx, t) * n[0] + s.TRI(kTriNy, t) * n[1] + s.TRI(kTriNz, t) * n[2];
    if (d > most) {
      most = d;
      best = t;
    }
  }
  return best;
}

Vec normal_of(const State& s, int t) { return {s.TRI(kTriNx, t), s.TRI(kTriNy, t), s.TRI(kTriNz, t)}; }

// ---- one molecule against one wall ----

struct Reflected {
  double un = 0, un2 = 0, t1 = 0, t2 = 0, t2sq = 0, energy = 0;
  int count = 0, removed = 0;
};

// Molecule m (of species 1 when the gas has several) at `at` in `cell`,
// moving at v.
void place(State& s, int m, const std::array<float, 3>& at, int cell, const Vec& v) {
  for (int d = 0; d < 3; ++d) {
    s.PP(d + 1, m) = at[static_cast<std::size_t>(d)];
    s.PV(d + 1, m) = static_cast<float>(v[static_cast<std::size_t>(d)]);
  }
  s.IP(2, m) = cell;
  if (s.NIPR >= 3) s.IP(3, m) = 1;
}

// A point 0.01 scaled m off the centre of triangle tri on its flow side.
std::array<float, 3> off_centre(const State& s, int tri) {
  return {s.TRI(kTriCx, tri) + 0.01f * s.TRI(kTriNx, tri),
          s.TRI(kTriCy, tri) + 0.01f * s.TRI(kTriNy, tri),
          s.TRI(kTriCz, tri) + 0.01f * s.TRI(kTriNz, tri)};
}

// Strikes triangle tri `n_hits` times with molecule 1 coming in at v_in,
// returning the statistics of what leaves in the triangle's local axes.
Reflected strike(State& s, int tri, const Vec& v_in, int n_hits) {
  Reflected r;
  const auto at = off_centre(s, tri);
  const int cell = locate_cell(s, at[0], at[1], at[2]);
  for (int i = 0; i < n_hits; ++i) {
    s.NM = 1;
    place(s, 1, at, cell, v_in);
    int n = 1, status = 1;
    reflect_molecule(s, n, tri, cell, status, at[0], at[1], at[2], s.TIME);
    if (status == -1) {
      ++r.removed;
      continue;
    }
    const LocalVelocity l = to_local(s, tri, s.PV(1, 1), s.PV(2, 1), s.PV(3, 1));
    r.un += l.un;
    r.un2 += l.un * l.un;
    r.t1 += l.t1;
    r.t2 += l.t2;
    r.t2sq += l.t2 * l.t2;
    r.energy += 0.5 * kArgon * (double(l.un) * l.un + double(l.t1) * l.t1 + double(l.t2) * l.t2);
    ++r.count;
  }
  return r;
}

// A closed slab turned by `angle` about z in argon at rest, and its face
// towards -y (towards -x when not turned): the triangle and its normal.
struct SlabWall {
  test::TempDir dir;
  State s;
  int tri = 0;
  Vec n{};
  explicit SlabWall(const Wall& w, double angle = 0.35,
                    const GasFile& gas = open_region("0.", "4.0E13", 2), int msp = 1) {
    build(s, dir, gas, surface_file(slab({0.6, 0, 0}, 0.3, 0.05, 0.2, angle), w, msp));
    tri =
        triangle_facing(s, angle > 0 ? Vec{-std::sin(angle), -std::cos(angle), 0} : Vec{-1, 0, 0});
    n = normal_of(s, tri);
  }
};

// A diffuse wall re-emits the effusion flux of a gas at rest at its own
// temperature T_w whatever comes in: mean normal speed (sqrt(pi)/2) c_w,
// mean tangential velocity the wall's, tangential variance c_w^2/2, mean
// energy 2 k T_w per molecule (Bird 1994, sec. 4.2). Checked on a tilted face
// and on a face whose normal is the x axis (the tangents are then y and z).
TEST(SurfaceInteraction, DiffuseWallReemitsTheEffusionFluxOfItsTemperature) {
  const int hits = 20000;
  for (const double angle : {0.35, 0.0}) {
    SCOPED_TRACE(angle);
    Wall w;
    w.tsurf = "500.";
    SlabWall wall(w, angle);
    State& s = wall.s;
    const int tri = wall.tri;
    const Vec n = wall.n;
    s.VSURF(1, s.ITP(4, tri)) = 120.0f;  // the wall slides along its first tangent
    const Vec v_in = {-900 * n[0] + 200, -900 * n[1], -900 * n[2]};
    const Reflected r = strike(s, tri, v_in, hits);
    ASSERT_EQ(r.count, hits);
    const double cw = std::sqrt(2 * kB * 500 / kArgon);
    // Standard deviations of the means: normal speed 0.463 c_w, tangential
    // 0.707 c_w, energy 1.41 of its mean, each over sqrt(hits); 4 sigma.
    const double se = 4 / std::sqrt(double(hits));
    EXPECT_NEAR(r.un / hits, std::sqrt(kPi) / 2 * cw, 0.463 * cw * se);
    EXPECT_NEAR(r.un2 / hits, cw * cw, 1.0 * cw * cw * se);
    EXPECT_NEAR(r.t1 / hits, 120.0, 0.707 * cw * se);
    EXPECT_NEAR(r.t2 / hits, 0.0, 0.707 * cw * se);
    EXPECT_NEAR(r.t2sq / hits, cw * cw / 2, 0.71 * cw * cw * se);
    // Energy in the frame of the wall: subtract the sliding velocity's share.
    const double e_wall = r.energy / hits - 0.5 * kArgon * (2 * 120.0 * r.t1 / hits - 120.0 * 120.0);
    EXPECT_NEAR(e_wall / (2 * kB * 500), 1.0, 1.41 * se);
    // The sample: every impact counted once, the normal momentum of both
    // halves counted positive.
    const int k = s.ITP(4, tri);
    EXPECT_EQ(s.SSAMP(1, k, 1), hits);
    EXPECT_NEAR(s.SSAMP(2, k, 1), kArgon * (-dot(v_in, n) * hits + r.un), 1e-5 * s.SSAMP(2, k, 1));
  }
}

// A specular wall reverses the normal component only, and the sample holds
// twice the normal momentum; the moments of the force about the origin are
// r x F of the momentum given at the impact point.
TEST(SurfaceInteraction, SpecularWallReversesOnlyTheNormalComponent) {
  Wall w;
  w.fspec = "1.";
  SlabWall wall(w);
  State& s = wall.s;
  const int tri = wall.tri;
  const Vec n = wall.n;
  const Vec v_in = {-400 * n[0] + 300, -400 * n[1] + 50, -400 * n[2] - 80};
  const Reflected r = strike(s, tri, v_in, 10);
  ASSERT_EQ(r.count, 10);
  const LocalVelocity in = to_local(s, tri, v_in[0], v_in[1], v_in[2]);
  EXPECT_NEAR(r.un / 10, -in.un, 1e-3);
  EXPECT_NEAR(r.t1 / 10, in.t1, 1e-3);
  EXPECT_NEAR(r.t2 / 10, in.t2, 1e-3);
  const double vn = dot(v_in, n);  // negative: into the wall
  const Vec v_out = {v_in[0] - 2 * vn * n[0], v_in[1] - 2 * vn * n[1], v_in[2] - 2 * vn * n[2]};
  for (int i = 0; i < 3; ++i) EXPECT_NEAR(s.PV(i + 1, 1), v_out[i], 1e-3);
  const int k = s.ITP(4, tri), S = s.ISURFT(tri);
  EXPECT_NEAR(s.SSAMP(2, k, 1), 10 * 2 * kArgon * -vn, 1e-6 * s.SSAMP(2, k, 1));
  EXPECT_NEAR(s.SSAMP(5, k, 1) + s.SSAMP(6, k, 1), 0.0, 1e-6 * s.SSAMP(5, k, 1));
  // Force: -2 m v_n n per impact; moment about the origin r x F at the impact
  // point (unscaled), in the order (Fx y - Fy x, Fz x - Fx z, Fy z - Fz y).
  const Vec F = {10 * 2 * kArgon * vn * n[0], 10 * 2 * kArgon * vn * n[1], 10 * 2 * kArgon * vn * n[2]};
  for (int i = 0; i < 3; ++i) EXPECT_NEAR(s.SFORCE(i + 1, S), F[i], 1e-4 * std::fabs(F[0]) + 1e-30);
  const double px = (s.TRI(kTriCx, tri) + 0.01 * n[0]) / s.SCALE;
  const double py = (s.TRI(kTriCy, tri) + 0.01 * n[1]) / s.SCALE;
  EXPECT_NEAR(s.SFORCE(4, S), F[0] * py - F[1] * px, 1e-3 * std::fabs(F[0]));
}

// An adiabatic wall takes the temperature of what it receives: with D = 4
// degrees of freedom per monatomic molecule, T = 2E/(kD) is the temperature
// of a gas whose effusion flux carries the same mean energy 2kT. A beam of
// one speed v makes T = m v^2/(4k); a lower bound -TSURF holds the wall up.
TEST(SurfaceInteraction, AdiabaticWallTakesTheTemperatureOfItsIncidentEnergy) {
  const double v = 1000;
  const double T_beam = kArgon * v * v / (4 * kB);  // 1200.5 K
  struct Case {
    const char* tsurf;
    double expected;
  };
  for (const Case& c : {Case{"-100.", T_beam}, Case{"-2000.", 2000.0}}) {
    SCOPED_TRACE(c.tsurf);
    Wall w;
    w.tsurf = c.tsurf;
    SlabWall wall(w);
    State& s = wall.s;
    const Vec n = wall.n;
    const int hits = 20000;
    const Reflected r = strike(s, wall.tri, {-v * n[0], -v * n[1], -v * n[2]}, hits);
    const int k = s.ITP(4, wall.tri);
    EXPECT_DOUBLE_EQ(s.STEMP(1, k), 4.0 * hits);
    EXPECT_NEAR(adiabatic_wall_temperature(s, k, 1), c.expected, 1e-4 * c.expected);
    EXPECT_NEAR(r.energy / hits / (2 * kB * c.expected), 1.0, 1.41 * 4 / std::sqrt(double(hits)));
  }
}

// FADS = 1 takes every molecule out of the flow (the impact still counts in
// the sample); a triangle that is not solid (an entry triangle) is a sink
// that takes the molecule and leaves no sample.
TEST(SurfaceInteraction, AdsorbingWallAndSinkRemoveEveryMolecule) {
  {
    Wall w;
    w.fads = "1.";
    SlabWall wall(w);
    State& s = wall.s;
    const Vec n = wall.n;
    const Reflected r = strike(s, wall.tri, {-500 * n[0], -500 * n[1], -500 * n[2]}, 500);
    EXPECT_EQ(r.removed, 500);
    EXPECT_EQ(s.NM, 0);
    EXPECT_EQ(s.TOTREM, 500.0);
    EXPECT_EQ(s.SSAMP(1, s.ITP(4, wall.tri), 1), 500.0);
  }
  {
    // A closed slab whose first triangle (on its -x face) is an entry
    // triangle, struck from its flow side.
    test::TempDir dir;
    State s;
    const std::string surface =
        surface_file(slab({0.6, 0, 0}, 0.3, 0.05, 0.2, 0.0), Wall{}, 1, /*first_is_entry=*/true);
    build(s, dir, open_region("0.", "4.0E13", 2), surface);
    ASSERT_LT(s.ITP(4, 1), 0);
    s.TOTREF = 7;
    s.NM = 1;
    const Vec n = normal_of(s, 1);
    for (int d = 0; d < 3; ++d) s.PV(d + 1, 1) = static_cast<float>(-300 * n[d]);
    int m = 1, status = 1;
    reflect_molecule(s, m, 1, 1, status, 10, 0, 0, 0);
    EXPECT_EQ(status, -1);
    EXPECT_EQ(s.NM, 0);
    EXPECT_EQ(s.TOTREF, 6.0);  // the hit the move counted is taken back
    EXPECT_EQ(s.TOTREM, 1.0);
    double sampled = 0;
    for (std::size_t i = 0; i < s.SSAMP.size(); ++i) sampled += std::fabs(s.SSAMP.data()[i]);
    EXPECT_EQ(sampled, 0.0);
  }
}

// Surface reactions of a two-species gas A, B: A -> B + B on every impact
// (probability 1), and A + A -> B, which waits for a second A. The products
// leave diffusely from the impact point at the impact time and are sampled
// as reflected molecules.
TEST(SurfaceInteraction, SurfaceReactionsReplaceTheMoleculeByItsProducts) {
  for (const bool pair : {false, true}) {
    SCOPED_TRACE(pair ? "A + A -> B" : "A -> B + B");
    GasFile g = open_region("0.", "4.0E13", 2);
    g.counts = test::counts(2, 0, 0, 0, 1);
    g.species = test::species(1, "4.17E-10", "0.81", "6.63E-26") +
                test::species(2, "4.17E-10", "0.81", "3.315E-26");
    g.fractions = {"1.0", "0.0"};
    g.reactions = tagged("1", "ISRI(1,1)") + tagged(pair ? "1" : "0", "ISRI(2,1)") +
                  tagged("2", "ISRR(1,1)") + tagged(pair ? "0" : "2", "ISRR(2,1)") +
                  tagged("0", "ISRR(3,1)") + tagged("0", "ISRR(4,1)") + tagged("0", "ISRR(5,1)") +
                  tagged("0", "ISRR(6,1)") + tagged("1.0E-20", "ESR(1)");
    Wall w;
    w.psr = {"1."};
    SlabWall wall(w, 0.35, g, 2);
    State& s = wall.s;
    const int tri = wall.tri;
    const Vec n = wall.n;
    const int k = s.ITP(4, tri);
    const auto at = off_centre(s, tri);
    const int cell = locate_cell(s, at[0], at[1], at[2]);
    s.NM = 0;
    int last_status = 0;
    for (int i = 0; i < 2; ++i) {
      const int m = ++s.NM;
      place(s, m, at, cell, {-500 * n[0], -500 * n[1], -500 * n[2]});
      int nn = m, status = 1;
      reflect_molecule(s, nn, tri, cell, status, at[0], at[1], at[2], 1.25);
      last_status = status;
      if (pair && i == 0) {
        // The first A is only marked as arrived and reflects.
        EXPECT_EQ(status, 1);
        EXPECT_EQ(s.SREAC(1), 0.0);
        EXPECT_LT(s.ISRI(1, 1) * s.ISRI(2, 1), 0);
      }
    }
    EXPECT_EQ(last_status, -1);
    EXPECT_EQ(s.SREAC(1), pair ? 1.0 : 2.0);
    // Products: species B, at the impact point, at the impact time, leaving.
    int products = 0;
    for (int m = 1; m <= s.NM; ++m) {
      if (s.IP(3, m) != 2) continue;
      ++products;
      EXPECT_EQ(s.PP(1, m), at[0]);
      EXPECT_EQ(s.PTIM(m), 1.25);
      EXPECT_GT(to_local(s, tri, s.PV(1, m), s.PV(2, m), s.PV(3, m)).un, 0.0f);
    }
    EXPECT_EQ(products, pair ? 1 : 4);
    EXPECT_EQ(s.NM, pair ? 2 : 4);  // with the pair: the first A reflected, one B
    EXPECT_EQ(s.SSAMP(1, k, 1), 2.0);
    EXPECT_GT(s.SSAMP(2, k, 2), 0.0);  // the products' normal momentum
    EXPECT_GT(s.ISRI(1, 1), 0);        // no mark left
  }
}

// ---- triangle hits in the move ----

// One molecule moved over dt against a closed slab of specular walls: paths
// that meet a face from the flow side reflect exactly there (one hit however
// many triangles share the point), paths that do not reach it or run along
// it do not, and the back-off leaves the molecule on the flow side.
TEST(MoveTriangleHits, PathsAgainstASlabReflectWhereTheyMeetIt) {
  test::TempDir dir;
  State s;
  Wall w;
  w.fspec = "1.";
  // A slab 0.4 x 0.1 x 0.4 m; its -y face at y = -0.05 (scaled 50 x ...).
  build(s, dir, open_region("0.", "4.0E13", 2), surface_file(slab({0.6, 0, 0}, 0.2, 0.05, 0.2, 0.0), w));
  const float sc = s.SCALE;
  struct Case {
    const char* name;
    float x, y, z;     // start [m]
    float u, v, w;     // velocity [m/s]
    bool hit;
  };
  const float dt = 2e-4f * sc;  // scaled s: 0.08 m at 400 m/s, under a division
  const Case cases[] = {
      {"through the middle of the -y face", 0.55f, -0.09f, 0.05f, 0, 400, 0, true},
      {"along the diagonal shared by the face's triangles", 0.6f, -0.09f, 0.0f, 0, 400, 0, true},
      {"from the next division across its boundary", 0.63f, -0.12f, 0.01f, 100, 400, 50, true},
      {"stopping short of the face", 0.55f, -0.15f, 0.05f, 0, 400, 0, false},
      {"from inside, moving out through the face", 0.55f, -0.03f, 0.05f, 0, -400, 0, false},
      {"parallel to the face", 0.55f, -0.06f, 0.05f, 400, 0, 0, false},
      {"past the edge of the slab", 0.85f, -0.09f, 0.05f, 0, 400, 0, false},
  };
  for (const Case& k : cases) {
    SCOPED_TRACE(k.name);
    s.NM = 1;
    s.PP(1, 1) = k.x * sc;
    s.PP(2, 1) = k.y * sc;
    s.PP(3, 1) = k.z * sc;
    s.PV(1, 1) = k.u;
    s.PV(2, 1) = k.v;
    s.PV(3, 1) = k.w;
    s.PTIM(1) = 0;
    int c = locate_cell(s, s.PP(1, 1), s.PP(2, 1), s.PP(3, 1));
    if (c < 0) c = 1;  // the start inside the slab lies in no cell
    s.IP(2, 1) = c;
    s.TOTREF = 0;
    int n = 1;
    float t_rem = 0;
    ASSERT_EQ(move_molecule(s, n, c, dt, t_rem), 1);
    EXPECT_EQ(s.TOTREF, k.hit ? 1.0 : 0.0);
    if (k.hit) {
      EXPECT_FLOAT_EQ(s.PV(2, 1), -k.v);  // reflected: only the normal component reversed
      EXPECT_FLOAT_EQ(s.PV(1, 1), k.u);
      EXPECT_LT(s.PP(2, 1), -0.05f * sc);  // left on the flow side
      EXPECT_GT(s.PP(2, 1), k.y * sc - 0.2f);
    } else {
      EXPECT_EQ(s.PV(2, 1), k.v);
      EXPECT_NEAR(s.PP(2, 1), k.y * sc + k.v * dt, 1e-3f);
    }
  }
}

// ---- whole flows against free-molecular theory ----

// Fluxes onto a wall from a drifting Maxwellian (number density n,
// temperature T, drift U_n towards the wall and U_t along it), by
// integration over the normal velocity v > 0 of v^k exp(-(v - U_n)^2/c_m^2):
// number, normal momentum, tangential momentum and energy (Bird 1994,
// sec. 4.3, in integral form).
struct Influx {
  double number, normal_momentum, tangential_momentum, energy;
};
Influx maxwellian_influx(double n, double T, double m, double Un, double Ut) {
  const double cm = std::sqrt(2 * kB * T / m);
  const double top = std::max(0.0, Un) + 10 * cm;
  const int steps = 200000;
  double I1 = 0, I2 = 0, I3 = 0;
  for (int i = 0; i <= steps; ++i) {
    const double v = top * i / steps;
    const double f = std::exp(-(v - Un) * (v - Un) / (cm * cm)) / (std::sqrt(kPi) * cm);
    const double wgt = (i == 0 || i == steps ? 0.5 : 1.0) * top / steps;
    I1 += wgt * v * f;
    I2 += wgt * v * v * f;
    I3 += wgt * v * v * v * f;
  }
  return {n * I1, n * m * I2, n * m * Ut * I1, 0.5 * n * m * (I3 + (Ut * Ut + cm * cm) * I1)};
}

// Steps the flow without collisions: move, entry; TIME by DTM.
void free_molecular_steps(State& s, int steps) {
  ui::ScriptedToolkit ui;
  for (int i = 0; i < steps; ++i) {
    s.TIME += s.DTM;
    move_molecules(s, ui);
    enter_molecules(s);
  }
}

// Without collisions the time step is bounded only by the displacement
// limit: a step of `seconds` (molecules moving about a third of a division)
// gives more impacts per molecule moved than the collision-bound step.
void set_time_step(State& s, double seconds) {
  s.DTM = static_cast<float>(seconds * s.SCALE);
  for (int c = 1; c <= s.NCELLS; ++c) s.CELL(13, c) = 0.5f * s.DTM;
}

// Area-weighted means of the surface results VARS(2..8) over the triangles
// facing n (within 1e-3).
std::array<double, 9> face_results(const State& s, const Vec& n) {
  std::array<double, 9> mean{};
  double area = 0;
  for (int t = 1; t <= s.NTRI; ++t) {
    if (dot(normal_of(s, t), n) < 0.999) continue;
    const double a = s.TRI(kTriArea, t);
    area += a;
    for (int k = 1; k <= 8; ++k) mean[k] += a * s.VARS(k, s.ITP(4, t));
  }
  for (int k = 2; k <= 8; ++k) mean[k] /= area;
  return mean;
}

// A closed thin slab at 30 degrees incidence in an argon stream of speed
// ratio 2: on its windward face the pressure, the shear and the heat flux of
// free-molecular flow with diffuse re-emission at the wall temperature (the
// incident fluxes of the stream, plus the reflected normal momentum
// N m (sqrt(pi)/2) c_w and minus the reflected energy 2 k T_w N).
TEST(FreeMolecularFlow, WindwardFaceOfASlabAtIncidenceMatchesTheory) {
  const double T = 300, Tw = 500, alpha = kPi / 6;
  const double cm = std::sqrt(2 * kB * T / kArgon);
  const double U = 2 * cm;
  test::TempDir dir;
  State s;
  Wall w;
  w.tsurf = "500.";
  build(s, dir, open_region(std::to_string(U), "1.5E13"),
        surface_file(slab({0.6, 0, 0}, 0.3, 0.01, 0.22, -alpha), w));
  set_time_step(s, 4.0e-5);
  free_molecular_steps(s, 15);  // refill the cut elements the start left empty
  reset_sample(s);
  const int steps = 120;
  free_molecular_steps(s, steps);
  surface_results(s);
  const Vec n = {-std::sin(alpha), -std::cos(alpha), 0};
  const auto r = face_results(s, n);
  const Influx in = maxwellian_influx(1.0e18, T, kArgon, U * std::sin(alpha), U * std::cos(alpha));
  const double cw = std::sqrt(2 * kB * Tw / kArgon);
  const double p = in.normal_momentum + in.number * kArgon * std::sqrt(kPi) / 2 * cw;
  const double q = in.energy - 2 * kB * Tw * in.number;
  // Over ~3e4 impacts: 1 sigma about 0.6 % for the number and pressure,
  // 0.7 % for the shear and 1.5 % for the heat flux; 4 sigma.
  ASSERT_GT(r[1], 2.5e4);
  EXPECT_NEAR(r[2] / in.number, 1.0, 0.025);
  EXPECT_NEAR(r[3] / p, 1.0, 0.025);
  // The stream's tangential direction on this face is -t2 (t2 = n x t1,
  // t1 = z): incident minus reflected momentum along t2 is -U cos(alpha).
  EXPECT_NEAR(-r[5] / in.tangential_momentum, 1.0, 0.03);
  EXPECT_NEAR(r[4] / in.tangential_momentum, 0.0, 0.03);
  EXPECT_NEAR(r[8] / q, 1.0, 0.06);
  EXPECT_NEAR(r[6] + r[7], r[8], 1e-6 * std::fabs(r[6]));

  // The force on the slab summed by the interaction equals the sum over its
  // triangles of A (-p n + shear), the shear along the triangle's tangents;
  // and the moment sums are those of the same force distribution about the
  // origin (to the spread of impact points over each triangle).
  const double D = s.FNUM * s.SCALE / (s.TIME - s.TSAMPSTART);
  double F[3] = {0, 0, 0};
  for (int t = 1; t <= s.NTRI; ++t) {
    const int j = s.ITP(4, t);
    const double a = s.TRI(kTriArea, t) / (s.SCALE * s.SCALE);
    float shear[3];
    to_global(s, t, LocalVelocity{0.0f, s.VARS(4, j), s.VARS(5, j)}, shear);
    const Vec nt = normal_of(s, t);
    for (int i = 0; i < 3; ++i) F[i] += a * (-s.VARS(3, j) * nt[i] + shear[i]);
  }
  const double scale = std::sqrt(F[0] * F[0] + F[1] * F[1] + F[2] * F[2]);
  for (int i = 0; i < 3; ++i)
    EXPECT_NEAR(D * s.SFORCE(i + 1, 1), F[i], 2e-3 * scale) << "force component " << i;
}

// An argon reservoir at rest (zero-velocity stream boundaries all round)
// about a diffuse sphere at the gas temperature: equilibrium. The wall
// receives n sqrt(kT/(2 pi m)) molecules per unit area and time, gives back
// as much energy as it receives, the molecule number stays steady, and over
// the whole run no molecule ever ends inside the sphere.
TEST(FreeMolecularFlow, DiffuseSphereInAReservoirStaysInEquilibrium) {
  test::TempDir dir;
  State s;
  const Vec centre = {0.6, 0.0, 0.0};
  const double R = 0.22;
  const Mesh m = testing::icosphere(centre, R, 2);
  build(s, dir, open_region("0.", "2.5E13"), surface_file(m, Wall{}));
  // The largest sphere inside the polyhedron: the nearest face plane.
  double inscribed = R;
  for (int t = 1; t <= s.NTRI; ++t)
    inscribed = std::min(inscribed, -plane_value(s, t, centre[0] * s.SCALE, 0, 0) / s.SCALE);
  ASSERT_GT(inscribed, 0.9 * R);
  auto inside = [&] {
    int count = 0;
    for (int k = 1; k <= s.NM; ++k) {
      const double dx = s.PP(1, k) / s.SCALE - centre[0], dy = s.PP(2, k) / s.SCALE,
                   dz = s.PP(3, k) / s.SCALE;
      if (dx * dx + dy * dy + dz * dz < inscribed * inscribed) ++count;
    }
    return count;
  };
  set_time_step(s, 3.0e-5);
  free_molecular_steps(s, 15);
  reset_sample(s);
  const int steps = 200;
  int ever_inside = 0;
  double nm_sum = 0;
  for (int i = 0; i < steps; ++i) {
    free_molecular_steps(s, 1);
    ever_inside += inside();
    nm_sum += s.NM;
  }
  EXPECT_EQ(ever_inside, 0);
  EXPECT_EQ(s.NROUND, 0);
  double area = 0, hits = 0, energy = 0, incident = 0;
  for (int t = 1; t <= s.NTRI; ++t) {
    area += s.TRI(kTriArea, t) / (s.SCALE * s.SCALE);
    const int k = s.ITP(4, t);
    hits += s.SSAMP(1, k, 1);
    energy += s.SSAMP(5, k, 1) + s.SSAMP(6, k, 1);
    incident += s.SSAMP(5, k, 1);
  }
  const double time = steps * s.DTM / s.SCALE;
  const double flux = 1.0e18 * std::sqrt(kB * 300 / (2 * kPi * kArgon));
  // Over ~4e4 impacts, 1 sigma 0.5 %; the net energy is a difference of
  // two fluxes of 1.4/sqrt(N) relative spread each.
  EXPECT_NEAR(s.FNUM * hits / (area * time) / flux, 1.0, 0.025);
  EXPECT_NEAR(energy / incident, 0.0, 4 * 2.0 / std::sqrt(hits));
  // The molecule number fluctuates about n V / FNUM, V the region less the
  // polyhedron (its volume by the divergence theorem), Poisson, 4 sigma.
  const double expected = 1.0e18 * (1.2 * 1.2 * 0.6 - testing::enclosed_volume(m)) / s.FNUM;
  EXPECT_NEAR(nm_sum / steps, expected, 4 * std::sqrt(expected));
  EXPECT_NEAR(s.NM, expected, 4 * std::sqrt(expected));
}

}  // namespace
}  // namespace qmxv
