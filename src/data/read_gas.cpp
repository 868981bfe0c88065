// Reader of the gas and flow data file QMXVD.DAT: the flow region and its
// grid, the species with their rotational and vibrational data, gas-phase
// and surface reactions, the streams, the boundaries, the initial state and
// the run settings. One value per record, each echoed to QMXVD.TXT as soon
// as it is read. The record layout is documented in docs/formats.md.
#include "data/read_gas.h"

#include <algorithm>
#include <cstdint>
#include <string>

#include "data/checked_values.h"
#include "data/list_reader.h"
#include "data/summary_file.h"
#include "run/errors.h"
#include "run/state.h"
#include "run/text_format.h"
#include "ui/toolkit.h"

namespace qmxv {

namespace {

constexpr const char* kSideNames[6] = {"minimum x", "maximum x", "minimum y",
                                       "maximum y", "minimum z", "maximum z"};
constexpr const char* kBoundaryKinds[7] = {"the axis of symmetry",
                                           "a plane of symmetry",
                                           "a stream boundary",
                                           "a vacuum boundary",
                                           "a periodic boundary",
                                           "a constant pressure boundary",
                                           "a specular wall moving into the flow"};
constexpr const char* kOrdinals[6] = {"first", "second", "third", "fourth", "fifth", "sixth"};

constexpr int kMovingWall = 7;

class GasReader {
 public:
  // With a watch the file is read again to locate a datum: every value goes
  // to the watch and no summary is written.
  explicit GasReader(State& s, const ValueWatch* watch = nullptr)
      : s_(s),
        in_(s.file("QMXVD.DAT"), "QMXVD.DAT"),
        out_(watch ? SummaryFile() : SummaryFile(s.file("QMXVD.TXT"), "QMXVD.TXT")) {
    if (watch) in_.watch(*watch);
  }

  void read() {
    out_.line("Data summary for program QMXV");
    read_region();
    read_grid();
    read_counts();
    allocate_arrays();
    for (int L = 1; L <= s_.MSP; ++L) read_species_properties(L);
    for (int J = 1; J <= s_.MNR; ++J) read_reaction(J);
    for (int J = 1; J <= s_.MTBP; ++J) read_third_body_table(J);
    for (int J = 1; J <= s_.MNSR; ++J) read_surface_reaction(J);
    read_stream();
    read_boundaries();
    read_initial_state();
    read_run_settings();
    out_.close();
    s_.DIAG.line("The data summary QMXVD.TXT has been written");
    build_surface_reaction_lookup();
  }

 private:
  // Region limits, echoed as read, then the scale factor: lengths and times
  // inside the program are multiplied by SCALE so that the region is at
  // least about 10 units wide, which keeps single-precision positions well
  // resolved in small (vacuum-system sized) regions.
  void read_region() {
    float* limits[6] = {&s_.XMIN, &s_.XMAX, &s_.YMIN, &s_.YMAX, &s_.ZMIN, &s_.ZMAX};
    const char* names[6] = {"XMIN", "XMAX", "YMIN", "YMAX", "ZMIN", "ZMAX"};
    const char* echo[3] = {"x limits of flowfield are", "y limits of flowfield are",
                           "z limits of flowfield are"};
    for (int a = 0; a < 3; ++a) {
      const float lo = in_.read_real(Item(names[2 * a]));
      const float hi = in_.read_real(Item(names[2 * a + 1]));
      if (!(hi > lo)) {
        in_.reject(Item(names[2 * a + 1]),
                   free_line("a real number greater than", names[2 * a], "=", lo));
      }
      *limits[2 * a] = lo;
      *limits[2 * a + 1] = hi;
      out_.write(echo[a], lo, ",", hi);
    }
    const float wx = s_.XMAX - s_.XMIN;
    const float wy = s_.YMAX - s_.YMIN;
    const float wz = s_.ZMAX - s_.ZMIN;
    // Only the x width decides whether scaling is needed at all.
    s_.SCALE = wx >= 10.0f ? 1.0f : 10.0f / std::min({wx, wy, wz});
    out_.write("The Scale Factor is", s_.SCALE);
    for (float* v : limits) *v *= s_.SCALE;
  }

