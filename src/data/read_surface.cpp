// Reader of the surface definition file QMXSD.DAT: surfaces made of points
// and triangles, each triangle a solid wall (with its gas-surface interaction
// properties) or a flow entry segment (with the gas that enters through it).
// Point and triangle numbers in the file and in QMXSD.TXT count from 1 within
// their surface; in memory they run through the whole file. The record layout
// is documented in docs/formats.md.
#include "data/read_surface.h"

#include <algorithm>
#include <cstdint>
#include <string>

#include "data/checked_values.h"
#include "data/list_reader.h"
#include "data/summary_file.h"
#include "run/errors.h"
#include "run/state.h"
#include "run/text_format.h"

namespace qmxv {

namespace {

constexpr const char* kNoPrevious = "No values available for previous triangle";

// Triangle type codes of the file.
enum TriangleCode : int { kSameAsPrevious = 0, kSolid = 1, kEntrySegment = 2, kStreamElement = 3 };

enum class Kind { None, Solid, Entry };

class SurfaceReader {
 public:
  // With a watch the file is read again to locate a datum: every value goes
  // to the watch and no summary is written.
  explicit SurfaceReader(State& s, const ValueWatch* watch = nullptr)
      : s_(s),
        in_(s.file("QMXSD.DAT"), "QMXSD.DAT"),
        out_(watch ? SummaryFile() : SummaryFile(s.file("QMXSD.TXT"), "QMXSD.TXT")) {
    if (watch) in_.watch(*watch);
  }

  void read() {
    out_.line("Surface data summary for program QMXV");
    s_.NSURF = read_count(in_, Item("NSURF"));
    out_.write("The number of distinct surfaces is", s_.NSURF);
    read_counts();
    allocate_arrays();
    for (int S = 1; S <= s_.NSURF; ++S) read_surface(S);
    out_.close();
    s_.DIAG.line("Surface Data has been Read");
  }

 private:
  // Per-surface counts, with the totals before each surface. Totals are kept
  // in 64 bits so that corrupt counts are caught instead of wrapping around.
  void read_counts() {
    const int n = s_.NSURF;
    check_group_size(s_, in_, 20.0 * n, "PROGRAM COULD NOT ALLOCATE NUMBER OF SURFACES");
    allocate_group(s_, in_, "PROGRAM COULD NOT ALLOCATE NUMBER OF SURFACES", [&] {
      for (auto* a : {&s_.NPTS, &s_.NSTRIS, &s_.NFTRIS, &s_.NPTSB, &s_.NTRISB}) a->allocate(n);
    });
    std::int64_t npt = 0, ntri = 0, nstri = 0, nftri = 0;
    for (int S = 1; S <= n; ++S) {
      out_.write("Points and triangles up to this surface", npt, ntri);
      s_.NPTSB(S) = static_cast<int>(npt);
      s_.NTRISB(S) = static_cast<int>(ntri);
      s_.NPTS(S) = read_count(in_, Item("NPTS", S));
      out_.write("The number of points on surface", S, "is", s_.NPTS(S));
      npt += s_.NPTS(S);
      if (npt > INT32_MAX) {
        refuse_allocation(s_, in_, "PROGRAM COULD NOT ALLOCATE NUMBER OF POINTS",
                          "more than 2147483647 points in all");
      }
      s_.NSTRIS(S) = read_count(in_, Item("NSTRIS", S));
      out_.write("The number of solid surface triangles on surface", S, "is", s_.NSTRIS(S));
      s_.NFTRIS(S) = read_count(in_, Item("NFTRIS", S));
      out_.write("The number of flow entry triangles on surface", S, "is", s_.NFTRIS(S));
      nstri += s_.NSTRIS(S);
      nftri += s_.NFTRIS(S);
      ntri += std::int64_t{s_.NSTRIS(S)} + s_.NFTRIS(S);
      if (ntri > INT32_MAX) {
        refuse_allocation(s_, in_, "PROGRAM COULD NOT ALLOCATE TRIANGLES",
                          "more than 2147483647 triangles in all");
      }
    }
    s_.NPT = static_cast<int>(npt);
    s_.NTRI = static_cast<int>(ntri);
    s_.NSTRI = static_cast<int>(nstri);
    s_.NFTRI = static_cast<int>(nftri);
  }

