// The CSV results of an output, read back by a strict reader: the layout every
// file shares, values that round-trip to the bits of the results, the force
// and moment conventions, the running tables across a continued run, the
// clearing of an earlier run's files and writes that fail without stopping.
#include "output/export.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <clocale>
#include <cmath>
#include <cstdlib>
#include <map>
#include <string>
#include <vector>

#include "run/state.h"
#include "support/files.h"

namespace qmxv {
namespace {

namespace fs = std::filesystem;
using support::read_file;
using support::write_file;

std::vector<std::string> split(const std::string& text, char sep) {
  std::vector<std::string> parts(1);
  for (char ch : text)
    if (ch == sep)
      parts.emplace_back();
    else
      parts.back().push_back(ch);
  return parts;
}

bool whole_number(const std::string& f) {
  char* end = nullptr;
  std::strtod(f.c_str(), &end);
  return !f.empty() && f[0] != ' ' && end == f.c_str() + f.size();
}

// A results file as a script would meet it; every departure from the shared
// layout is a test failure. The "C" locale must be in force (strtod).
struct Table {
  std::map<std::string, std::string> keys;
  std::vector<std::string> header;
  std::vector<std::vector<std::string>> rows;

  explicit Table(const fs::path& p) {
    const std::string text = read_file(p);
    EXPECT_TRUE(!text.empty() && text.back() == '\n') << p;
    const std::vector<std::string> lines = split(text.substr(0, text.size() - 1), '\n');
    if (lines.size() < 3) {
      ADD_FAILURE() << p << " has no header";
      return;
    }
    const std::vector<std::string> items = split(lines[0], ' ');
    EXPECT_EQ(items[0], "#");
    for (std::size_t i = 1; i < items.size(); ++i) {
      const auto kv = split(items[i], '=');
      EXPECT_TRUE(kv.size() == 2 && whole_number(kv[1])) << items[i];
      keys[kv[0]] = kv.back();
    }
    EXPECT_EQ(keys.size(), 6u) << lines[0];
    EXPECT_EQ(keys["format"], "1");
    EXPECT_EQ(lines[1].rfind("# units: ", 0), 0u);
    EXPECT_EQ(lines[1].find('='), std::string::npos);
    header = split(lines[2], ',');
    for (std::size_t r = 3; r < lines.size(); ++r) {
      rows.push_back(split(lines[r], ','));
      EXPECT_EQ(rows.back().size(), header.size()) << p << " row " << r - 2;
      for (const auto& f : rows.back()) EXPECT_TRUE(whole_number(f)) << p << ": " << f;
    }
  }
  std::size_t col(const std::string& name) const {
    for (std::size_t i = 0; i < header.size(); ++i)
      if (header[i] == name) return i;
    ADD_FAILURE() << "no column " << name;
    return 0;
  }
  double f64(std::size_t r, const std::string& name) const {
    return std::strtod(rows.at(r).at(col(name)).c_str(), nullptr);
  }
  std::uint32_t f32_bits(std::size_t r, std::size_t c) const {
    return std::bit_cast<std::uint32_t>(std::strtof(rows.at(r).at(c).c_str(), nullptr));
  }
};

std::uint32_t bits(float v) {
  return std::bit_cast<std::uint32_t>(v);
}

constexpr float kAwkward[] = {1e-30f,   -0.0f,          123456789.0f, 0.1f, 3.4028235e38f,
                              -2.5e-7f, 1.1754944e-38f, 7.0f,         0.3f};
float awkward(int i) {
  return kAwkward[i % 9];
}

// Three cells (the second inside a body), two species, one surface of three
// triangles: triangle 3 is solid triangle 1 (a general normal), triangle 1
// is solid 2 (normal along x), triangle 2 an entry triangle. SCALE = 1000.
class ExportTest : public ::testing::Test {
 protected:
  support::TempDir dir;
  State s;
  ClosedSample closed;
  fs::path results = dir.path() / "results";