  void read_grid() {
    s_.NDIVX = read_positive_int(in_, Item("NDIVX"));
    s_.NDIVY = read_positive_int(in_, Item("NDIVY"));
    s_.NDIVZ = read_positive_int(in_, Item("NDIVZ"));
    out_.write(s_.NDIVX, ",", s_.NDIVY, ",", s_.NDIVZ, "divisions in the x,y directions");
    s_.NELX = read_positive_int(in_, Item("NELX"));
    s_.NELY = read_positive_int(in_, Item("NELY"));
    s_.NELZ = read_positive_int(in_, Item("NELZ"));
    // Elements are numbered with 32-bit integers through the whole region.
    const double elements = 1.0 * s_.NDIVX * s_.NELX * s_.NDIVY * s_.NELY * s_.NDIVZ * s_.NELZ;
    if (elements > INT32_MAX) {
      in_.reject(Item("NELZ"), free_line("a grid of at most 2147483647 elements, not", elements,
                                         "(NDIVX*NELX*NDIVY*NELY*NDIVZ*NELZ)"));
    }
    out_.write(s_.NELX, ",", s_.NELY, ",", s_.NELZ, "elements per division in the x,y directions");
  }

  // The counts size every table; each group is checked against the memory
  // budget as soon as its count is known, so a corrupt count is reported at
  // its own line.
  void read_counts() {
    s_.MSP = read_positive_int(in_, Item("MSP"));
    out_.write("The number of molecular species is", s_.MSP);
    const double msp = s_.MSP;
    check_group_size(s_, in_, 40.0 * msp, "PROGRAM COULD NOT ALLOCATE NUMBER OF SPECIES");

    s_.MMVM = read_count(in_, Item("MMVM"));
    out_.write("Maximum number of vibrational modes of any species is", s_.MMVM);
    check_group_size(s_, in_, 12.0 * s_.MMVM * msp, "PROGRAM COULD NOT ALLOCATE VIBRATIONAL MODES");

    s_.MNR = read_count(in_, Item("MNR"));
    out_.write("The number of chemical reactions is", s_.MNR);
    const double reactions = 40.0 * std::max(1, s_.MNR);
    check_group_size(s_, in_, reactions, "PROGRAM COULD NOT ALLOCATE REACTION INPUT");

    s_.MTBP = read_count(in_, Item("MTBP"));
    out_.write("The number of third-body tables is", s_.MTBP);
    check_group_size(s_, in_, reactions + 4.0 * msp * std::max(1, s_.MTBP),
                     "PROGRAM COULD NOT ALLOCATE REACTION INPUT");

    s_.MNSR = read_count(in_, Item("MNSR"));
    out_.write("The number of surface reactions is", s_.MNSR);
    const double nsr = std::max(1, s_.MNSR);
    check_group_size(s_, in_, 36.0 * nsr, "PROGRAM COULD NOT ALLOCATE SURFACE REACTION INPUT");
    check_group_size(
        s_, in_, 4.0 * nsr * msp,
        free_line("PROGRAM COULD NOT ALLOCATE SPACE FOR SURFACE REACTIONS", kAllocOverBudget));
  }

  void allocate_arrays() {
    const int msp = s_.MSP;
    allocate_group(s_, in_, "PROGRAM COULD NOT ALLOCATE NUMBER OF SPECIES", [&] {
      s_.SP.allocate(4, msp);
      s_.ISPR.allocate(2, msp);
      s_.ISPV.allocate(msp);
      s_.FSP.allocate(msp);
      s_.FSP2.allocate(msp);
    });
    allocate_group(s_, in_, "PROGRAM COULD NOT ALLOCATE VIBRATIONAL MODES", [&] {
      s_.THETAV.allocate(s_.MMVM, msp);
      s_.SPVC.allocate(2, s_.MMVM, msp);
    });
    const int nr = std::max(1, s_.MNR);
    allocate_group(s_, in_, "PROGRAM COULD NOT ALLOCATE REACTION INPUT", [&] {
      for (auto* a : {&s_.LE, &s_.ME, &s_.KP, &s_.LP, &s_.MP}) a->allocate(nr);
      for (auto* a : {&s_.CI, &s_.AE, &s_.PX, &s_.CT, &s_.RE}) a->allocate(nr);
      s_.TBP.allocate(msp, std::max(1, s_.MTBP));
    });
    const int nsr = std::max(1, s_.MNSR);
    allocate_group(s_, in_, "PROGRAM COULD NOT ALLOCATE SURFACE REACTION INPUT", [&] {
      s_.ISRI.allocate(2, nsr);
      s_.ISRR.allocate(6, nsr);
      s_.ESR.allocate(nsr);
    });
    allocate_group(
        s_, in_, free_line("PROGRAM COULD NOT ALLOCATE SPACE FOR SURFACE REACTIONS", kAllocRefused),
        [&] {
          s_.NSRSP.allocate(msp);
          s_.ISRSP.allocate(nsr, msp);
        });
  }