  void allocate_arrays() {
    const int msp = s_.MSP;
    const int nsr = std::max(1, s_.MNSR);
    check_group_size(s_, in_, 12.0 * s_.NPT, "PROGRAM COULD NOT ALLOCATE NUMBER OF POINTS");
    allocate_group(s_, in_, "PROGRAM COULD NOT ALLOCATE NUMBER OF POINTS", [&] {
      for (auto* a : {&s_.XPT, &s_.YPT, &s_.ZPT}) a->allocate(s_.NPT);
    });
    // ITP and ISURFT per triangle; TSURF, FSPEC, FADS, FOUT, PSR, VSURF per
    // solid triangle; IENTT, ENTV, ENTFSP per entry triangle.
    const double bytes =
        28.0 * s_.NTRI + 4.0 * s_.NSTRI * (4.0 + 2.0 * msp + nsr) + 4.0 * s_.NFTRI * (6.0 + msp);
    check_group_size(s_, in_, bytes, "PROGRAM COULD NOT ALLOCATE TRIANGLES");
    allocate_group(s_, in_, "PROGRAM COULD NOT ALLOCATE TRIANGLES", [&] {
      s_.ITP.allocate(6, s_.NTRI);
      s_.ISURFT.allocate(s_.NTRI);
      s_.IENTT.allocate(s_.NFTRI);
      s_.TSURF.allocate(s_.NSTRI);
      s_.FSPEC.allocate(s_.NSTRI);
      s_.FADS.allocate(msp, s_.NSTRI);
      s_.FOUT.allocate(msp, s_.NSTRI);
      s_.PSR.allocate(nsr, s_.NSTRI);
      s_.VSURF.allocate(2, s_.NSTRI);
      s_.ENTV.allocate(5, s_.NFTRI);
      s_.ENTFSP.allocate(msp, s_.NFTRI);
    });
  }

  void read_surface(int S) {
    out_.write("DATA FOR SURFACE", S);
    const int base = s_.NPTSB(S);
    for (int p = 1; p <= s_.NPTS(S); ++p) {
      in_.new_record();
      const float x = in_.next_real(Item("XPT").on_point(S, p));
      const float y = in_.next_real(Item("YPT").on_point(S, p));
      const float z = in_.next_real(Item("ZPT").on_point(S, p));
      out_.write("Point", p, "is at", x, y, z);
      s_.XPT(base + p) = x * s_.SCALE;
      s_.YPT(base + p) = y * s_.SCALE;
      s_.ZPT(base + p) = z * s_.SCALE;
    }
    solid_here_ = 0;
    entry_here_ = 0;
    for (int n = 1; n <= s_.NSTRIS(S) + s_.NFTRIS(S); ++n) read_triangle(S, n);
  }

