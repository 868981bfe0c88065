#include "core/chemistry.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "core/indexing.h"
#include "core/molecules.h"
#include "run/constants.h"
#include "run/state.h"

namespace qmxv {

namespace {

constexpr double kBoltz = 1.3806e-23;
constexpr double kSqrtPi = 1.7724539;

bool marked(const State& s, int n) { return s.IP(2, n) < 0; }

// A recombination's third body and its weight n_3 F; n3f = 0 when the cell
// has none to offer.
struct ThirdBody {
  int molecule = 0;
  double n3f = 0;
};

ThirdBody third_body(State& s, int J, const CollisionPair& p) {
  ThirdBody t;
  const CellList cell = cell_list(s, p.cell);
  const int code = s.MP(J);
  if (code > 0) {
    // A named species: all of that species in the cell count (the
    // partners included); the body is the last of them that is free.
    int count = 0;
    for (int k = 1; k <= cell.n; ++k) {
      const int m = cell.at(k);
      if (s.species(m) != code) continue;
      ++count;
      if (m != p.m1 && m != p.m2 && !marked(s, m)) t.molecule = m;
    }
    if (t.molecule != 0) t.n3f = count;
    return t;
  }
  // A third-body table: any molecule of the cell but the partners, weighted
  // by its species' efficiency.
  if (cell.n < 3) return t;
  for (int tries = 0; tries < 100; ++tries) {
    const int k =
        static_cast<int>((static_cast<float>(cell.n) - 0.0001f) * s.RF()) + 1;
    const int m = cell.at(k);
    if (m == p.m1 || m == p.m2 || marked(s, m)) continue;
    t.molecule = m;
    t.n3f = static_cast<double>(cell.n) * s.TBP(s.species(m), -code);
    return t;
  }
  return t;
}

void set_species(State& s, int n, int L) { s.IP(3, n) = L; }

// Rotational energy and every vibrational level of molecule n set to 0.
void clear_internal(State& s, int n) {
  if (s.NMOLC == 4) s.PV(4, n) = 0.0f;
  for (int K = 1; K <= s.MMVM; ++K) s.IPVIB(K, n) = 0;
}

// The pair (m1, m2) of species (L, M) with its centre-of-mass velocity and
// translational energy of relative motion etr: the rest of the collision
// works on this.
void set_pair(State& s, CollisionPair& p, int m1, int m2, double etr) {
  p.m1 = m1;
  p.m2 = m2;
  p.L = s.species(m1);
  p.M = s.species(m2);
  const float mL = s.SP(4, p.L), mM = s.SP(4, p.M);
  p.rm1 = mM / (mL + mM);
  p.rm2 = mL / (mL + mM);
  p.cr2 = static_cast<float>(2.0 * std::max(etr, 0.0) / s.SPM(1, p.L, p.M));
  p.cr = std::sqrt(p.cr2);
}

}  // namespace

void prepare_reactions(State& s) {
  const int nr = std::max(1, s.MNR);
  s.TOTREA.allocate(nr);
  s.CK.allocate(nr);
  s.NPOST.allocate(nr);
  s.NSPEX.allocate(s.MSP, s.MSP);
  int widest = 1;
  for (int J = 1; J <= s.MNR; ++J)
    widest = std::max(widest, ++s.NSPEX(s.LE(J), s.ME(J)));
  s.ISPEX.allocate(widest, s.MSP, s.MSP);
  s.NSPEX.fill(0);
  for (int J = 1; J <= s.MNR; ++J) {
    const int L = s.LE(J), M = s.ME(J);
    s.ISPEX(++s.NSPEX(L, M), L, M) = J;
    s.NPOST(J) = s.KP(J) > 0 ? 3 : (s.KP(J) < 0 ? 1 : 2);

    const double eps = L == M ? 2.0 : 1.0;
    const double sigma = s.SPM(2, L, M), tref = s.SPM(5, L, M), omega = s.SPM(3, L, M);
    const double mr = s.SPM(1, L, M);
    const double eta = s.CT(J), zeta = s.CI(J);
    const double a = eps * kSqrtPi * s.PX(J) * std::pow(tref, eta) / (2.0 * sigma) *
                     std::sqrt(mr / (2.7612e-23 * tref)) * 1.0e-10;
    if (s.NPOST(J) == 1)
      s.CK(J) = a * GAM(static_cast<float>(2.5 - omega)) /
                GAM(static_cast<float>(std::max(eta + 1.5, 1.0e-6)));
    else
      s.CK(J) = a * GAM(static_cast<float>(zeta + 2.5 - omega)) /
                (GAM(static_cast<float>(std::max(zeta + eta + 1.5, 1.0e-6))) *
                 std::pow(kBoltz * tref, eta - 1.0 + omega));
  }
  // A pair listed only the other way round takes that list.
  for (int L = 1; L <= s.MSP; ++L)
    for (int M = 1; M <= s.MSP; ++M)
      if (s.NSPEX(L, M) == 0 && s.NSPEX(M, L) > 0) {
        s.NSPEX(L, M) = s.NSPEX(M, L);
        for (int i = 1; i <= s.NSPEX(M, L); ++i) s.ISPEX(i, L, M) = s.ISPEX(i, M, L);
      }
}

bool react(State& s, CollisionPair& p) {
  const int L = p.L, M = p.M;
  const int n = s.NSPEX(L, M);
  const double ec = 0.5 * s.SPM(1, L, M) * static_cast<double>(p.cr2);
  double erot = 0.0, evib = 0.0;
  if (s.NMOLC == 4) {
    if (s.ISPR(1, L) > 0) erot += s.PV(4, p.m1);
    if (s.ISPR(1, M) > 0) erot += s.PV(4, p.m2);
  }
  if (s.MMVM > 0) {
    for (int K = 1; K <= s.ISPV(L); ++K) evib += s.IPVIB(K, p.m1) * kBoltz * s.THETAV(K, L);
    for (int K = 1; K <= s.ISPV(M); ++K) evib += s.IPVIB(K, p.m2) * kBoltz * s.THETAV(K, M);
  }
  const int zeta_r = s.ISPR(1, L) + s.ISPR(1, M);
  const double omega = s.SPM(3, L, M), tref = s.SPM(5, L, M);

  // The probability of each reaction open to the pair.
  thread_local std::vector<double> prob;
  thread_local std::vector<ThirdBody> body;
  prob.assign(static_cast<std::size_t>(n) + 1, 0.0);
  body.assign(static_cast<std::size_t>(n) + 1, ThirdBody{});
  double total = 0.0;
  for (int i = 1; i <= n; ++i) {
    const int J = s.ISPEX(i, L, M);
    const double zeta = s.CI(J), eta = s.CT(J);
    const double e = zeta_r == 0 ? ec : ec + 2.0 * erot * zeta / zeta_r;
    if (!(s.AE(J) <= e)) continue;
    double pk = 0.0;
    if (s.NPOST(J) > 1) {
      pk = s.CK(J) * std::pow(e - s.AE(J), eta + zeta + 0.5) / std::pow(e, zeta + 1.5 - omega);
    } else if (s.RF() < 0.01f) {
      // Recombination, preselected with probability 0.01 (restored by the
      // factor 100): the physical third-body density n_3 F FNUM / V.
      body[i] = third_body(s, J, p);
      if (body[i].n3f > 0.0) {
        const double scale3 = static_cast<double>(s.SCALE) * s.SCALE * s.SCALE;
        pk = 100.0 * body[i].n3f * s.CK(J) * s.FNUM * scale3 / s.CELL(kCellVolume, p.cell) *
             std::pow(e / (kBoltz * tref), eta - 1.0 + omega);
      }
    }
    prob[i] = pk;
    total += pk;
  }
  if (!(s.RF() < total)) return false;

  // Which reaction: cumulative probabilities against a fresh number.
  const double r = s.RF() * total;
  int i = 1;
  for (double sum = prob[1]; i < n && sum < r; sum += prob[++i]) {
  }
  // Rounding may leave the sum short at the end: never a reaction that was
  // not possible.
  while (i > 1 && prob[i] <= 0.0) --i;
  while (prob[i] <= 0.0) ++i;
  const int J = s.ISPEX(i, L, M);
  s.TOTREA(J) += 1.0;
  const double etot = ec + erot + evib + s.RE(J);

  // The molecule of the first reactant species takes the first product.
  const int a = L == s.LE(J) ? p.m1 : p.m2;
  const int b = a == p.m1 ? p.m2 : p.m1;
  const int c = p.cell;
  switch (s.NPOST(J)) {
    case 2:  // exchange
      set_species(s, a, s.LP(J));
      set_species(s, b, s.MP(J));
      clear_internal(s, a);
      clear_internal(s, b);
      set_pair(s, p, p.m1, p.m2, etot);
      break;
    case 3: {  // dissociation: a third molecule at the first's place, moving with the pair
      set_species(s, a, s.KP(J));
      set_species(s, b, s.LP(J));
      clear_internal(s, a);
      clear_internal(s, b);
      const int m1 = p.m1, m2 = p.m2;
      const int k = add_molecule(s);
      for (int d = 1; d <= 3; ++d) {
        s.PP(d, k) = s.PP(d, a);
        s.PV(d, k) = p.vm[d - 1];
      }
      s.PTIM(k) = s.PTIM(a);
      set_species(s, k, s.MP(J));
      clear_internal(s, k);
      // Under normal indexing the next pass lists it; under continuous
      // indexing it joins its cell once all cells have collided.
      s.IP(1, k) = 0;
      s.IP(2, k) = s.IINDEX == 1 ? -c : c;
      set_pair(s, p, m1, m2, etot);
      break;
    }
    default: {  // recombination: a becomes the product, b leaves, the third body collides
      set_species(s, a, s.LP(J));
      clear_internal(s, a);
      for (int d = 1; d <= 3; ++d) s.PV(d, a) = p.vm[d - 1];
      s.IP(2, b) = -s.IP(2, b);
      const int t = body[i].molecule;
      const float mp = s.SP(4, s.LP(J)), m3 = s.SP(4, s.species(t));
      double rel2 = 0.0;
      for (int d = 1; d <= 3; ++d) {
        const double g = static_cast<double>(s.PV(d, a)) - s.PV(d, t);
        rel2 += g * g;
        p.vm[d - 1] = (mp * s.PV(d, a) + m3 * s.PV(d, t)) / (mp + m3);
      }
      const double mr = static_cast<double>(mp) / (mp + m3) * m3;
      set_pair(s, p, a, t, etot + 0.5 * mr * rel2);
      break;
    }
  }
  return true;
}

}  // namespace qmxv