  void read_species_properties(int L) {
    s_.SP(1, L) = read_positive_real(in_, Item("SP", 1, L));
    out_.write("The reference diameter of species", L, "is", s_.SP(1, L));
    s_.SP(2, L) = read_positive_real(in_, Item("SP", 2, L));
    out_.write("The reference temperature of species", L, "is", s_.SP(2, L));
    s_.SP(3, L) = in_.read_real(Item("SP", 3, L));
    out_.write("The viscosity-temperature power law of species", L, "is", s_.SP(3, L));
    s_.SP(4, L) = read_positive_real(in_, Item("SP", 4, L));
    out_.write("The molecular mass of species", L, "is", s_.SP(4, L));

    // One rotational degree of freedom describes no molecule, and the
    // Larsen-Borgnakke sampler of ISPR/2 - 1 would need a negative exponent.
    s_.ISPR(1, L) = read_count(in_, Item("ISPR", 1, L));
    if (s_.ISPR(1, L) == 1)
      in_.reject(Item("ISPR", 1, L), "0, 2 or more rotational degrees of freedom");
    out_.write("Species", L, "has", s_.ISPR(1, L), "rotational degrees of freedom");
    if (s_.ISPR(1, L) == 0) return;
    s_.ISPR(2, L) = read_count(in_, Item("ISPR", 2, L));
    out_.write("and the relaxation collision number is", s_.ISPR(2, L));
    // Only a molecule that rotates can vibrate.
    if (s_.MMVM == 0) return;
    s_.ISPV(L) =
        read_int_between(in_, Item("ISPV", L), 0, s_.MMVM,
                         free_line("a number of vibrational modes from 0 to MMVM =", s_.MMVM));
    out_.write("Species", L, "has", s_.ISPV(L), "vibrational modes");
    for (int K = 1; K <= s_.ISPV(L); ++K) {
      s_.THETAV(K, L) = read_positive_real(in_, Item("THETAV", K, L));
      out_.write("Char. temperature of mode", K, "of species", L, "is", s_.THETAV(K, L));
      s_.SPVC(1, K, L) = in_.read_real(Item("SPVC", 1, K, L));
      s_.SPVC(2, K, L) = in_.read_real(Item("SPVC", 2, K, L));
      // With C2 > 0 the vibrational collision number depends on temperature
      // through the two constants of the Millikan & White (J. Chem. Phys. 39,
      // 1963) correlation; otherwise it is the constant SPVC(1).
      if (s_.SPVC(2, K, L) > 0.0f) {
        out_.write("The constant C1 in eqn(6.53) is", s_.SPVC(1, K, L));
        out_.write("The constant C2 in eqn(6.53) is", s_.SPVC(2, K, L));
      } else {
        out_.write("The constant vibrational collision number is", s_.SPVC(1, K, L));
      }
    }
  }