  void read_triangle(int S, int n) {
    const int N = s_.NTRISB(S) + n;
    const int npts = s_.NPTS(S);
    int pts[3];
    in_.new_record();
    for (int k = 0; k < 3; ++k) {
      const Item item = Item("ITP", k + 1).on_triangle(S, n);
      pts[k] = in_.next_int(item);
      if (pts[k] < 1 || pts[k] > npts) {
        in_.reject(item, free_line("a point number of surface", S, "from 1 to",
                                   "NPTS(" + std::to_string(S) + ") =", npts));
      }
      if ((k == 1 && pts[1] == pts[0]) || (k == 2 && (pts[2] == pts[0] || pts[2] == pts[1]))) {
        in_.reject(item, "three different points of the surface");
      }
    }
    out_.write("Triangle", n, "is defined by points", pts[0], pts[1], pts[2]);
    for (int k = 0; k < 3; ++k) s_.ITP(k + 1, N) = s_.NPTSB(S) + pts[k];
    s_.ISURFT(N) = S;

    const Item code_item = Item("ITCODE").on_triangle(S, n);
    const int code = read_int_between(in_, code_item, 0, 3, "a triangle type code from 0 to 3");
    Kind kind = code == kSolid ? Kind::Solid : Kind::Entry;
    switch (code) {
      case kSameAsPrevious:
        if (previous_kind_ == Kind::None) {
          out_.line(kNoPrevious);
          s_.DIAG.line(kNoPrevious);
          in_.fail_fixed(kNoPrevious);
        }
        kind = previous_kind_;
        // A chain of copies may cross into the next surface: the copied
        // triangle is then named with its own surface.
        if (previous_surface_ == S) {
          out_.write("Triangle", n, "has the same properties as triangle", n - 1);
        } else {
          out_.write("Triangle", n, "has the same properties as triangle", previous_number_,
                     "of surface", previous_surface_);
        }
        break;
      case kSolid:
        out_.write("Triangle", n, "is a solid surface");
        break;
      case kEntrySegment:
        out_.write("Triangle", n, "is a specified flow entry segment");
        break;
      default:
        out_.write("Triangle", n, "is a stream boundary element");
        break;
    }
    check_kind_count(S, code_item, code, kind);

    int slot = 0;
    if (kind == Kind::Solid) {
      slot = ++solid_;
      s_.ITP(4, N) = slot;
      if (code == kSameAsPrevious) {
        copy_solid(previous_slot_, slot);
      } else {
        read_solid(S, n, slot);
      }
    } else {
      slot = ++entry_;
      s_.ITP(4, N) = -slot;
      s_.IENTT(slot) = N;
      if (code == kSameAsPrevious) {
        copy_entry(previous_slot_, slot);
      } else if (code == kEntrySegment) {
        read_entry(S, n, slot);
      } else {
        take_stream(slot);
      }
    }
    previous_kind_ = kind;
    previous_slot_ = slot;
    previous_surface_ = S;
    previous_number_ = n;
  }

  // The property arrays are sized by NSTRIS and NFTRIS: a surface whose
  // triangle codes give other numbers of solid and entry triangles would
  // overrun them, so the first triangle beyond its kind's count is refused.
  void check_kind_count(int S, const Item& code_item, int code, Kind kind) {
    const bool solid = kind == Kind::Solid;
    const int count = solid ? ++solid_here_ : ++entry_here_;
    const int limit = solid ? s_.NSTRIS(S) : s_.NFTRIS(S);
    if (count <= limit) return;
    const std::string copy = code == kSameAsPrevious ? "this copy of a " : "this ";
    const std::string count_name =
        std::string(solid ? "NSTRIS(" : "NFTRIS(") + std::to_string(S) + ") =";
    if (solid) {
      in_.reject(code_item,
                 free_line("a flow entry triangle (2 or 3): surface", S, "has", count_name, limit,
                           "solid triangles and", copy + "solid triangle would be number", count));
    }
    in_.reject(code_item, free_line("a solid triangle (1): surface", S, "has", count_name, limit,
                                    "flow entry triangles and",
                                    copy + "entry triangle would be number", count));
  }

  void read_solid(int S, int n, int slot) {
    auto item = [&](const char* name) { return Item(name).on_triangle(S, n); };
    auto indexed = [&](const char* name, int i) { return Item(name, i).on_triangle(S, n); };
    const float tsurf = in_.read_real(item("TSURF"));
    s_.TSURF(slot) = tsurf;
    if (tsurf > 0.0f) {
      out_.write("Diffuse reflection at a temperature of", tsurf);
    } else {
      // 0 - TSURF rather than -TSURF: a zero minimum prints as 0, not -0.
      out_.write("Diffuse adiabatic with a minimum temperature of", 0.0f - tsurf);
    }
    s_.FSPEC(slot) = in_.read_real(item("FSPEC"));
    out_.write("The fraction of specular reflection is", s_.FSPEC(slot));
    for (int L = 1; L <= s_.MSP; ++L) {
      s_.FADS(L, slot) = in_.read_real(indexed("FADS", L));
      out_.write("The fraction of species", L, "adsorbed is", s_.FADS(L, slot));
      s_.FOUT(L, slot) = in_.read_real(indexed("FOUT", L));
      out_.write("The outgas mass flux of species", L, "is", s_.FOUT(L, slot));
    }
    for (int J = 1; J <= s_.MNSR; ++J) {
      s_.PSR(J, slot) = in_.read_real(indexed("PSR", J));
      out_.write("The probability of surface reaction", J, "is", s_.PSR(J, slot));
    }
  }

