// Physical constants and the special-function approximations of the data model.
//
// The constants are the rounded values the gas data and the rate coefficients
// were prepared with; keep them as they are so results do not shift.
#pragma once

#include <cmath>

namespace qmxv {

inline constexpr float BOLTZ = 1.3806e-23f;   // Boltzmann constant [J/K]
inline constexpr float BOLTZ2 = 2.7612e-23f;  // 2k [J/K]
inline constexpr float PI2 = 6.2831855f;      // 2 pi
inline constexpr float SPI = 1.7724539f;      // sqrt(pi)
inline constexpr float PI = 3.1415927f;
inline constexpr float AVOG = 6.022169e26f;   // Avogadro's number per kmol

// Error function, Abramowitz & Stegun 7.1.26 (|error| < 1.5e-7):
// erf(x) = 1 - (a1 t + ... + a5 t^5) exp(-x^2), t = 1/(1 + p|x|), odd in x.
inline float ERF(float s) {
  const float b = std::fabs(s);
  float r;
  if (b < 4.0f) {
    const float t = 1.0f / (1.0f + 0.3275911f * b);
    const float poly =
        t * (0.2548296f +
             t * (-0.28449672f + t * (1.4214138f + t * (-1.4531521f + t * 1.0614054f))));
    r = 1.0f - poly * std::exp(-b * b);
  } else {
    r = 1.0f;
  }
  return s < 0.0f ? -r : r;
}

// Gamma function: the argument is reduced to 1 + y with 0 <= y < 1 by the
// recurrence Gamma(x+1) = x Gamma(x), and Gamma(1 + y) is taken from the
// five-term polynomial of Hastings (Abramowitz & Stegun 6.1.35, |error| < 5e-5).
inline float GAM(float x) {
  float a = 1.0f;
  float y = x;
  if (y < 1.0f) {
    a = a / y;
  } else {
    y = y - 1.0f;
    while (y >= 1.0f) {
      a = a * y;
      y = y - 1.0f;
    }
  }
  return a * (1.0f - 0.5748646f * y + 0.9512363f * y * y - 0.6998588f * y * y * y +
              0.4245549f * y * y * y * y - 0.1010678f * y * y * y * y * y);
}

}  // namespace qmxv
