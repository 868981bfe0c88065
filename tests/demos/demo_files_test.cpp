// The six demonstration files: they are what the generator writes now, they
// read without complaint through the program's readers, and what the readers
// fill holds what the generator meant, value for value.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>

#include "demo_support.h"

namespace qmxv {
namespace {

using demo_test::loaded_case;

// The first line where two texts differ, for a readable failure.
std::string first_difference(const std::string& a, const std::string& b) {
  std::istringstream sa(a), sb(b);
  std::string la, lb;
  for (int line = 1;; ++line) {
    const bool ga = static_cast<bool>(std::getline(sa, la));
    const bool gb = static_cast<bool>(std::getline(sb, lb));
    if (!ga && !gb) return "";
    if (!ga || !gb || la != lb) {
      return "line " + std::to_string(line) + ": committed \"" + (ga ? la : "<end>") +
             "\", generated \"" + (gb ? lb : "<end>") + "\"";
    }
  }
}

class DemoFiles : public ::testing::TestWithParam<int> {};

TEST_P(DemoFiles, CommittedFilesAreWhatTheGeneratorWritesNow) {
  const int n = GetParam();
  const demogen::Case c = demogen::demonstration_case(n);
  const auto dir = demo_test::committed_dir();
  EXPECT_EQ(first_difference(demo_test::read_file(dir / demogen::gas_file_name(n)),
                             demogen::gas_file_text(c)),
            "")
      << demogen::gas_file_name(n) << " is stale: run qmxv_demogen demos";
  EXPECT_EQ(first_difference(demo_test::read_file(dir / demogen::surface_file_name(n)),
                             demogen::surface_file_text(c)),
            "")
      << demogen::surface_file_name(n) << " is stale: run qmxv_demogen demos";
}

TEST_P(DemoFiles, ReadWithoutComplaint) {
  const auto& lc = loaded_case(GetParam());
  EXPECT_TRUE(lc.dialogs.empty()) << lc.dialogs.front();
  EXPECT_TRUE(lc.state.DIAG.contains("Surface Data has been Read"));
}

TEST_P(DemoFiles, GasDataHoldsTheDesign) {
  const auto& lc = loaded_case(GetParam());
  const demogen::GasDataSet& g = lc.design.gas;
  const State& s = lc.state;
  const auto f = [](double v) { return static_cast<float>(v); };

  const double wx = g.limits[1] - g.limits[0];
  const double smallest = std::min({wx, g.limits[3] - g.limits[2], g.limits[5] - g.limits[4]});
  EXPECT_FLOAT_EQ(s.SCALE, f(wx >= 10.0 ? 1.0 : 10.0 / smallest));
  const float limits[] = {s.XMIN, s.XMAX, s.YMIN, s.YMAX, s.ZMIN, s.ZMAX};
  for (int i = 0; i < 6; ++i) EXPECT_FLOAT_EQ(limits[i], f(g.limits[i]) * s.SCALE) << i;
  const int ndiv[] = {s.NDIVX, s.NDIVY, s.NDIVZ}, nel[] = {s.NELX, s.NELY, s.NELZ};
  for (int a = 0; a < 3; ++a) {
    EXPECT_EQ(ndiv[a], g.divisions[a]) << a;
    EXPECT_EQ(nel[a], g.elements[a]) << a;
  }

  ASSERT_EQ(s.MSP, static_cast<int>(g.species.size()));
  EXPECT_EQ(s.MMVM, g.mmvm());
  for (int L = 1; L <= s.MSP; ++L) {
    const demogen::Species& sp = g.species[L - 1];
    EXPECT_FLOAT_EQ(s.SP(1, L), f(sp.diameter)) << sp.name;
    EXPECT_FLOAT_EQ(s.SP(2, L), f(sp.tref)) << sp.name;
    EXPECT_FLOAT_EQ(s.SP(3, L), f(sp.omega)) << sp.name;
    EXPECT_FLOAT_EQ(s.SP(4, L), f(sp.mass)) << sp.name;
    EXPECT_EQ(s.ISPR(1, L), sp.rotational_dof) << sp.name;
    if (sp.rotational_dof > 0) {
      EXPECT_EQ(s.ISPR(2, L), sp.rotational_relaxation) << sp.name;
    }
    if (s.MMVM > 0 && sp.rotational_dof > 0) {
      ASSERT_EQ(s.ISPV(L), static_cast<int>(sp.modes.size())) << sp.name;
      for (int K = 1; K <= s.ISPV(L); ++K) {
        EXPECT_FLOAT_EQ(s.THETAV(K, L), f(sp.modes[K - 1].theta)) << sp.name;
        EXPECT_FLOAT_EQ(s.SPVC(1, K, L), f(sp.modes[K - 1].c1)) << sp.name;
        EXPECT_FLOAT_EQ(s.SPVC(2, K, L), f(sp.modes[K - 1].c2)) << sp.name;
      }
    }
  }

  ASSERT_EQ(s.MNR, static_cast<int>(g.reactions.size()));
  for (int J = 1; J <= s.MNR; ++J) {
    const demogen::Reaction& r = g.reactions[J - 1];
    EXPECT_EQ(s.LE(J), r.le) << r.equation;
    EXPECT_EQ(s.ME(J), r.me) << r.equation;
    EXPECT_EQ(s.KP(J), r.kp) << r.equation;
    EXPECT_EQ(s.LP(J), r.lp) << r.equation;
    EXPECT_EQ(s.MP(J), r.mp) << r.equation;
    EXPECT_FLOAT_EQ(s.CI(J), f(r.ci)) << r.equation;
    EXPECT_FLOAT_EQ(s.AE(J), f(r.ae)) << r.equation;
    EXPECT_FLOAT_EQ(s.PX(J), f(r.lambda * 1.0e10)) << r.equation;
    EXPECT_FLOAT_EQ(s.CT(J), f(r.eta)) << r.equation;
    EXPECT_FLOAT_EQ(s.RE(J), f(r.re)) << r.equation;
  }
  ASSERT_EQ(s.MTBP, static_cast<int>(g.third_body.size()));
  for (int J = 1; J <= s.MTBP; ++J) {
    for (int L = 1; L <= s.MSP; ++L) EXPECT_FLOAT_EQ(s.TBP(L, J), f(g.third_body[J - 1][L - 1]));
  }
  ASSERT_EQ(s.MNSR, static_cast<int>(g.surface_reactions.size()));
  for (int J = 1; J <= s.MNSR; ++J) {
    const demogen::SurfaceReaction& r = g.surface_reactions[J - 1];
    EXPECT_EQ(s.ISRI(1, J), r.incident1) << r.text;
    EXPECT_EQ(s.ISRI(2, J), r.incident2) << r.text;
    for (int k = 1; k <= 6; ++k) EXPECT_EQ(s.ISRR(k, J), r.products[k - 1]) << r.text;
    EXPECT_FLOAT_EQ(s.ESR(J), f(r.energy)) << r.text;
  }

  const float stream[] = {s.FND, s.FTMP, s.VFX, s.VFY, s.VFZ};
  const double meant[] = {g.stream.number_density, g.stream.temperature, g.stream.u, g.stream.v,
                          g.stream.w};
  for (int k = 0; k < 5; ++k) EXPECT_FLOAT_EQ(stream[k], f(meant[k])) << "stream value " << k;
  for (int L = 1; L <= s.MSP; ++L) EXPECT_FLOAT_EQ(s.FSP(L), f(g.stream.fractions[L - 1]));
  for (int i = 1; i <= 6; ++i) EXPECT_EQ(s.IB(i), g.boundaries[i - 1]) << i;
  EXPECT_EQ(s.INIT, g.init);
  EXPECT_EQ(s.ISEP, 0);
  EXPECT_FLOAT_EQ(s.FNUM, f(g.fnum));
  EXPECT_FLOAT_EQ(s.TREF, f(g.tref) * s.SCALE);
  EXPECT_EQ(s.ISTEADY, 1);
  EXPECT_FLOAT_EQ(s.ROUT, f(g.rout));
  EXPECT_FLOAT_EQ(s.FAVG, 1.0f);
  const int run[] = {s.NSPI, s.NSTEADY, s.MNM, s.NMCT, s.NMTT, s.IINDEX, s.ISUBC};
  const int planned[] = {g.nspi, g.nsteady, g.mnm, g.nmct, g.nmtt, g.iindex, g.isubc};
  for (int k = 0; k < 7; ++k) EXPECT_EQ(run[k], planned[k]) << "run record " << k;
}

TEST_P(DemoFiles, SurfacesHoldTheDesign) {
  const auto& lc = loaded_case(GetParam());
  const State& s = lc.state;
  ASSERT_EQ(s.NSURF, static_cast<int>(lc.design.surfaces.size()));
  int solid = 0, entry = 0;
  for (int S = 1; S <= s.NSURF; ++S) {
    const demogen::Surface& surf = lc.design.surfaces[S - 1];
    const demogen::Mesh& m = surf.mesh;
    ASSERT_EQ(s.NPTS(S), static_cast<int>(m.points.size()));
    for (int p = 1; p <= s.NPTS(S); ++p) {
      const demogen::Vec3& v = m.points[p - 1];
      const int P = s.NPTSB(S) + p;
      ASSERT_FLOAT_EQ(s.XPT(P), static_cast<float>(v.x) * s.SCALE) << "point " << p;
      ASSERT_FLOAT_EQ(s.ZPT(P), static_cast<float>(v.z) * s.SCALE) << "point " << p;
    }
    // The file lists the solid triangles first, then the entry triangles.
    std::vector<const demogen::MeshTriangle*> order;
    for (int pass = 0; pass < 2; ++pass) {
      for (const auto& t : m.triangles) {
        if (t.entry == (pass == 1)) order.push_back(&t);
      }
    }
    ASSERT_EQ(s.NSTRIS(S) + s.NFTRIS(S), static_cast<int>(order.size()));
    for (int n = 1; n <= static_cast<int>(order.size()); ++n) {
      const demogen::MeshTriangle& t = *order[n - 1];
      const int N = s.NTRISB(S) + n;
      for (int k = 0; k < 3; ++k) EXPECT_EQ(s.ITP(k + 1, N), s.NPTSB(S) + t.v[k] + 1) << n;
      EXPECT_EQ(s.ISURFT(N), S);
      if (t.entry) {
        ASSERT_EQ(s.ITP(4, N), -++entry);
        const demogen::EntryProperties& e = surf.entry;
        const double expected[] = {e.u, e.v, e.w, e.temperature, e.number_density};
        for (int k = 1; k <= 5; ++k) EXPECT_FLOAT_EQ(s.ENTV(k, entry), expected[k - 1]);
        for (int L = 1; L <= s.MSP; ++L) {
          EXPECT_FLOAT_EQ(s.ENTFSP(L, entry), static_cast<float>(e.fractions[L - 1]));
        }
      } else {
        ASSERT_EQ(s.ITP(4, N), ++solid);
        const demogen::SolidProperties& w = surf.solid;
        EXPECT_FLOAT_EQ(s.TSURF(solid), static_cast<float>(w.tsurf));
        EXPECT_FLOAT_EQ(s.FSPEC(solid), static_cast<float>(w.fspec));
        for (int L = 1; L <= s.MSP; ++L) {
          EXPECT_FLOAT_EQ(s.FADS(L, solid), static_cast<float>(w.fads[L - 1]));
          EXPECT_FLOAT_EQ(s.FOUT(L, solid), static_cast<float>(w.fout[L - 1]));
        }
        for (int J = 1; J <= s.MNSR; ++J) {
          EXPECT_FLOAT_EQ(s.PSR(J, solid), static_cast<float>(w.psr[J - 1]));
        }
      }
    }
  }
  EXPECT_EQ(s.NSTRI, solid);
  EXPECT_EQ(s.NFTRI, entry);
}

INSTANTIATE_TEST_SUITE_P(Cases, DemoFiles, ::testing::Values(1, 2, 3),
                         [](const auto& info) { return "DM" + std::to_string(info.param); });

}  // namespace
}  // namespace qmxv
