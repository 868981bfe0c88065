// Molecule entry against kinetic theory. A stream side or an entry triangle
// lets in, per unit area and time, the Maxwellian influx of a gas drifting at
// speed ratio s into the flow (Bird 1994, Molecular Gas Dynamics and the
// Direct Simulation of Gas Flows, eq. 4.22); the normal speeds of the
// molecules that enter follow the flux distribution
// v_n exp(-(v_n - U_n)^2 / c_m^2), v_n > 0, and their tangential speeds the
// Maxwellian about the gas's own tangential velocity (Bird 1994, sec. 12.1).
// Every case starts from a vacuum and counts only what enters.
#include "core/entry.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "data/data_files.h"
#include "run/state.h"
#include "support/case_setup.h"
#include "ui/scripted/scripted_toolkit.h"

namespace qmxv {
namespace {

using test::GasFile;
using test::tagged;

constexpr double kB = 1.3806e-23;
constexpr double kPi = 3.14159265358979;
constexpr double kArgon = 6.63e-26, kHelium = 6.65e-27;

std::string num(double v) {
  char b[32];
  std::snprintf(b, sizeof b, "%.9g", v);
  return b;
}

double most_probable_speed(double T, double m) {
  return std::sqrt(2 * kB * T / m);
}

// Number crossing unit area per unit time from a Maxwellian gas whose drift
// into the flow is s c_m, in units of n c_m (Bird 1994, eq. 4.22).
double influx(double s) {
  return (std::exp(-s * s) + std::sqrt(kPi) * s * (1 + std::erf(s))) / (2 * std::sqrt(kPi));
}

// The moments <u^k>, k = 0..4, of the normal speed ratio u of the molecules
// that cross a plane: over the flux distribution u exp(-(u - s)^2), u > 0,
// by Simpson's rule on [0, max(s, 0) + 9] (the tail beyond is below e^-81).
std::array<double, 5> normal_moments(double s) {
  const int n = 4000;
  const double h = (std::max(s, 0.0) + 9.0) / n;
  std::array<double, 5> sum{};
  for (int i = 0; i <= n; ++i) {
    const double u = i * h, w = (i == 0 || i == n) ? 1 : (i % 2 == 1 ? 4 : 2);
    double f = w * u * std::exp(-(u - s) * (u - s));
    for (double& m : sum) {
      m += f;
      f *= u;
    }
  }
  for (int k = 4; k >= 0; --k) sum[k] /= sum[0];
  return sum;
}

struct Stat {
  double n = 0, s1 = 0, s2 = 0;
  void add(double x) {
    n += 1;
    s1 += x;
    s2 += x * x;
  }
  double mean() const { return s1 / n; }
  double mean_square() const { return s2 / n; }
  double variance() const { return mean_square() - mean() * mean(); }
};

// Four standard deviations of the mean of n values of variance var.
double four_sd(double var, double n) {
  return 4 * std::sqrt(var / n);
}

// The checks of one sample of normal speeds against the flux distribution
// at speed ratio s: the mean of v_n and of v_n^2, each within four standard
// deviations of its sample mean (the variances from the moments up to the
// fourth).
void expect_flux_distribution(const Stat& vn, double s, double cm) {
  const auto m = normal_moments(s);
  EXPECT_NEAR(vn.mean() / cm, m[1], four_sd(m[2] - m[1] * m[1], vn.n)) << "mean normal speed";
  EXPECT_NEAR(vn.mean_square() / (cm * cm), m[2], four_sd(m[4] - m[2] * m[2], vn.n))
      << "mean square normal speed";
}

// A tangential component: Maxwellian about the gas's own velocity u, of
// variance c_m^2/2; the sample variance of n normal values scatters by
// sqrt(2/n) of itself.
void expect_tangential(const Stat& t, double u, double cm) {
  EXPECT_NEAR(t.mean(), u, four_sd(cm * cm / 2, t.n)) << "mean tangential velocity";
  EXPECT_NEAR(t.variance() / (cm * cm / 2), 1.0, 4 * std::sqrt(2 / t.n)) << "tangential variance";
}

// The number entered is not random: the remainder carried from step to step
// makes the running total the integer part of the expected one. What is left
// is the precision of the single-precision rate, 2e-5 of it, and the
// error-function fit in the influx (1.5e-7, Abramowitz & Stegun 7.1.26),
// which moves the influx by |s| 0.75e-7 n c_m: 3e-4 of it at s = -2, where
// the influx is the small difference of its two terms.
double count_tolerance(double expected, double s) {
  return 1.0 + expected * (2e-5 + 0.75e-7 * std::fabs(s) / influx(s));
}

struct Stream {
  double n, T, u, v, w;
};

// The unit cube (SCALE 10) in 2 x 2 x 2 divisions of nel^3 elements, starting
// from a vacuum, its sides and its stream gas as given.
GasFile cube(const std::array<int, 6>& ib, const Stream& g, int nel = 1) {
  GasFile f;
  f.region = tagged("0.0", "XMIN") + tagged("1.0", "XMAX") + tagged("0.0", "YMIN") +
             tagged("1.0", "YMAX") + tagged("0.0", "ZMIN") + tagged("1.0", "ZMAX");
  const std::string e = std::to_string(nel);
  f.grid = tagged("2", "NDIVX") + tagged("2", "NDIVY") + tagged("2", "NDIVZ") + tagged(e, "NELX") +
           tagged(e, "NELY") + tagged(e, "NELZ");
  f.stream_state = tagged(num(g.n), "FND") + tagged(num(g.T), "FTMP") + tagged(num(g.u), "VFX") +
                   tagged(num(g.v), "VFY") + tagged(num(g.w), "VFZ");
  f.boundaries.clear();
  for (int K = 0; K < 6; ++K)
    f.boundaries += tagged(std::to_string(ib[K]), "IB(" + std::to_string(K + 1) + ")");
  f.initial = tagged("2", "INIT") + tagged("0", "ISEP");
  return f;
}

// Helium (species 1) and argon (species 2) in the given fractions.
void helium_argon(GasFile& f, double helium) {
  f.counts = test::counts(2, 0, 0, 0, 0);
  f.species = test::species(1, "2.33E-10", "0.66", "6.65E-27") +
              test::species(2, "4.17E-10", "0.81", "6.63E-26");
  f.fractions = {num(helium), num(1 - helium)};
}

void build(State& s, const test::TempDir& dir, const GasFile& gas, const std::string& surface) {
  support::set_up_case(s, dir.path(), gas.text(), surface);
}

// Builds the case with the FNUM that lets `per_step` simulated molecules in
// per step when `real_rate` real molecules enter per second: a first build
// gives the time step (set by the cell size, the speeds and the mean free
// path, not by FNUM).
void build_for_rate(State& s, const test::TempDir& dir, GasFile gas, const std::string& surface,
                    double real_rate, double per_step) {
  double dt = 0;
  {
    State probe;
    build(probe, dir, gas, surface);
    dt = probe.DTM / probe.SCALE;
  }
  gas.run = test::set_value(gas.run, "FNUM", num(real_rate * dt / per_step));
  build(s, dir, gas, surface);
}

// Simulated molecules per step from real molecules per second.
double per_step(const State& s, double real_rate) {
  return real_rate * (s.DTM / s.SCALE) / s.FNUM;
}

// Enters molecules `steps` times, the clock advancing by DTM each time; the
// number entered at each step.
std::vector<int> enter_steps(State& s, int steps) {
  std::vector<int> counts;
  for (int i = 0; i < steps; ++i) {
    const double before = s.TOTENT;
    enter_molecules(s);
    counts.push_back(static_cast<int>(s.TOTENT - before));
    s.TIME += s.DTM;
  }
  return counts;
}

// One stream side at a time, the others planes of symmetry (2), vacuum (4)
// or periodic (5) sides, some of them with the stream drifting in through
// them: the count against the influx, every molecule on the stream side
// moving into the flow, spread evenly over the side, with the flux
// distribution of normal speeds and the Maxwellian of tangential ones.
// 100 molecules a step for 100 steps: 10,000 molecules, so the mean normal
// speed is held to about 2 % and the tangential variance to 6 % (four
// standard deviations).
TEST(EntryFace, StreamSideInfluxAndTheDistributionOfWhatEnters) {
  struct Case {
    const char* name;
    int face;  // 1..6: min x, max x, min y, max y, min z, max z
    double s;  // speed ratio of the drift into the flow
    std::array<int, 6> ib;
    double t1, t2;  // stream velocity along the other two axes, in x, y, z order [m/s]
  };
  const Case cases[] = {
      // The stream drifts in through the vacuum side at max x.
      {"min x against the stream", 1, -2.0, {3, 4, 2, 4, 2, 4}, 150, -250},
      // ... and through the periodic side at max z.
      {"min x without normal drift", 1, 0.0, {3, 2, 4, 2, 4, 5}, 150, -250},
      {"min x with the stream", 1, 2.0, {3, 4, 2, 2, 4, 4}, 150, -250},
      {"max x", 2, 1.0, {4, 3, 2, 4, 4, 2}, -120, 80},
      // Without a secondary stream a constant-pressure side is a stream side.
      {"constant-pressure max x", 2, -0.5, {4, 6, 2, 4, 4, 2}, -120, 80},
      {"min y between periodic x sides", 3, 1.5, {5, 5, 3, 4, 2, 4}, -200, 300},
      {"max z", 6, 0.5, {2, 4, 4, 2, 4, 3}, 100, 200},
  };
  const double cm = most_probable_speed(300, kArgon), nd = 1e18;
  for (const Case& k : cases) {
    SCOPED_TRACE(k.name);
    const int axis = (k.face - 1) / 2;
    const double inward = k.face % 2 == 1 ? 1 : -1;
    const int a1 = axis == 0 ? 1 : 0, a2 = axis == 2 ? 1 : 2;
    double V[3];
    V[axis] = inward * k.s * cm;
    V[a1] = k.t1;
    V[a2] = k.t2;
    const double real_rate = nd * cm * influx(k.s) * 1.0;  // a side of the cube is 1 m^2
    test::TempDir dir;
    State s;
    build_for_rate(s, dir, cube(k.ib, {nd, 300, V[0], V[1], V[2]}), tagged("0", "NSURF"), real_rate,
                   100);
    const int steps = 100;
    enter_steps(s, steps);
    const double expected = steps * per_step(s, real_rate);
    EXPECT_NEAR(s.TOTENT, expected, count_tolerance(expected, k.s));
    EXPECT_EQ(s.NM, s.TOTENT) << "molecules lost on entry";

    // Scaled lengths: the cube is 10 on a side, the side's plane at 0 or 10.
    const double plane = k.face % 2 == 1 ? 0.0 : 10.0;
    Stat vn, t1, t2, p1, p2;
    int off_side = 0, outward = 0;
    for (int n = 1; n <= s.NM; ++n) {
      const double v[3] = {s.PV(1, n), s.PV(2, n), s.PV(3, n)};
      const double p[3] = {s.PP(1, n), s.PP(2, n), s.PP(3, n)};
      // Molecules are advanced by up to 0.01 DTM v into the flow (and, near
      // an edge of the side, as far beyond it).
      const double reach = 0.01 * s.DTM * std::sqrt(v[0] * v[0] + v[1] * v[1] + v[2] * v[2]) + 1e-5;
      const double d = inward * (p[axis] - plane);
      if (d < 0 || d > reach) ++off_side;
      for (int a : {a1, a2})
        if (p[a] < -reach || p[a] > 10 + reach) ++off_side;
      if (inward * v[axis] <= 0) ++outward;
      vn.add(inward * v[axis]);
      t1.add(v[a1]);
      t2.add(v[a2]);
      p1.add(p[a1]);
      p2.add(p[a2]);
    }
    EXPECT_EQ(off_side, 0) << "molecules not on the stream side";
    EXPECT_EQ(outward, 0) << "molecules not moving into the flow";
    expect_flux_distribution(vn, k.s, cm);
    expect_tangential(t1, V[a1], cm);
    expect_tangential(t2, V[a2], cm);
    // Uniform over the side: the mean position is its centre, to four
    // standard deviations of the mean of a uniform variable (10/sqrt(12)).
    EXPECT_NEAR(p1.mean(), 5.0, four_sd(100.0 / 12, p1.n));
    EXPECT_NEAR(p2.mean(), 5.0, four_sd(100.0 / 12, p2.n));
  }
}

// A dense gas that would enter through every side (drifting in through
// three of them), none of them a stream side: nothing enters.
TEST(EntryFace, SidesThatAreNotStreamSidesAdmitNothing) {
  test::TempDir dir;
  State s;
  GasFile g = cube({5, 5, 2, 4, 4, 2}, {1e20, 300, 300, -300, 300});
  build(s, dir, g, tagged("0", "NSURF"));
  enter_steps(s, 20);
  EXPECT_EQ(s.TOTENT, 0.0);
  EXPECT_EQ(s.NM, 0);
}

// A rate that is not a whole number of molecules a step: the remainder is
// carried, so the running total after m steps stays within one molecule of
// m times the rate, and each step lets in only its integer part or one more
// (never a random number, which would give two or more in about 6 % of the
// steps at 0.4).
TEST(EntryFace, FractionalRateIsCarriedFromStepToStep) {
  const double cm = most_probable_speed(300, kArgon), nd = 1e18;
  const double real_rate = nd * cm * influx(0.0);
  for (const double target : {0.4, 2.7}) {
    SCOPED_TRACE(target);
    test::TempDir dir;
    State s;
    build_for_rate(s, dir, cube({3, 4, 2, 2, 2, 2}, {nd, 300, 0, 0, 0}), tagged("0", "NSURF"),
                   real_rate, target);
    const double rate = per_step(s, real_rate);
    ASSERT_NEAR(rate, target, 1e-4);
    const std::vector<int> counts = enter_steps(s, 1000);
    const int lo = static_cast<int>(std::floor(rate)), hi = lo + 1;
    double total = 0;
    int other = 0, drift = 0;
    for (std::size_t m = 0; m < counts.size(); ++m) {
      if (counts[m] != lo && counts[m] != hi) ++other;
      total += counts[m];
      // The single-precision rate is good to 2e-5 of itself.
      const double expected = rate * static_cast<double>(m + 1);
      if (std::fabs(total - expected) > 1.0 + 2e-5 * expected) ++drift;
    }
    EXPECT_EQ(other, 0) << "steps with neither " << lo << " nor " << hi << " molecules";
    EXPECT_EQ(drift, 0) << "steps at which the running total is more than one molecule off";
    EXPECT_NEAR(total, 1000 * rate, 1.0 + 2e-5 * 1000 * rate);
  }
}

// Helium and argon, 30/70: each species enters at n f_L c_m,L times the
// influx of its own speed ratio — at rest in proportion to its fraction
// times its own most probable speed (helium, sqrt(10) times faster, then
// brings 58 % of the molecules though it is 30 % of the gas) — with the
// flux distribution of its own normal speeds. 10,000 molecules in all.
TEST(EntryFace, EachSpeciesEntersWithItsOwnMostProbableSpeed) {
  const double nd = 1e18, fraction[2] = {0.3, 0.7};
  const double cm[2] = {most_probable_speed(300, kHelium), most_probable_speed(300, kArgon)};
  for (const double u : {0.0, 500.0}) {
    SCOPED_TRACE(u);
    GasFile g = cube({3, 4, 2, 2, 2, 2}, {nd, 300, u, 0, 0});
    helium_argon(g, fraction[0]);
    double rate[2], ratio[2];
    for (int L = 0; L < 2; ++L) {
      ratio[L] = u / cm[L];
      rate[L] = nd * fraction[L] * cm[L] * influx(ratio[L]);
    }
    test::TempDir dir;
    State s;
    build_for_rate(s, dir, g, tagged("0", "NSURF"), rate[0] + rate[1], 200);
    const int steps = 50;
    enter_steps(s, steps);
    EXPECT_EQ(s.NM, s.TOTENT);
    Stat vn[2];
    for (int n = 1; n <= s.NM; ++n) vn[s.IP(3, n) - 1].add(s.PV(1, n));
    for (int L = 0; L < 2; ++L) {
      SCOPED_TRACE(L == 0 ? "helium" : "argon");
      const double expected = steps * per_step(s, rate[L]);
      EXPECT_NEAR(vn[L].n, expected, count_tolerance(expected, ratio[L]));
      expect_flux_distribution(vn[L], ratio[L], cm[L]);
    }
  }
}

// A flow-entry triangle across the corner of the region, in the plane
// x + y + z = 0.6 m, its sides on the planes x = 0, y = 0 and z = 0; its
// normal (1, 1, 1)/sqrt(3) points away from the corner, into the flow. The
// gas behind it has its own velocity, temperature (500 K, the stream is at
// 300 K), density and composition (helium and argon 30/70, the stream
// 50/50). Each species enters at its influx through the triangle's area
// with the drift along the normal, from points spread evenly over the
// triangle, on the flow side, with the flux distribution of normal speeds
// and the Maxwellian of tangential ones along two tangents of the test's
// own choosing. 200 molecules a step for 100 steps.
TEST(EntryTriangle, TiltedTriangleInfluxAndTheDistributionOfWhatEnters) {
  struct Case {
    const char* name;
    std::array<double, 3> u;  // gas velocity [m/s]
  };
  const Case cases[] = {
      {"drift into the flow", {400, -100, 250}},
      {"drift against the normal", {-600, 100, -200}},
  };
  const double a = 0.6, T = 500, nd = 5e19, fraction[2] = {0.3, 0.7};
  const double cm[2] = {most_probable_speed(T, kHelium), most_probable_speed(T, kArgon)};
  const double r3 = std::sqrt(3.0), r2 = std::sqrt(2.0), r6 = std::sqrt(6.0);
  const double normal[3] = {1 / r3, 1 / r3, 1 / r3};
  const double e1[3] = {1 / r2, -1 / r2, 0}, e2[3] = {1 / r6, 1 / r6, -2 / r6};
  auto dot = [](const double* x, const double* y) {
    return x[0] * y[0] + x[1] * y[1] + x[2] * y[2];
  };
  // An equilateral triangle of side a sqrt(2).
  const double area = std::sqrt(3.0) / 2 * a * a;
  for (const Case& k : cases) {
    SCOPED_TRACE(k.name);
    std::string surface = tagged("1", "NSURF") + tagged("3", "NPTS(1)") + tagged("0", "NSTRIS(1)") +
                          tagged("1", "NFTRIS(1)") + tagged(num(a) + " 0 0", "P1") +
                          tagged("0 " + num(a) + " 0", "P2") + tagged("0 0 " + num(a), "P3") +
                          tagged("1 2 3", "T1") + tagged("2", "ITCODE1") +
                          tagged(num(k.u[0]), "u") + tagged(num(k.u[1]), "v") +
                          tagged(num(k.u[2]), "w") + tagged(num(T), "temperature") +
                          tagged(num(nd), "number density") + tagged(num(fraction[0]), "FSP(1)") +
                          tagged(num(fraction[1]), "FSP(2)");
    GasFile g = cube({2, 4, 2, 4, 2, 4}, {1e18, 300, 0, 0, 0}, 2);
    helium_argon(g, 0.5);
    const double un = dot(k.u.data(), normal);
    double rate[2], ratio[2];
    for (int L = 0; L < 2; ++L) {
      ratio[L] = un / cm[L];
      rate[L] = nd * fraction[L] * cm[L] * influx(ratio[L]) * area;
    }
    test::TempDir dir;
    State s;
    build_for_rate(s, dir, g, surface, rate[0] + rate[1], 200);
    const int steps = 100;
    enter_steps(s, steps);
    double expected[2], tolerance[2];
    for (int L = 0; L < 2; ++L) {
      expected[L] = steps * per_step(s, rate[L]);
      tolerance[L] = count_tolerance(expected[L], ratio[L]);
    }
    EXPECT_NEAR(s.TOTENT, expected[0] + expected[1], tolerance[0] + tolerance[1]);
    // Even a molecule whose advance into the flow (0.01 RF DTM v) is lost in
    // the rounding of its position stays: it is on the triangle, not behind it.
    EXPECT_EQ(s.NM, s.TOTENT) << "molecules lost on entry";
    Stat vn[2], t1[2], t2[2], x[2], y[2], z[2];
    int off_triangle = 0, outward = 0;
    const double plane = a * s.SCALE / r3;  // distance of the plane from the corner [scaled m]
    for (int n = 1; n <= s.NM; ++n) {
      const int L = s.IP(3, n) - 1;
      const double v[3] = {s.PV(1, n), s.PV(2, n), s.PV(3, n)};
      const double p[3] = {s.PP(1, n), s.PP(2, n), s.PP(3, n)};
      // On the flow side, within the advance of up to 0.01 DTM, and within
      // the triangle (all coordinates positive) to the same advance.
      const double reach = 0.01 * s.DTM * std::sqrt(dot(v, v)) + 1e-5;
      const double d = dot(p, normal) - plane;
      if (d < -1e-5 || d > reach) ++off_triangle;
      for (double c : p)
        if (c < -reach) ++off_triangle;
      const double w = dot(v, normal);
      if (w <= 0) ++outward;
      vn[L].add(w);
      t1[L].add(dot(v, e1));
      t2[L].add(dot(v, e2));
      x[L].add(p[0]);
      y[L].add(p[1]);
      z[L].add(p[2]);
    }
    EXPECT_EQ(off_triangle, 0) << "molecules off the triangle or behind it";
    EXPECT_EQ(outward, 0) << "molecules not moving into the flow";
    for (int L = 0; L < 2; ++L) {
      SCOPED_TRACE(L == 0 ? "helium" : "argon");
      EXPECT_NEAR(vn[L].n, expected[L], tolerance[L]);
      expect_flux_distribution(vn[L], ratio[L], cm[L]);
      expect_tangential(t1[L], dot(k.u.data(), e1), cm[L]);
      expect_tangential(t2[L], dot(k.u.data(), e2), cm[L]);
      // Uniform over the triangle: the mean is the centroid, b/3 on each
      // axis, b = a SCALE; a coordinate's variance is
      // (sum x_i^2 - sum_{i<j} x_i x_j)/18 = b^2/18 for the corners
      // (b, 0, 0), (0, b, 0), (0, 0, b).
      const double b = a * s.SCALE, var = b * b / 18;
      for (const Stat* c : {&x[L], &y[L], &z[L]}) EXPECT_NEAR(c->mean(), b / 3, four_sd(var, c->n));
    }
  }
}

}  // namespace
}  // namespace qmxv
