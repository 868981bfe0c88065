#include "core/reflect.h"

#include <cmath>
#include <cstdlib>

#include "core/indexing.h"
#include "core/molecules.h"
#include "core/thermal.h"
#include "geometry/locate.h"
#include "run/constants.h"
#include "run/state.h"

namespace qmxv {

namespace {

// 2/k: the adiabatic wall temperature 2E/(kD) as a product.
constexpr double kTwoOverK = 1.4486455e23;

// Vibrational energy [J] of molecule n of species L.
double vibrational_energy(const State& s, int n, int L) {
  double e = 0.0;
  for (int K = 1; K <= (s.MMVM > 0 ? s.ISPV(L) : 0); ++K)
    e += static_cast<double>(s.IPVIB(K, n)) * BOLTZ * s.THETAV(K, L);
  return e;
}

// Energy of molecule n relative to the wall: translational in the wall's
// frame (tangential velocity w1, w2 in the local axes) plus rotational and
// vibrational.
double molecule_energy(const State& s, int n, int L, const LocalVelocity& l, float w1, float w2) {
  const double m = s.SP(4, L);
  const double a = l.un, b = l.t1 - w1, c = l.t2 - w2;
  double e = 0.5 * m * (a * a + b * b + c * c);
  if (s.NMOLC == 4) e += s.PV(4, n);
  return e + vibrational_energy(s, n, L);
}

// The sums one molecule adds to the surface sample: sign +1 for the
// incident half of the event, -1 for the reflected half. Normal momentum is
// counted positive both ways (-m u_n in, m u_n out) so that it grows with the
// pressure; tangential momentum and the forces are incident minus reflected;
// the energy of the reflected molecule goes to row 6 with a minus sign.
void sample_surface(State& s, int n, int L, int tri, int k, const LocalVelocity& l, float w1,
                    float w2, float x, float y, float z, double sign) {
  const double m = s.SP(4, L);
  s.SSAMP(1, k, L) += sign > 0 ? 1.0 : 0.0;
  s.SSAMP(2, k, L) += -sign * m * l.un;
  if (sign > 0) {
    s.SSAMP(3, k, L) += m * l.t1;
    s.SSAMP(4, k, L) += m * l.t2;
    s.SSAMP(5, k, L) += molecule_energy(s, n, L, l, w1, w2);
  } else {
    s.SSAMP(3, k, L) -= m * (l.t1 - w1);
    s.SSAMP(4, k, L) -= m * (l.t2 - w2);
    s.SSAMP(6, k, L) -= molecule_energy(s, n, L, l, w1, w2);
  }
  const int S = s.ISURFT(tri);
  const double u = s.PV(1, n), v = s.PV(2, n), w = s.PV(3, n);
  const double px = x / s.SCALE, py = y / s.SCALE, pz = z / s.SCALE;
  s.SFORCE(1, S) += sign * m * u;
  s.SFORCE(2, S) += sign * m * v;
  s.SFORCE(3, S) += sign * m * w;
  s.SFORCE(4, S) += sign * m * (u * py - v * px);
  s.SFORCE(5, S) += sign * m * (w * px - u * pz);
  s.SFORCE(6, S) += sign * m * (v * pz - w * py);
}

// The vibrational degrees of freedom 2x/(exp x - 1), x = theta_v/T, that the
// modes of species L excited at T add to the adiabatic wall's sum.
void add_vibrational_freedom(State& s, int k, int L, float T) {
  if (s.MMVM == 0) return;
  for (int K = 1; K <= s.ISPV(L); ++K) {
    const double x = s.THETAV(K, L) / T;
    if (x < 50.0) s.STEMP(1, k) += 2.0 * x / (std::exp(x) - 1.0);
  }
}

float wall_temperature_from_sums(const State& s, int k) {
  const float tmin = -s.TSURF(k);
  if (!(s.STEMP(1, k) > 0.0)) return tmin;
  const float T = static_cast<float>(kTwoOverK * s.STEMP(2, k) / s.STEMP(1, k));
  return T < tmin ? tmin : T;
}

// Diffuse (full-accommodation) re-emission of molecule n of species L from
// triangle tri at temperature T: the normal speed of the effusion flux,
// c_w sqrt(-ln RF), away from the wall; the tangential pair at c_w about the
// wall's own velocity; internal energies at T (Bird 1994, sec. 12.3).
void diffuse(State& s, int n, int L, int tri, float T, float w1, float w2, LocalVelocity& l) {
  const float cw = std::sqrt(BOLTZ2 * T / s.SP(4, L));
  l.un = cw * std::sqrt(-std::log(s.RF()));
  const ThermalPair p = thermal_pair(s);
  l.t1 = w1 + cw * p.u;
  l.t2 = w2 + cw * p.v;
  set_internal_energies(s, n, L, T);
  float v[3];
  to_global(s, tri, l, v);
  for (int i = 0; i < 3; ++i) s.PV(i + 1, n) = v[i];
}

// The wall temperature a species-L molecule leaves solid triangle k with: the
// fixed wall temperature, or for an adiabatic wall the one of its sums.
float leaving_temperature(State& s, int k, int L) {
  return s.TSURF(k) > 0.0f ? s.TSURF(k) : adiabatic_wall_temperature(s, k, L);
}

// The surface reaction, if any, that the species-L molecule striking solid
// triangle k takes part in. Returns the reaction that takes place now (a
// one-molecule reaction, or a two-molecule one that this molecule completes),
// or 0. A two-molecule reaction chosen before its partner has arrived is
// marked pending by the sign of the arrived species' code in ISRI and the
// molecule reflects as usual.
int choose_surface_reaction(State& s, int L, int k) {
  const int count = s.NSRSP(L);
  const float r1 = s.RF();
  const int start = static_cast<int>(static_cast<float>(count) * s.RF());
  float cum = 0.0f;
  int chosen = 0;
  for (int i = 1; i <= count; ++i) {
    const int J = s.ISRSP((start + i - 1) % count + 1, L);
    const int a = s.ISRI(1, J), b = s.ISRI(2, J);
    if (b != 0 && (a < 0 || b < 0)) {
      const int missing = a < 0 ? b : a;
      if (missing == L) {
        s.ISRI(1, J) = std::abs(a);
        s.ISRI(2, J) = std::abs(b);
        return J;
      }
    }
    cum += s.PSR(J, k);
    if (cum > r1) {
      chosen = J;
      break;
    }
  }
  if (chosen == 0) return 0;
  const int a = s.ISRI(1, chosen), b = s.ISRI(2, chosen);
  if (b == 0) return chosen;
  if (a > 0 && b > 0) {
    if (a == L)
      s.ISRI(1, chosen) = -a;
    else
      s.ISRI(2, chosen) = -b;
  }
  return 0;
}

// The products of surface reaction J leave the impact point diffusely at the
// wall temperature, each with its own internal energies, and are sampled as
// reflected molecules. A product whose point has no cell is not kept.
void emit_products(State& s, int J, int tri, int k, float x, float y, float z, double t_hit) {
  const float w1 = s.VSURF(1, k), w2 = s.VSURF(2, k);
  const int cell = locate_cell(s, x, y, z);
  for (int i = 1; i <= 6; ++i) {
    const int Lp = s.ISRR(i, J);
    if (Lp <= 0) continue;
    const int m = add_molecule(s);
    s.PP(1, m) = x;
    s.PP(2, m) = y;
    s.PP(3, m) = z;
    s.PTIM(m) = t_hit;
    if (s.NIPR > 2) s.IP(3, m) = Lp;
    LocalVelocity l{};
    diffuse(s, m, Lp, tri, leaving_temperature(s, k, Lp), w1, w2, l);
    if (cell < 1) {
      s.NM -= 1;
      continue;
    }
    s.IP(2, m) = cell;
    if (s.IINDEX == 1) add_to_cell(s, cell, m);
    sample_surface(s, m, Lp, tri, k, l, w1, w2, x, y, z, -1.0);
  }
}

}  // namespace

LocalVelocity to_local(const State& s, int t, float u, float v, float w) {
  const float nx = s.TRI(kTriNx, t), ny = s.TRI(kTriNy, t), nz = s.TRI(kTriNz, t);
  const float st = std::sqrt(ny * ny + nz * nz);
  LocalVelocity l;
  l.un = u * nx + v * ny + w * nz;
  if (st > 1.0e-6f) {
    l.t1 = (v * nz - w * ny) / st;
    l.t2 = (v * ny + w * nz) * nx / st - st * u;
  } else {
    l.t1 = v;
    l.t2 = w;
  }
  return l;
}

// t1 = (0, n_z, -n_y)/s and t2 = n x t1 = (-s, n_x n_y/s, n_x n_z/s),
// s = sqrt(n_y^2 + n_z^2); a normal along x takes y and z as its tangents.
void to_global(const State& s, int t, const LocalVelocity& l, float out[3]) {
  const float nx = s.TRI(kTriNx, t), ny = s.TRI(kTriNy, t), nz = s.TRI(kTriNz, t);
  const float st = std::sqrt(ny * ny + nz * nz);
  if (st > 1.0e-6f) {
    out[0] = l.un * nx - st * l.t2;
    out[1] = l.un * ny + (l.t1 * nz + nx * ny * l.t2) / st;
    out[2] = l.un * nz + (nx * nz * l.t2 - l.t1 * ny) / st;
  } else {
    out[0] = l.un * nx;
    out[1] = l.t1;
    out[2] = l.t2;
  }
}

float adiabatic_wall_temperature(State& s, int k, int L) {
  const float T = wall_temperature_from_sums(s, k);
  add_vibrational_freedom(s, k, L, T);
  return T;
}

void reflect_molecule(State& s, int& n, int tri, int c, int& status, float x, float y, float z,
                      double t_hit) {
  const int k = s.ITP(4, tri);
  if (k < 0) {  // a sink (an entry triangle, or a triangle that removes all it meets)
    remove_molecule(s, n, c);
    status = -1;
    s.TOTREM += 1.0;
    s.TOTREF -= 1.0;
    return;
  }
  const int L = s.species(n);
  const float w1 = s.VSURF(1, k), w2 = s.VSURF(2, k);
  LocalVelocity l = to_local(s, tri, s.PV(1, n), s.PV(2, n), s.PV(3, n));
  sample_surface(s, n, L, tri, k, l, w1, w2, x, y, z, 1.0);

  if (s.MNSR > 0 && s.NSRSP(L) > 0) {
    const int J = choose_surface_reaction(s, L, k);
    if (J > 0) {
      s.SREAC(J) += 1.0;
      s.SSAMP(5, k, L) += s.ESR(J);
      emit_products(s, J, tri, k, x, y, z, t_hit);
      remove_molecule(s, n, c);
      status = -1;
      return;
    }
  }
  // Both draws are made whatever the fractions: the order of the random
  // numbers is part of a run's result.
  const float r_ads = s.RF();
  if (r_ads <= s.FADS(L, k)) {
    remove_molecule(s, n, c);
    status = -1;
    s.TOTREM += 1.0;
    return;
  }
  const float r_spec = s.RF();
  if (r_spec <= s.FSPEC(k)) {
    // Specular: the normal component reverses, the tangential ones stay.
    l.un = -l.un;
    float v[3];
    to_global(s, tri, l, v);
    for (int i = 0; i < 3; ++i) s.PV(i + 1, n) = v[i];
  } else {
    float T = s.TSURF(k);
    if (!(T > 0.0f)) {
      s.STEMP(1, k) += 4.0 + s.ISPR(1, L);
      s.STEMP(2, k) += molecule_energy(s, n, L, l, w1, w2);
      T = adiabatic_wall_temperature(s, k, L);
    }
    diffuse(s, n, L, tri, T, w1, w2, l);
  }
  sample_surface(s, n, L, tri, k, l, w1, w2, x, y, z, -1.0);
}

}  // namespace qmxv