  ExportTest() {
    s.DIR = dir.path();
    s.EXPORT_VTK = false;  // the CSV tables alone; the VTK files have vtk_export_test
    s.SCALE = 1000.0f;
    s.MSP = 2;
    s.NCELLS = 3;
    s.CELL.allocate(kCellFields, 3);
    const float volume[] = {0.125f, 0.0f, 0.5f};
    for (int c = 1; c <= 3; ++c) {
      s.CELL(kCellVolume, c) = volume[c - 1];
      for (int k = kCellX; k <= kCellZ; ++k) s.CELL(k, c) = 250.0f * (k + c) - 900.0f;
    }
    s.VAR.allocate(19, 3);
    s.VARSP.allocate(11, 3, 2);
    for (std::size_t i = 0; i < s.VAR.size(); ++i) s.VAR.data()[i] = awkward(int(i));
    for (std::size_t i = 0; i < s.VARSP.size(); ++i) s.VARSP.data()[i] = awkward(int(i) + 4);
    s.NSURF = 1;
    s.NTRI = 3;
    s.NSTRI = 2;
    s.ITP.allocate(6, 3);
    s.ITP(4, 1) = 2, s.ITP(4, 2) = -1, s.ITP(4, 3) = 1;
    s.ISURFT.allocate(3);
    s.ISURFT.fill(1);
    s.TRI.allocate(kTriFields, 3);
    const float normal[3][3] = {{1, 0, 0}, {0, 0, 1}, {0.48f, 0.6f, 0.64f}};
    for (int N = 1; N <= 3; ++N) {
      for (int k = 0; k < 3; ++k) s.TRI(kTriNx + k, N) = normal[N - 1][k];
      s.TRI(kTriArea, N) = 2.0e6f * N;
      for (int k = kTriCx; k <= kTriCz; ++k) s.TRI(k, N) = 100.0f * k * N;
    }
    s.VARS.allocate(11, 2);
    for (std::size_t i = 0; i < s.VARS.size(); ++i) s.VARS.data()[i] = awkward(int(i) + 2);
    s.VARS(4, 1) = 0.1f, s.VARS(5, 1) = -2.5f, s.VARS(4, 2) = 3.0f, s.VARS(5, 2) = -0.0f;
    s.TIME = 2.5, s.FNUM = 1e12f, s.NOUT = 1, s.NM = 12345, s.DTM = 0.003f;
    closed.nsamp = 40, closed.tsampstart = 0.5f;
    closed.sforce.allocate(6, 1);
  }
};

TEST_F(ExportTest, CellsAndSpeciesRoundTripToTheResultsBitForBit) {
  export_output(s, closed, true);
  const Table cells(results / "cells_0001.csv");
  EXPECT_EQ(std::strtod(cells.keys.at("time").c_str(), nullptr), 2.5e-3);
  EXPECT_EQ(std::strtod(cells.keys.at("tsampstart").c_str(), nullptr), 0.5e-3);
  EXPECT_EQ(cells.keys.at("nsamp"), "40");
  EXPECT_EQ(cells.keys.at("nm"), "12345");
  EXPECT_EQ(split(read_file(results / "cells_0001.csv"), '\n')[2],
            "cell,x,y,z,volume,sample,n,rho,u,v,w,Ttr,Trot,Tvib,T,mach,mols,tcoll,mfp,csep_mfp,"
            "speed,p,frac1,frac2");
  ASSERT_EQ(cells.rows.size(), 3u);  // body cell 2 included
  for (int c = 1; c <= 3; ++c) {
    EXPECT_EQ(cells.rows[c - 1][0], std::to_string(c));
    EXPECT_FLOAT_EQ(cells.f64(c - 1, "y"), (250.0f * (3 + c) - 900.0f) / 1000.0f);
    EXPECT_FLOAT_EQ(cells.f64(c - 1, "volume"), s.CELL(kCellVolume, c) * 1e-9f);
    for (int k = 1; k <= 19; ++k) EXPECT_EQ(cells.f32_bits(c - 1, 4 + k), bits(s.VAR(k, c)));
  }
  const Table species(results / "species_0001.csv");
  ASSERT_EQ(species.rows.size(), 4u);  // cells 1 and 3, cell-major
  for (std::size_t r = 0; r < 4; ++r) {
    const int c = r < 2 ? 1 : 3, L = int(r % 2) + 1;
    EXPECT_EQ(species.rows[r][0] + species.rows[r][1], std::to_string(c) + std::to_string(L));
    for (int k = 1; k <= 11; ++k) EXPECT_EQ(species.f32_bits(r, 1 + k), bits(s.VARSP(k, c, L)));
  }
}

TEST_F(ExportTest, SurfaceRowsFollowSolidNumberingWithShearAlongTheSampledTangents) {
  export_output(s, closed, true);
  const Table t(results / "surface_0001.csv");
  ASSERT_EQ(t.rows.size(), 2u);
  const int tri_of[] = {3, 1};
  for (int j = 1; j <= 2; ++j) {
    const int N = tri_of[j - 1];
    EXPECT_EQ(t.f64(j - 1, "ntri"), N);
    EXPECT_FLOAT_EQ(t.f64(j - 1, "area"), 2.0f * N);
    EXPECT_FLOAT_EQ(t.f64(j - 1, "cy"), 0.7f * N);
    for (int k = 1; k <= 11; ++k) EXPECT_EQ(t.f32_bits(j - 1, 2 + k), bits(s.VARS(k, j)));
    // t1 = (0, nz, -ny)/sqrt(ny^2 + nz^2), t2 = n x t1; y and z for a normal along x.
    const double nx = s.TRI(kTriNx, N), ny = s.TRI(kTriNy, N), nz = s.TRI(kTriNz, N);
    const double st = std::hypot(ny, nz), a = s.VARS(4, j), b = s.VARS(5, j);
    const double expect[3] = {st > 1e-6 ? -st * b : 0.0,
                              st > 1e-6 ? (a * nz + b * nx * ny) / st : a,
                              st > 1e-6 ? (b * nx * nz - a * ny) / st : b};
    const char* axis[] = {"shearx", "sheary", "shearz"};
    for (int i = 0; i < 3; ++i) EXPECT_NEAR(t.f64(j - 1, axis[i]), expect[i], 1e-6);
    EXPECT_FLOAT_EQ(t.f64(j - 1, "shear"), std::hypot(a, b));
  }
}

TEST_F(ExportTest, ForceAndMomentAboutTheOriginFollowFromTheMomentumSums) {
  // One impulse p [kg m/s] at r [m], summed the way the surface sums are.
  const double p[3] = {2e-23, -3e-23, 5e-23}, r[3] = {0.5, 2.0, -1.5};
  const double sums[6] = {p[0],
                          p[1],
                          p[2],
                          p[0] * r[1] - p[1] * r[0],
                          p[2] * r[0] - p[0] * r[2],
                          p[1] * r[2] - p[2] * r[1]};
  for (int k = 0; k < 6; ++k) closed.sforce(k + 1, 1) = sums[k];
  export_output(s, closed, true);
  const double D = double(s.FNUM) * 1000.0 / 2.0;  // FNUM over the real sample time
  const double F[3] = {D * p[0], D * p[1], D * p[2]};
  const double M[3] = {r[1] * F[2] - r[2] * F[1], r[2] * F[0] - r[0] * F[2],
                       r[0] * F[1] - r[1] * F[0]};
  for (const char* file : {"forces_0001.csv", "forcehistory.csv"}) {
    const Table t(results / file);
    ASSERT_EQ(t.rows.size(), 1u) << file;
    for (int i = 0; i < 3; ++i) {
      EXPECT_NEAR(t.f64(0, std::string("F") + "xyz"[i]), F[i], 1e-12 * std::fabs(F[i]));
      EXPECT_NEAR(t.f64(0, std::string("M") + "xyz"[i]), M[i], 1e-12 * std::fabs(M[i]));
    }
  }
  s.NOUT = 2, closed.tsampstart = float(s.TIME);  // a sample spanning no time
  export_output(s, closed, true);
  const Table t(results / "forces_0002.csv");
  for (std::size_t c = 1; c < 7; ++c) EXPECT_EQ(t.rows.at(0).at(c), "0");
}

TEST_F(ExportTest, RunningTablesKeepOneRowPerOutputAndDropRowsAfterARewind) {
  for (int n = 1; n <= 3; ++n) {
    s.NOUT = n, s.TIME = n;
    export_output(s, closed, n == 2);
  }
  const std::string first_row = split(read_file(results / "outputs.csv"), '\n')[3];
  s.NOUT = 2, s.TIME = 1.75;  // continued from the restart files of output 1
  export_output(s, closed, false);
  for (const char* file : {"outputs.csv", "forcehistory.csv"}) {
    const Table t(results / file);
    ASSERT_EQ(t.rows.size(), 2u) << file;
    EXPECT_EQ(t.f64(0, "output"), 1);
    EXPECT_EQ(t.f64(1, "output"), 2);
    EXPECT_EQ(t.f64(1, "time"), 1.75e-3);
  }
  const Table outputs(results / "outputs.csv");
  EXPECT_EQ(split(read_file(results / "outputs.csv"), '\n')[3], first_row);
  EXPECT_FLOAT_EQ(outputs.f64(1, "dtm"), 3e-6f);
  EXPECT_EQ(outputs.f64(0, "reset"), 0);
}

TEST_F(ExportTest, ARunningTableNotAsWrittenStartsAfresh) {
  fs::create_directories(results);
  const std::string header =
      "output,time,nm,nsamp,tsampstart,dtm,csepmfp,totmov,totcol,totref,totent,nround,reset\n";
  for (const std::string& damaged :
       {std::string("output,time\n1,2\n"), header + "1,2,3\n",
        header + "1,2,3,4,5,6,7,8,9,10,11,12,x\n", std::string("\x01\xff")}) {
    write_file(results / "outputs.csv", damaged);
    s.NOUT = 4, export_output(s, closed, true);
    EXPECT_EQ(Table(results / "outputs.csv").rows.size(), 1u) << damaged;
  }
}

TEST_F(ExportTest, WritesItsFilesWholeAndOnlyWhenSwitchedOn) {
  s.EXPORT_CSV = false;
  export_output(s, closed, true);
  EXPECT_FALSE(fs::exists(results));
  s.EXPORT_CSV = true, export_output(s, closed, true);
  s.NSTRI = 0, s.NOUT = 2, export_output(s, closed, true);
  std::vector<std::string> names;
  for (const auto& e : fs::directory_iterator(results)) names.push_back(e.path().filename());
  std::sort(names.begin(), names.end());
  EXPECT_EQ(names, (std::vector<std::string>{"cells_0001.csv", "cells_0002.csv", "forcehistory.csv",
                                             "forces_0001.csv", "outputs.csv", "species_0001.csv",
                                             "species_0002.csv", "surface_0001.csv"}));
}

TEST_F(ExportTest, ClearResultsRemovesOnlyAnEarlierRunsExportFiles) {
  export_output(s, closed, true);
  const std::vector<std::string> keep = {"notes.txt", "cells_mine.csv", "cells_0001.png"};
  for (const auto& name : keep) write_file(results / name, "mine");
  write_file(results / "species_0007.csv.part", "stale");
  write_file(dir.path() / "outputs.csv", "not in results/");
  clear_results(s);
  std::vector<std::string> left;
  for (const auto& e : fs::directory_iterator(results)) left.push_back(e.path().filename());
  std::sort(left.begin(), left.end());
  EXPECT_EQ(left, (std::vector<std::string>{"cells_0001.png", "cells_mine.csv", "notes.txt"}));
  EXPECT_TRUE(fs::exists(dir.path() / "outputs.csv"));
}

TEST_F(ExportTest, AFailedWriteKeepsTheOldFileAndTellsDiag) {
  fs::create_directories(results / "cells_0001.csv.part");  // fopen cannot open it as a file
  write_file(results / "cells_0001.csv", "old");
  EXPECT_NO_THROW(export_output(s, closed, true));
  EXPECT_EQ(read_file(results / "cells_0001.csv"), "old");
  EXPECT_TRUE(s.DIAG.contains("cells_0001.csv not written"));
  EXPECT_TRUE(fs::exists(results / "species_0001.csv"));

  fs::remove_all(results);
  write_file(results, "a file where the directory belongs");
  EXPECT_NO_THROW(export_output(s, closed, true));
  EXPECT_TRUE(s.DIAG.contains("results cannot be made"));
}

TEST_F(ExportTest, BytesDoNotDependOnTheLocale) {
  export_output(s, closed, true);
  const std::string in_c = read_file(results / "cells_0001.csv");
  const char* comma = nullptr;
  for (const char* name : {"de_DE.UTF-8", "de_DE.utf8", "fr_FR.UTF-8", "ru_RU.UTF-8"})
    if ((comma = std::setlocale(LC_ALL, name))) break;
  if (!comma) GTEST_SKIP() << "no comma-decimal locale installed";
  export_output(s, closed, true);
  const std::string in_comma = read_file(results / "cells_0001.csv");
  std::setlocale(LC_ALL, "C");
  EXPECT_EQ(in_comma, in_c);
}

}  // namespace
}  // namespace qmxv