  void read_reaction(int J) {
    const int msp = s_.MSP;
    out_.write("The following data is for gas phase reaction", J);
    s_.LE(J) = read_species(in_, Item("LE", J), msp, false);
    out_.write("Species code of one molecule is", s_.LE(J));
    s_.ME(J) = read_species(in_, Item("ME", J), msp, false);
    out_.write("Species code of the other molecule is", s_.ME(J));

    // KP > 0 dissociation into KP, LP, MP; KP < 0 recombination into LP with a
    // third body; KP = 0 exchange into LP and MP.
    s_.KP(J) = read_int_between(in_, Item("KP", J), INT32_MIN, msp,
                                free_line("a species code up to MSP =", msp,
                                          "(dissociation), 0 (exchange) or a negative "
                                          "number (recombination)"));
    const int kind = s_.KP(J) > 0 ? 1 : (s_.KP(J) < 0 ? -1 : 0);
    if (kind > 0) out_.write("First post-reaction species code in the dissociation", s_.KP(J));
    if (kind < 0) out_.line("The reaction is a recombination");
    if (kind == 0) out_.line("The reaction is an exchange reaction");

    s_.LP(J) = read_species(in_, Item("LP", J), msp, false);
    if (kind > 0) out_.write("Second post-reaction species code", s_.LP(J));
    if (kind < 0) out_.write("The post-recombination species code", s_.LP(J));
    if (kind == 0) out_.write("One post-reaction species code", s_.LP(J));

    if (kind < 0) {
      // The third body of a recombination: a species (MP > 0) or any
      // species weighted by the third-body table -MP.
      const Item mp("MP", J);
      s_.MP(J) = in_.read_int(mp);
      const int v = s_.MP(J);
      if (v > 0 && v <= msp) {
        out_.write("The species code of the third-body is", v);
      } else if (v < 0 && -v <= s_.MTBP) {
        out_.write("The code of the third-body table is", -v);
      } else {
        std::string expected = free_line("a third-body species code from 1 to MSP =", msp);
        if (s_.MTBP > 0) {
          expected += free_line(" or minus a third-body table number from -1 to -MTBP =", -s_.MTBP);
        } else {
          expected += " (there are no third-body tables)";
        }
        in_.reject(mp, expected);
      }
    } else {
      s_.MP(J) = read_species(in_, Item("MP", J), msp, false);
      if (kind > 0) out_.write("Third post-reaction species code", s_.MP(J));
      if (kind == 0) out_.write("Other post-collision species code", s_.MP(J));
    }

    s_.CI(J) = in_.read_real(Item("CI", J));
    out_.write("The number of contributing internal degrees of freedom", s_.CI(J));
    s_.AE(J) = in_.read_real(Item("AE", J));
    out_.write("The activation energy", s_.AE(J));
    s_.PX(J) = in_.read_real(Item("PX", J));
    out_.write("1.E10 times the pre-exponential parameter", s_.PX(J));
    s_.CT(J) = in_.read_real(Item("CT", J));
    out_.write("The temperature exponent in the rate equation", s_.CT(J));
    s_.RE(J) = in_.read_real(Item("RE", J));
    out_.write("The energy of the reaction", s_.RE(J));
  }

  void read_third_body_table(int J) {
    out_.write("The following data is for third-body probability", J);
    for (int L = 1; L <= s_.MSP; ++L) {
      s_.TBP(L, J) = read_nonnegative_real(in_, Item("TBP", L, J));
      out_.write("That for species", L, "is", s_.TBP(L, J));
    }
  }

  void read_surface_reaction(int J) {
    const int msp = s_.MSP;
    out_.write("The following data is for surface reaction", J);
    s_.ISRI(1, J) = read_species(in_, Item("ISRI", 1, J), msp, false);
    out_.write("Species code of the first incident molecule is", s_.ISRI(1, J));
    s_.ISRI(2, J) = read_species(in_, Item("ISRI", 2, J), msp, true);
    if (s_.ISRI(2, J) > 0) {
      out_.write("Species code of the second incident molecule is", s_.ISRI(2, J));
    }
    for (int k = 1; k <= 6; ++k) {
      s_.ISRR(k, J) = read_species(in_, Item("ISRR", k, J), msp, true);
      if (k == 1 || s_.ISRR(k, J) > 0) {
        out_.write(
            std::string("Species code of the ") + kOrdinals[k - 1] + " reflected molecule is",
            s_.ISRR(k, J));
      }
    }
    s_.ESR(J) = in_.read_real(Item("ESR", J));
    out_.write("The energy input to the surface is", s_.ESR(J));
  }

