#include "display/result_scales.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "run/state.h"
#include "run/text_format.h"

namespace qmxv::display {

namespace {

// What a property measures, which decides its unit in each unit system.
enum class Quantity {
  Count,           // sample sizes, ratios, fractions: no unit
  NumberDensity,   // [1/m^3]
  Density,         // [kg/m^3]
  Speed,           // [m/s]
  Temperature,     // [K]
  CollisionTime,   // [s] in every system
  Length,          // [m], left in m when non-dimensional
  Pressure,        // [Pa]
  NumberFlux,      // [1/m^2/s]
  Stress,          // [N/m^2]
  HeatFlux,        // [W/m^2]
};

struct Units {
  const char* si;
  double english_factor, english_offset;
  const char* english;
  const char* nondimensional;  // nullptr: stays as in SI
};

const Units& units_of(Quantity q) {
  // Degrees Fahrenheit from kelvin: 1.8 T - 459.4.
  static const Units kCount{"", 1.0, 0.0, "", nullptr};
  static const Units kNumberDensity{"/ cu m", 0.028317, 0.0, "/ cu ft", "/ Stream Number Density"};
  static const Units kDensity{"kg / cu m", 0.062428, 0.0, "lbm / cu ft", "/ Stream Density"};
  static const Units kSpeed{"m/s", 3.28084, 0.0, "ft/s", "/ Stream Speed"};
  static const Units kTemperature{"K", 1.8, -459.4, "F", "/ Stream Temperature"};
  static const Units kCollisionTime{"sec", 1.0, 0.0, "sec", nullptr};
  static const Units kLength{"m", 3.28084, 0.0, "ft", nullptr};
  static const Units kPressure{"Pa", 0.0208854, 0.0, "lbf / sq ft", "/ Stream Pressure"};
  static const Units kNumberFlux{"/sq m /s", 0.092903, 0.0, "/sq ft /s", "/ Stream N. Dens.*Speed"};
  static const Units kStress{"N/sq m", 0.0208854, 0.0, "lbf/sq ft", "Coefficient"};
  static const Units kHeatFlux{"W/sq m", 8.8114e-05, 0.0, "Btu/sq ft/s", "Coefficient"};
  switch (q) {
    case Quantity::NumberDensity: return kNumberDensity;
    case Quantity::Density: return kDensity;
    case Quantity::Speed: return kSpeed;
    case Quantity::Temperature: return kTemperature;
    case Quantity::CollisionTime: return kCollisionTime;
    case Quantity::Length: return kLength;
    case Quantity::Pressure: return kPressure;
    case Quantity::NumberFlux: return kNumberFlux;
    case Quantity::Stress: return kStress;
    case Quantity::HeatFlux: return kHeatFlux;
    case Quantity::Count: break;
  }
  return kCount;
}

// The stream value a quantity is divided by when non-dimensional (0: none).
// q = 0.5 rho U^2 for stresses, q U for heat fluxes.
double stream_reference(const State& s, Quantity q) {
  const double U = s.VSTRM, rho = s.FDEN;
  const double dynamic = 0.5 * rho * U * U;
  switch (q) {
    case Quantity::NumberDensity: return s.FND;
    case Quantity::Density: return rho;
    case Quantity::Speed: return U;
    case Quantity::Temperature: return s.FTMP;
    case Quantity::Pressure: return s.FPR;
    case Quantity::NumberFlux: return U * s.FND;
    case Quantity::Stress: return dynamic;
    case Quantity::HeatFlux: return dynamic * U;
    default: return 0.0;
  }
}

ShownProperty shown_as(const State& s, std::string name, Quantity q) {
  const Units& u = units_of(q);
  ShownProperty p;
  p.name = std::move(name);
  p.unit = u.si;
  if (s.IUNITS == 2) {
    p.unit = u.english;
    p.factor = u.english_factor;
    p.offset = u.english_offset;
  } else if (s.IUNITS == 3 && u.nondimensional) {
    const double ref = stream_reference(s, q);
    if (ref > 0.0) {
      p.unit = s.ISCREEN >= 1024 ? u.nondimensional : "";
      p.factor = 1.0 / ref;
    }
  }
  return p;
}

std::string species_fraction(int m) {
  return "Fraction Species " + std::to_string(m);
}

}  // namespace

ShownProperty flow_property(const State& s, int k) {
  struct Row {
    const char* name;
    Quantity q;
  };
  static const Row kRows[17] = {
      {"Sample Size", Quantity::Count},
      {"Number Density", Quantity::NumberDensity},
      {"Density", Quantity::Density},
      {"Velocity in x dirn.", Quantity::Speed},
      {"Velocity in y dirn.", Quantity::Speed},
      {"Velocity in z dirn.", Quantity::Speed},
      {"Translational Temp.", Quantity::Temperature},
      {"Rotational Temp.", Quantity::Temperature},
      {"Vibrational Temp.", Quantity::Temperature},
      {"Temperature", Quantity::Temperature},
      {"Mach Number", Quantity::Count},
      {"Molecules per Cell", Quantity::Count},
      {"Mean Collision Time", Quantity::CollisionTime},
      {"Mean Free Path", Quantity::Length},
      {"Mean Coll. Sep. / m.f.p.", Quantity::Count},
      {"Flow Speed", Quantity::Speed},
      {"Scalar Pressure nkT", Quantity::Pressure},
  };
  if (k >= 1 && k <= 17) return shown_as(s, kRows[k - 1].name, kRows[k - 1].q);
  return shown_as(s, species_fraction(k - 17), Quantity::Count);
}

ShownProperty surface_property(const State& s, int k) {
  struct Row {
    const char* name;
    Quantity q;
  };
  static const Row kRows[10] = {
      {"Sample Size", Quantity::Count},
      {"Number Flux", Quantity::NumberFlux},
      {"Pressure", Quantity::Stress},
      {"Shear St., dirn. 1", Quantity::Stress},
      {"Shear St., dirn. 2", Quantity::Stress},
      {"Shear St. Magnitude", Quantity::Stress},
      {"Incident Heat Flux", Quantity::HeatFlux},
      {"Reflected Heat Flux", Quantity::HeatFlux},
      {"Net Heat Flux", Quantity::HeatFlux},
      {"Surface Temperature", Quantity::Temperature},
  };
  if (k >= 1 && k <= 10) return shown_as(s, kRows[k - 1].name, kRows[k - 1].q);
  return shown_as(s, species_fraction(k - 10), Quantity::Count);
}

void apply_range_steps(double& low, double& high, int lo_steps, int hi_steps) {
  if (lo_steps != 0 || hi_steps != 0) {
    const double S = high - low;
    low += lo_steps * 0.03 * S;
    high += hi_steps * 0.03 * S;
  }
  if (high < low) {
    const double M = 0.5 * (low + high);
    if (M > 0.0) {
      low = 0.985 * M;
      high = 1.015 * M;
    } else {
      high = 0.985 * M;
      low = 1.015 * M;
    }
  }
}

namespace {

// Turns the extremes into log10 of them, or switches the log scale off when
// the least value has no logarithm worth showing.
void take_log(double& low, double& high, int& log) {
  if (log != 1) return;
  if (low <= 1.0e-6) {
    log = 0;
    return;
  }
  low = std::log10(low);
  high = std::log10(high);
}

// A span not above 1e-10 (all values equal, or nothing counted) opens to
// v +- max(0.01 |v|, 1e-6) about its middle v.
void open_degenerate(double& low, double& high) {
  if (high - low > 1.0e-10) return;
  const double v = 0.5 * (low + high);
  const double d = std::max(0.01 * std::fabs(v), 1.0e-6);
  low = v - d;
  high = v + d;
}

}  // namespace

ColourRange flowfield_range(const Extremes& e, int& log, int& lo_steps, int hi_steps) {
  double low = e.any ? e.min : 1.0e6, high = e.any ? e.max : -1.0e6;
  if (e.any) take_log(low, high, log);
  ColourRange r;
  r.log = e.any && log == 1;
  if (r.log && lo_steps < 0) lo_steps = 0;
  apply_range_steps(low, high, lo_steps, hi_steps);
  open_degenerate(low, high);
  r.low = low;
  r.high = high;
  return r;
}

bool surface_range(const Extremes& e, int& log, int& lo_steps, int hi_steps, ColourRange& range) {
  if (!e.any) return false;
  double low = e.min, high = e.max;
  take_log(low, high, log);
  range.log = log == 1;
  if (high - low < 1.0e-6) {
    // One per cent beyond each end, outward for negative values too.
    low -= 0.01 * std::fabs(low);
    high += 0.01 * std::fabs(high);
  }
  if (range.log && lo_steps < 0) lo_steps = 0;
  apply_range_steps(low, high, lo_steps, hi_steps);
  open_degenerate(low, high);
  range.low = low;
  range.high = high;
  return true;
}

int colour_index(double v, const ColourRange& range, int top, int below_log) {
  if (range.log) {
    if (!(v > 1.0e-6)) return below_log;
    v = std::log10(v);
  }
  const double x = std::floor((v - range.low) * 255.0 / range.span());
  if (!(x >= 1.0)) return 1;
  return x >= top ? top : static_cast<int>(x);
}

ScaleSteps scale_steps(double span) {
  ScaleSteps st;
  double m = std::fabs(span);
  if (!(m > 0.0) || !std::isfinite(m)) return st;
  while (m < 1.0) {
    m *= 10.0;
    ++st.exponent;
  }
  while (m > 10.0) {
    m /= 10.0;
    --st.exponent;
  }
  st.mantissa = m;
  if (m < 1.79) {
    st.major = 0.2, st.minor = 0.05;
  } else if (m < 2.39) {
    st.major = 0.4, st.minor = 0.1;
  } else if (m < 4.49) {
    st.major = 0.5, st.minor = 0.1;
  } else if (m < 5.99) {
    st.major = 1.0, st.minor = 0.2;
  } else {
    st.major = 2.0, st.minor = 0.5;
  }
  return st;
}

std::string scale_text(double mantissa_value) {
  for (int w = 5; w < 40; ++w) {
    char descriptor[16];
    std::snprintf(descriptor, sizeof descriptor, "F%d.1", w);
    const std::string t = fortran_format(mantissa_value, descriptor);
    if (t.find('*') == std::string::npos) return t;
  }
  return fortran_format(mantissa_value, "(E12.4)");
}

std::vector<ScaleLabel> scale_labels(const ColourRange& range, const ScaleSteps& steps) {
  constexpr int kMostLabels = 40;
  std::vector<ScaleLabel> labels;
  const double unit = std::pow(10.0, steps.exponent);  // range units -> mantissa units
  const double lo = range.low * unit, hi = range.high * unit;
  // A hair of tolerance so a label on an end of the range is not lost to round-off.
  const double eps = 1.0e-9 * steps.major;
  const double first = std::ceil(lo / steps.major - 1.0e-9) * steps.major;
  for (int i = 0; i < kMostLabels; ++i) {
    const double m = first + i * steps.major;
    if (m > hi + eps) break;
    labels.push_back({m / unit, scale_text(std::fabs(m) < eps ? 0.0 : m)});
  }
  return labels;
}

}  // namespace qmxv::display
