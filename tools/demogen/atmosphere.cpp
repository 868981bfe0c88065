#include "atmosphere.h"

#include <cmath>
#include <stdexcept>
#include <vector>

namespace demogen {

namespace {

// Constants of the standard (U.S. Standard Atmosphere 1976, NOAA-S/T 76-1562),
// in its own units: altitudes in km, R* in J/(kmol K), molar masses in kg/kmol.
constexpr double kG0 = 9.80665;       // [m/s^2]
constexpr double kR0 = 6356.766;      // effective Earth radius [km]
constexpr double kRStar = 8.31432e3;  // [J/(kmol K)]
constexpr double kBoltzStd = 1.380622e-23;
constexpr double kAvogadroStd = 6.022169e26;  // [1/kmol]

constexpr double kZ7 = 86.0, kT7 = 186.8673;
constexpr double kZ8 = 91.0;
constexpr double kTc = 263.1905, kA = -76.3232, kSmallA = -19.9429;  // elliptical segment
constexpr double kZ9 = 110.0, kT9 = 240.0, kLk9 = 12.0;
constexpr double kZ10 = 120.0;
constexpr double kM0 = 28.9644;  // sea-level mean molar mass

// Eddy diffusion coefficient [m^2/s].
constexpr double kK7 = 1.2e2;

struct Gas {
  double molar_mass;
  double n86;      // number density at 86 km [1/m^3]
  double a, b;     // molecular diffusion coefficient a/n (T/273.15)^b [m^2/s]
  double alpha;    // thermal diffusion factor
  double Q, U, W;  // flux term Q (Z-U)^2 exp(-W (Z-U)^3) [1/km]
};

constexpr Gas kN2 = {28.0134, 1.129794e20, 0, 0, 0, 0, 0, 0};
constexpr Gas kO = {15.9994, 8.6e16, 6.986e20, 0.750, 0.0, -5.809644e-4, 56.90311, 2.706240e-5};
constexpr Gas kO2 = {31.9988, 3.030898e19, 4.863e20, 0.750, 0.0, 1.366212e-4, 86.0, 8.333333e-5};
constexpr Gas kAr = {39.948, 1.351400e18, 4.487e20, 0.870, 0.0, 9.434079e-5, 86.0, 8.333333e-5};
constexpr Gas kHe = {4.0026, 7.581730e14, 1.700e21, 0.691, -0.40, -2.457369e-4, 86.0, 6.666667e-4};
// Second flux term of atomic oxygen, below 97 km.
constexpr double kOq = -3.416248e-3, kOu = 97.0, kOw = 5.008765e-4;

double gravity(double z) {
  const double r = kR0 / (kR0 + z);
  return kG0 * r * r;
}

double temperature(double z) {
  if (z < kZ8) return kT7;
  if (z < kZ9) {
    const double u = (z - kZ8) / kSmallA;
    return kTc + kA * std::sqrt(1.0 - u * u);
  }
  return kT9 + kLk9 * (z - kZ9);
}

double temperature_gradient(double z) {  // [K/km]
  if (z < kZ8) return 0.0;
  if (z < kZ9) {
    const double u = (z - kZ8) / kSmallA;
    return -kA / kSmallA * u / std::sqrt(1.0 - u * u);
  }
  return kLk9;
}

double eddy_diffusion(double z) {
  if (z < 95.0) return kK7;
  if (z < 115.0) {
    const double d = z - 95.0;
    return kK7 * std::exp(1.0 - 400.0 / (400.0 - d * d));
  }
  return 0.0;
}

double flux_term(const Gas& g, double z, bool oxygen) {
  const double d = z - g.U;
  double v = g.Q * d * d * std::exp(-g.W * d * d * d);
  if (oxygen && z <= kOu) {
    const double e = kOu - z;
    v += kOq * e * e * std::exp(-kOw * e * e * e);
  }
  return v;
}

// Integrand of the diffusion equation of a diffusing species [1/km]:
// d ln(n T) / dZ = -(f + v), with
// f = g/(R* T) D/(D+K) (M_i + M K/D + alpha R*/g dT/dZ).
double diffusion_integrand(const Gas& g, double z, double background_n, double mean_molar_mass,
                           bool oxygen) {
  const double t = temperature(z);
  const double gk = gravity(z) * 1000.0;  // per km of altitude
  const double d = g.a / background_n * std::pow(t / 273.15, g.b);
  const double k = eddy_diffusion(z);
  const double f =
      gk / (kRStar * t) * (d / (d + k)) *
      (g.molar_mass + mean_molar_mass * k / d + g.alpha * kRStar / gk * temperature_gradient(z));
  return f + flux_term(g, z, oxygen);
}

}  // namespace

AtmosphereState standard_atmosphere(double altitude_km) {
  if (!(altitude_km >= kZ7 && altitude_km <= kZ10)) {
    throw std::out_of_range("the upper standard atmosphere is computed here for 86..120 km only");
  }
  // Trapezoidal integration upward from 86 km on a 5 m grid; the standard's
  // own tables were computed with the same rule on a comparable grid.
  const int steps = static_cast<int>(std::ceil((altitude_km - kZ7) / 0.005));
  const double h = steps > 0 ? (altitude_km - kZ7) / steps : 0.0;

  // Running integrals of the five species, and their integrands at the
  // previous grid point. N2 follows the mean molar mass M0 below 100 km
  // (mixing by eddy diffusion) and its own above; O and O2 diffuse through
  // the N2 background, Ar and He through N2 + O + O2.
  double tau_n2 = 0, tau_o = 0, tau_o2 = 0, tau_ar = 0, tau_he = 0;
  auto densities = [&](double z, double& n2, double& o, double& o2) {
    const double scale = kT7 / temperature(z);
    n2 = kN2.n86 * scale * std::exp(-tau_n2);
    o = kO.n86 * scale * std::exp(-tau_o);
    o2 = kO2.n86 * scale * std::exp(-tau_o2);
  };
  struct Integrands {
    double n2, o, o2, ar, he;
  };
  auto integrands = [&](double z) {
    double n2, o, o2;
    densities(z, n2, o, o2);
    const double m1 = z <= 100.0 ? kM0 : kN2.molar_mass;
    const double sum2 = n2 + o + o2;
    const double m2 =
        z <= 100.0 ? kM0 : (n2 * kN2.molar_mass + o * kO.molar_mass + o2 * kO2.molar_mass) / sum2;
    Integrands in;
    in.n2 = m1 * gravity(z) * 1000.0 / (kRStar * temperature(z));
    in.o = diffusion_integrand(kO, z, n2, m1, true);
    in.o2 = diffusion_integrand(kO2, z, n2, m1, false);
    in.ar = diffusion_integrand(kAr, z, sum2, m2, false);
    in.he = diffusion_integrand(kHe, z, sum2, m2, false);
    return in;
  };
  // The integrands of O, O2, Ar and He depend on the densities reached so far;
  // each step takes them at its start and at a predicted end (Heun's rule).
  Integrands prev = integrands(kZ7);
  for (int i = 1; i <= steps; ++i) {
    const double z = kZ7 + i * h;
    const double t0[5] = {tau_n2, tau_o, tau_o2, tau_ar, tau_he};
    tau_n2 = t0[0] + h * prev.n2;
    tau_o = t0[1] + h * prev.o;
    tau_o2 = t0[2] + h * prev.o2;
    tau_ar = t0[3] + h * prev.ar;
    tau_he = t0[4] + h * prev.he;
    const Integrands next = integrands(z);
    tau_n2 = t0[0] + 0.5 * h * (prev.n2 + next.n2);
    tau_o = t0[1] + 0.5 * h * (prev.o + next.o);
    tau_o2 = t0[2] + 0.5 * h * (prev.o2 + next.o2);
    tau_ar = t0[3] + 0.5 * h * (prev.ar + next.ar);
    tau_he = t0[4] + 0.5 * h * (prev.he + next.he);
    prev = integrands(z);
  }

  AtmosphereState s;
  s.altitude = altitude_km;
  s.temperature = temperature(altitude_km);
  densities(altitude_km, s.n_n2, s.n_o, s.n_o2);
  const double scale = kT7 / s.temperature;
  s.n_ar = kAr.n86 * scale * std::exp(-tau_ar);
  s.n_he = kHe.n86 * scale * std::exp(-tau_he);
  s.pressure = s.total() * kBoltzStd * s.temperature;
  s.density = (s.n_n2 * kN2.molar_mass + s.n_o * kO.molar_mass + s.n_o2 * kO2.molar_mass +
               s.n_ar * kAr.molar_mass + s.n_he * kHe.molar_mass) /
              kAvogadroStd;
  return s;
}

}  // namespace demogen