  void read_stream() {
    s_.FND = read_nonnegative_real(in_, Item("FND"));
    out_.write("The number density of the stream or reference gas is", s_.FND);
    s_.FTMP = read_positive_real(in_, Item("FTMP"));
    out_.write("The stream temperature is", s_.FTMP);
    read_velocity(s_.VFX, s_.VFY, s_.VFZ, "VFX", "VFY", "VFZ");
    for (int L = 1; L <= s_.MSP; ++L) {
      s_.FSP(L) = read_nonnegative_real(in_, Item("FSP", L));
      out_.write("The fraction of species", L, "is", s_.FSP(L));
    }
  }

  void read_velocity(float& u, float& v, float& w, const char* nu, const char* nv, const char* nw) {
    u = in_.read_real(Item(nu));
    out_.write("The velocity component in the x direction is", u);
    v = in_.read_real(Item(nv));
    out_.write("The velocity component in the y direction is", v);
    w = in_.read_real(Item(nw));
    out_.write("The velocity component in the z direction is", w);
  }

  void read_boundaries() {
    for (int side = 1; side <= 6; ++side) {
      const int code = read_int_between(in_, Item("IB", side), 1, 7, "a boundary code from 1 to 7");
      s_.IB(side) = code;
      const std::string where = std::string("the ") + kSideNames[side - 1] + " coord";
      out_.write("The side at " + where + " is");
      out_.line(kBoundaryKinds[code - 1]);
      if (code == kMovingWall && side != 1) {
        const std::string text = "Boundary" + fortran_format(side, "(I4)") +
                                 " has been set as a moving wall!  " +
                                 "(. Only boundary 1 at x=XMIN can move.)";
        // The driver shows it once, in a box with this title, and stops.
        in_.fail_fixed(text, "Illegal Boundary Specification");
      }
      warn_about_unsupported_side(side, code, where);
    }
    if (s_.IB(1) == kMovingWall) {
      s_.VWALL = in_.read_real(Item("VWALL"));
      out_.write("The speed of the moving wall is", s_.VWALL);
    }
  }

  // The molecule move knows no axis of symmetry in three dimensions, and
  // periodic and constant-pressure sides only at minimum and maximum x.
  // Elsewhere such a side removes every molecule that reaches it, as a vacuum
  // boundary does: legal, but rarely what the data set meant.
  void warn_about_unsupported_side(int side, int code, const std::string& where) {
    const std::string item = "(IB(" + std::to_string(side) + ") = " + std::to_string(code) + ")";
    if (code == 1) {
      s_.DIAG.write("Warning: the side at", where, item,
                    "is an axis of symmetry, which a three-dimensional flow does not have;",
                    "molecules that reach it are removed as at a vacuum boundary");
    } else if ((code == 5 || code == 6) && side >= 3) {
      s_.DIAG.write("Warning: the side at", where, item, "is", kBoundaryKinds[code - 1],
                    "but periodic and constant pressure boundaries act only on the x sides;",
                    "molecules that reach it are removed as at a vacuum boundary");
    }
  }

  void read_initial_state() {
    s_.INIT = read_int_between(in_, Item("INIT"), 1, 2, "1 or 2");
    out_.line(s_.INIT == 1 ? "The stream is the initial state of the flow"
                           : "The initial state of the flow is a vacuum");
    s_.ISEP = read_switch(in_, Item("ISEP"));
    if (s_.ISEP == 0) {
      out_.line("The initial gas is homogeneous at the stream conditions");
      return;
    }
    out_.line("A flow separation boundary divides the stream and secondary stream at");
    s_.XSEP = in_.read_real(Item("XSEP"));
    out_.write("x =", s_.XSEP);
    s_.XSEP *= s_.SCALE;
    s_.FND2 = read_nonnegative_real(in_, Item("FND2"));
    out_.write("The number density of the secondary stream is", s_.FND2);
    s_.FTMP2 = read_positive_real(in_, Item("FTMP2"));
    out_.write("The secondary stream temperature is", s_.FTMP2);
    read_velocity(s_.VFX2, s_.VFY2, s_.VFZ2, "VFX2", "VFY2", "VFZ2");
    for (int L = 1; L <= s_.MSP; ++L) {
      s_.FSP2(L) = read_nonnegative_real(in_, Item("FSP2", L));
      out_.write("The fraction of species", L, "in the secondary stream is", s_.FSP2(L));
    }
  }