  void copy_solid(int from, int to) {
    s_.TSURF(to) = s_.TSURF(from);
    s_.FSPEC(to) = s_.FSPEC(from);
    for (int L = 1; L <= s_.MSP; ++L) {
      s_.FADS(L, to) = s_.FADS(L, from);
      s_.FOUT(L, to) = s_.FOUT(L, from);
    }
    for (int J = 1; J <= s_.MNSR; ++J) s_.PSR(J, to) = s_.PSR(J, from);
  }

  void read_entry(int S, int n, int slot) {
    auto item = [&](const char* name, int i) { return Item(name, i).on_triangle(S, n); };
    s_.ENTV(1, slot) = in_.read_real(item("ENTV", 1));
    out_.write("The velocity component in the x direction is", s_.ENTV(1, slot));
    s_.ENTV(2, slot) = in_.read_real(item("ENTV", 2));
    out_.write("The velocity component in the y direction is", s_.ENTV(2, slot));
    s_.ENTV(3, slot) = in_.read_real(item("ENTV", 3));
    out_.write("The velocity component in the z direction is", s_.ENTV(3, slot));
    s_.ENTV(4, slot) = read_positive_real(in_, item("ENTV", 4));
    out_.write("The gas temperature is", s_.ENTV(4, slot));
    s_.ENTV(5, slot) = read_nonnegative_real(in_, item("ENTV", 5));
    out_.write("The number density is", s_.ENTV(5, slot));
    for (int L = 1; L <= s_.MSP; ++L) {
      s_.ENTFSP(L, slot) = read_nonnegative_real(in_, item("ENTFSP", L));
      out_.write("The fraction of species", L, "is", s_.ENTFSP(L, slot));
    }
  }

  void copy_entry(int from, int to) {
    for (int k = 1; k <= 5; ++k) s_.ENTV(k, to) = s_.ENTV(k, from);
    for (int L = 1; L <= s_.MSP; ++L) s_.ENTFSP(L, to) = s_.ENTFSP(L, from);
  }

  // A stream boundary element lets the stream itself enter.
  void take_stream(int slot) {
    s_.ENTV(1, slot) = s_.VFX;
    s_.ENTV(2, slot) = s_.VFY;
    s_.ENTV(3, slot) = s_.VFZ;
    s_.ENTV(4, slot) = s_.FTMP;
    s_.ENTV(5, slot) = s_.FND;
    for (int L = 1; L <= s_.MSP; ++L) s_.ENTFSP(L, slot) = s_.FSP(L);
  }

  State& s_;
  ListReader in_;
  SummaryFile out_;
  int solid_ = 0, entry_ = 0;            // property slots used so far
  int solid_here_ = 0, entry_here_ = 0;  // triangles of each kind on this surface
  // The triangle read last, whose properties a code-0 triangle copies.
  Kind previous_kind_ = Kind::None;
  int previous_slot_ = 0;
  int previous_surface_ = 0;
  int previous_number_ = 0;
};

}  // namespace

void read_surface_data(State& s) {
  static_cast<SurfaceData&>(s) = SurfaceData{};
  s.DIAG.line("Reading the data file QMXSD.DAT");
  SurfaceReader reader(s);
  reader.read();
}

void read_surface_data_watched(State& s, const ValueWatch& watch) {
  static_cast<SurfaceData&>(s) = SurfaceData{};
  SurfaceReader reader(s, &watch);
  reader.read();
}

}  // namespace qmxv
