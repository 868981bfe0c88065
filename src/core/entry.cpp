#include "core/entry.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "core/flow_state.h"
#include "core/indexing.h"
#include "core/molecules.h"
#include "core/reflect.h"
#include "core/thermal.h"
#include "geometry/locate.h"
#include "geometry/triangles.h"
#include "run/constants.h"
#include "run/state.h"

namespace qmxv {

namespace {

// The normal speed ratio u of a molecule crossing a plane from a drifting
// Maxwellian with inward speed ratio s: the flux distribution is
// proportional to u exp(-(u - s)^2) for u > 0 (Bird 1994, sec. 12.1), sampled
// by acceptance-rejection on [max(0, s-3), max(3, s+3)] against its maximum
// (rows 6 and 7 of the entry record).
float normal_speed_ratio(State& s, const float* rec) {
  const float ratio = rec[kEntSpeedRatio - 1];
  const float a = std::max(0.0f, ratio - 3.0f);
  const float b = std::max(3.0f, ratio + 3.0f);
  for (;;) {
    const float u = a + (b - a) * s.RF();
    const float d = u - ratio;
    if (s.RF() < (2.0f * u / rec[kEntUmax2 - 1]) * std::exp(rec[kEntExponent - 1] - d * d))
      return u;
  }
}

// True when the point, in an element cut by a surface, lies on the body side
// of it. Testing every triangle plane of the division would reject points
// just outside a convex edge or corner (they lie behind the plane of the
// neighbouring face); instead the nearest plane among the triangles whose
// projection contains the point decides, and when no projection contains it,
// the triangle with the nearest centroid.
bool inside_body(State& s, float x, float y, float z) {
  const int code = s.JDIV(1, s.IDZ, s.IDY, s.IDX);
  if (code >= 0 || s.IELVOL(-code, s.IEZ, s.IEY, s.IEX) >= 1000) return false;
  const int count = s.ISDIV(1, -code), before = s.ISDIV(2, -code);
  double nearest = std::numeric_limits<double>::infinity(), side = 1.0;
  double nearest_centroid = std::numeric_limits<double>::infinity(), centroid_side = 1.0;
  for (int k = 1; k <= count; ++k) {
    const int t = s.ISTOT(before + k);
    const double d = plane_value(s, t, x, y, z);
    if (inside_triangle(s, t, s.ITRIAX(t), x, y, z, 1.0e-12)) {
      if (std::fabs(d) < nearest) {
        nearest = std::fabs(d);
        side = d;
      }
    } else {
      const double cx = x - s.TRI(kTriCx, t), cy = y - s.TRI(kTriCy, t), cz = z - s.TRI(kTriCz, t);
      const double r2 = cx * cx + cy * cy + cz * cz;
      if (r2 < nearest_centroid) {
        nearest_centroid = r2;
        centroid_side = d;
      }
    }
  }
  // A point on the plane of an entry triangle, where an advance too short to
  // register in single precision leaves a molecule, belongs to the flow.
  const double on_plane = 1.0e-5 * s.EDIAG;
  return (nearest < std::numeric_limits<double>::infinity() ? side : centroid_side) < -on_plane;
}

// The steps every entering molecule shares once its position p and velocity
// v are drawn: species, internal energies at T, the advance into the flow by
// 0.01 RF DTM v, the cell (or the molecule is dropped), its own time and its
// place in the index.
void finish_entry(State& s, int L, float T, const float p[3], const float v[3]) {
  const int n = add_molecule(s);
  s.TOTENT += 1.0;
  if (s.NIPR > 2) s.IP(3, n) = L;
  for (int i = 0; i < 3; ++i) s.PV(i + 1, n) = v[i];
  set_internal_energies(s, n, L, T);
  const float adv = 0.01f * s.RF() * s.DTM;
  const float x = p[0] + adv * v[0], y = p[1] + adv * v[1], z = p[2] + adv * v[2];
  const int c = locate_cell(s, x, y, z);
  if (c < 1 || inside_body(s, x, y, z)) {
    s.NM -= 1;
    return;
  }
  s.PP(1, n) = x;
  s.PP(2, n) = y;
  s.PP(3, n) = z;
  s.IP(2, n) = c;
  const float tc = s.CELL(13, c);
  const float jitter = (2.0f * s.RF() - 1.0f) * tc;
  s.PTIM(n) = s.TIME + jitter - s.RF() * s.DTM;
  if (s.IINDEX == 1) add_to_cell(s, c, n);
}

// Velocity of a molecule entering through face K (1..6) of stream J.
void face_velocity(State& s, int K, const float* rec, const float stream[3], float v[3]) {
  const int axis = (K - 1) / 2;
  const float cm = rec[kEntVmp - 1];
  const float u = normal_speed_ratio(s, rec) * cm;
  const ThermalPair t = thermal_pair(s);
  const int a1 = (axis + 1) % 3, a2 = (axis + 2) % 3;
  v[axis] = K % 2 == 1 ? u : -u;
  // The tangential pair goes to the two other axes in x, y, z order.
  const int first = std::min(a1, a2), second = std::max(a1, a2);
  v[first] = t.u * cm + stream[first];
  v[second] = t.v * cm + stream[second];
}

void enter_at_faces(State& s) {
  const bool split = s.ISEP == 1;
  // Divisions beyond NSEP in x belong to the secondary stream: the number of
  // divisions between XMIN and XSEP, rounded (halves away from zero).
  const int nsep = split ? static_cast<int>(std::lround((s.XSEP - s.XMIN) / s.DDX)) : 0;
  if (s.BREENT.extent(2) != s.MSP) s.BREENT.allocate(2, s.MSP);
  for (int K = 1; K <= 6; ++K) {
    const int code = s.IB(K);
    if (code != 3 && code != 6) continue;
    const int axis = (K - 1) / 2;
    const int nd[3] = {s.NDIVX, s.NDIVY, s.NDIVZ};
    const float lo[3] = {s.XMIN, s.YMIN, s.ZMIN}, hi[3] = {s.XMAX, s.YMAX, s.ZMAX};
    const float width[3] = {s.DDX, s.DDY, s.DDZ};
    const int a1 = axis == 0 ? 1 : 0, a2 = axis == 2 ? 1 : 2;
    int id[3];
    id[axis] = K % 2 == 1 ? 1 : nd[axis];
    for (id[a1] = 1; id[a1] <= nd[a1]; ++id[a1]) {
      for (id[a2] = 1; id[a2] <= nd[a2]; ++id[a2]) {
        if (s.JDIV(1, id[2], id[1], id[0]) == 0) continue;
        int J = 1;
        if (split) J = K == 1 ? 1 : K == 2 ? 2 : (id[0] <= nsep ? 1 : 2);
        const float stream[3] = {J == 1 ? s.VFX : s.VFX2, J == 1 ? s.VFY : s.VFY2,
                                 J == 1 ? s.VFZ : s.VFZ2};
        const float T = J == 1 ? s.FTMP : s.FTMP2;
        for (int L = 1; L <= s.MSP; ++L) {
          float* rec = &s.EFACE(1, L, K, J);
          const float a = s.DTM * rec[kEntRate - 1] + rec[kEntRemainder - 1];
          int count = static_cast<int>(a);
          rec[kEntRemainder - 1] = a - static_cast<float>(count);
          // A constant-pressure pair with a secondary stream re-enters as
          // many molecules as have left through its face (net of those that
          // crossed the separation boundary).
          if (split && s.IB(1) == 6 && K <= 2 && code == 6) {
            const double left = s.BLEAVE(K, L);
            const double net = K == 1 ? s.XSEPNET(L) : -s.XSEPNET(L);
            count = static_cast<int>(left + net - s.BREENT(K, L));
            if (count > 0) s.BREENT(K, L) += count;
          }
          for (int i = 0; i < count; ++i) {
            float p[3];
            p[axis] = K % 2 == 1 ? lo[axis] : hi[axis];
            p[a1] = lo[a1] + (static_cast<float>(id[a1]) - s.RF()) * width[a1];
            p[a2] = lo[a2] + (static_cast<float>(id[a2]) - s.RF()) * width[a2];
            float v[3];
            face_velocity(s, K, rec, stream, v);
            finish_entry(s, L, T, p, v);
          }
        }
      }
    }
  }
}

// A point uniform on triangle t: C + sqrt(RF)((A + RF(B - A)) - C).
void point_on_triangle(State& s, int t, float p[3]) {
  const int ia = s.ITP(1, t), ib = s.ITP(2, t), ic = s.ITP(3, t);
  const float r1 = std::sqrt(s.RF());
  const float r2 = s.RF();
  const float A[3] = {s.XPT(ia), s.YPT(ia), s.ZPT(ia)};
  const float B[3] = {s.XPT(ib), s.YPT(ib), s.ZPT(ib)};
  const float C[3] = {s.XPT(ic), s.YPT(ic), s.ZPT(ic)};
  for (int i = 0; i < 3; ++i) p[i] = C[i] + r1 * ((A[i] + r2 * (B[i] - A[i])) - C[i]);
}

void enter_at_triangles(State& s) {
  for (int e = 1; e <= s.NFTRI; ++e) {
    const int t = s.IENTT(e);
    for (int L = 1; L <= s.MSP; ++L) {
      float* rec = &s.EFTRI(1, L, e);
      const float a = s.DTM * rec[kEntRate - 1] + rec[kEntRemainder - 1];
      const int count = static_cast<int>(a);
      rec[kEntRemainder - 1] = a - static_cast<float>(count);
      const float cm = rec[kEntVmp - 1];
      for (int i = 0; i < count; ++i) {
        float p[3];
        point_on_triangle(s, t, p);
        const float un = normal_speed_ratio(s, rec) * cm;
        const ThermalPair tp = thermal_pair(s);
        float v[3];
        to_global(s, t, {un, tp.u * cm + s.ENTVL(2, e), tp.v * cm + s.ENTVL(3, e)}, v);
        finish_entry(s, L, s.ENTV(4, e), p, v);
      }
    }
  }
}

void outgas(State& s) {
  if (!(s.TOUTG > 0.01)) return;
  for (int t = 1; t <= s.NTRI; ++t) {
    const int k = s.ITP(4, t);
    if (k <= 0) continue;
    for (int L = 1; L <= s.MSP; ++L) {
      const float a = s.DTM * s.FOUT(L, k) + s.FOUTR(L, k);
      const int count = static_cast<int>(a);
      s.FOUTR(L, k) = a - static_cast<float>(count);
      for (int i = 0; i < count; ++i) {
        // An adiabatic wall outgasses at the temperature of the energy it
        // has received (no incident energy is added here).
        const float T = s.TSURF(k) > 0.0f ? s.TSURF(k) : adiabatic_wall_temperature(s, k, L);
        const float cw = std::sqrt(BOLTZ2 * T / s.SP(4, L));
        float p[3];
        point_on_triangle(s, t, p);
        // The normal speed of molecules effusing from a wall at rest, with
        // density proportional to u exp(-u^2/cw^2).
        const float un = std::sqrt(-std::log(s.RF())) * cw;
        const ThermalPair tp = thermal_pair(s);
        float v[3];
        to_global(s, t, {un, tp.u * cw, tp.v * cw}, v);
        finish_entry(s, L, T, p, v);
      }
    }
  }
}

}  // namespace

void enter_molecules(State& s) {
  enter_at_faces(s);
  enter_at_triangles(s);
  outgas(s);
}

}  // namespace qmxv