  void read_run_settings() {
    s_.FNUM = read_positive_real(in_, Item("FNUM"));
    out_.write("Each simulated molecule represents", s_.FNUM, "real molecules");
    s_.TREF = read_positive_real(in_, Item("TREF"));
    out_.write("The reference time is", s_.TREF);
    s_.TREF *= s_.SCALE;
    s_.ISTEADY = read_switch(in_, Item("ISTEADY"));
    out_.line(s_.ISTEADY == 0 ? "The sampling is for an unsteady flow"
                              : "The sampling is for an eventual steady flow");
    s_.ROUT = read_positive_real(in_, Item("ROUT"));
    out_.write("Results are output at intervals of", s_.ROUT, "times the reference time");
    if (s_.ISTEADY == 0) {
      s_.FAVG = in_.read_real(Item("FAVG"));
      if (!(s_.FAVG > 0.0f && s_.FAVG <= 1.0f)) {
        in_.reject(Item("FAVG"), "a real number greater than 0 and at most 1");
      }
      out_.write("Fraction of time interval for time-averaging", s_.FAVG);
    } else {
      s_.FAVG = 1.0f;  // a steady flow is averaged over the whole interval
    }
    s_.NSPI = read_positive_int(in_, Item("NSPI"));
    out_.write("There are", s_.NSPI, "samples in each output interval");
    if (s_.ISTEADY == 1) {
      s_.NSTEADY = read_count(in_, Item("NSTEADY"));
      out_.write("Steady flow is assumed after", s_.NSTEADY, "output intervals");
    }
    s_.MNM = read_positive_int(in_, Item("MNM"));
    out_.write("The maximum number of molecules is", s_.MNM);
    s_.NMCT = read_positive_int(in_, Item("NMCT"));
    out_.write("There are", s_.NMCT, "molecule moves each mean collision time");
    s_.NMTT = read_positive_int(in_, Item("NMTT"));
    out_.write("There are", s_.NMTT, "molecule moves each cell transit time");

    s_.IINDEX = read_switch(in_, Item("IINDEX"));
    // Continuous indexing keeps a cross-reference list of 6 entries per
    // molecule slot.
    const std::int64_t nir = s_.IINDEX == 1 ? std::int64_t{6} * s_.MNM : 1;
    if (nir > INT32_MAX) {
      in_.reject(Item("IINDEX"), free_line("0: continuous indexing needs 6 x MNM =", nir,
                                           "list entries, beyond 32-bit numbering"));
    }
    s_.NIR = static_cast<int>(nir);
    out_.line(s_.IINDEX == 0 ? "Normal indexing is used" : "Continuous indexing is used");
    s_.ISUBC = read_switch(in_, Item("ISUBC"));
    out_.line(s_.ISUBC == 0 ? "There are no sub-cells" : "Transient sub-cells are implemented");
  }

  // The surface interaction looks up, for an incident molecule of species L,
  // the NSRSP(L) surface reactions ISRSP(1..NSRSP(L), L) it can take part in.
  void build_surface_reaction_lookup() {
    s_.NSRSP.fill(0);
    s_.ISRSP.fill(0);
    auto add = [this](int L, int J) {
      const int n = ++s_.NSRSP(L);
      s_.ISRSP(n, L) = J;
    };
    for (int J = 1; J <= s_.MNSR; ++J) {
      add(s_.ISRI(1, J), J);
      const int second = s_.ISRI(2, J);
      if (second > 0 && second != s_.ISRI(1, J)) add(second, J);
    }
  }

  State& s_;
  ListReader in_;
  SummaryFile out_;
};

}  // namespace

void read_gas_data(State& s, ui::Toolkit&) {
  // Every record left out by the data set (VWALL, XSEP, the secondary
  // stream, NSTEADY, ISPR(2,L) and ISPV(L) of non-rotating species) is 0.
  static_cast<GasData&>(s) = GasData{};
  GasReader reader(s);
  reader.read();
}

void read_gas_data_watched(State& s, const ValueWatch& watch) {
  static_cast<GasData&>(s) = GasData{};
  GasReader reader(s, &watch);
  reader.read();
}

}  // namespace qmxv
