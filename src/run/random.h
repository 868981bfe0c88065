// The one random generator of a run.
//
// L'Ecuyer's combined multiplicative congruential generator (P. L'Ecuyer,
// Comm. ACM 31, 742, 1988): two Lehmer generators with multipliers 40014 and
// 40692 and prime moduli 2147483563 and 2147483399, combined by difference.
// Schrage's factorisation keeps every product inside 32 bits. A new run
// starts the states at fixed values; a continued run takes them from its
// restart set. Nothing ever reseeds them, so a run is reproducible bit for
// bit from its data and its restart set.
#pragma once

#include <cstdint>

namespace qmxv {

class Random {
 public:
  static constexpr std::int32_t kStart1 = 2147483562;
  static constexpr std::int32_t kStart2 = 2147483398;

  // A uniform deviate in (0, 1). The product is formed in single precision:
  // formed in double and then rounded, it would give exactly 1.0 for the 37
  // states nearest the top of the range, which the samplers of -ln(RF) and
  // of 1/RF must never see.
  float next() {
    std::int32_t k = state1_ / 53668;
    state1_ = 40014 * (state1_ - k * 53668) - k * 12211;
    if (state1_ < 0) state1_ += 2147483563;
    k = state2_ / 52774;
    state2_ = 40692 * (state2_ - k * 52774) - k * 3791;
    if (state2_ < 0) state2_ += 2147483399;
    std::int32_t z = state1_ - state2_;
    if (z < 1) z += 2147483562;
    return static_cast<float>(z) * 4.656613e-10f;
  }

  std::int32_t state1() const { return state1_; }
  std::int32_t state2() const { return state2_; }
  // Restores the states saved with a run (restart files).
  void set_states(std::int32_t s1, std::int32_t s2) {
    state1_ = s1;
    state2_ = s2;
  }

 private:
  std::int32_t state1_ = kStart1;
  std::int32_t state2_ = kStart2;
};

}  // namespace qmxv
