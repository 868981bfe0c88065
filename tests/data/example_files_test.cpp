// The example data sets users start from must read: the commented examples
// in docs/formats.md (copied out between their marker lines) and the box
// case of `make run`.
#include <gtest/gtest.h>

#include <string>

#include "data/read_gas.h"
#include "data/read_surface.h"
#include "data_files.h"
#include "run/state.h"
#include "ui/scripted/scripted_toolkit.h"

namespace qmxv {
namespace {

namespace fs = std::filesystem;

// The lines between "<!-- example NAME begin -->" and its end marker,
// without the code fence around them.
std::string doc_example(const std::string& doc, const std::string& name) {
  const std::string begin = "<!-- example " + name + " begin -->";
  const std::string end = "<!-- example " + name + " end -->";
  std::string out;
  bool inside = false;
  for (const std::string& line : test::split_lines(doc)) {
    if (line == begin) {
      inside = true;
    } else if (line == end) {
      return out;
    } else if (inside && line.rfind("```", 0) != 0) {
      out += line + "\n";
    }
  }
  ADD_FAILURE() << "no complete example " << name << " in docs/formats.md";
  return out;
}

void read_both(State& s, const fs::path& dir) {
  s.DIR = dir;
  ui::ScriptedToolkit ui;
  read_gas_data(s, ui);
  read_surface_data(s);
  EXPECT_TRUE(ui.shown().empty());
}

TEST(ExampleFiles, FormatsDocumentExamplesReadAsDescribed) {
  const std::string doc = test::read_file(fs::path(QMXV_SOURCE_DIR) / "docs" / "formats.md");
  test::TempDir dir;
  test::write_file(dir.path() / "QMXVD.DAT", doc_example(doc, "QMXVD.DAT"));
  test::write_file(dir.path() / "QMXSD.DAT", doc_example(doc, "QMXSD.DAT"));
  State s;
  read_both(s, dir.path());
  // What the text around the examples promises.
  EXPECT_EQ(s.MSP, 2);
  EXPECT_FLOAT_EQ(s.SCALE, 20.0f);
  EXPECT_EQ(s.ISPV(1), 1);
  EXPECT_FLOAT_EQ(s.SPVC(2, 1, 2), 0.0f);
  EXPECT_EQ(s.INIT, 2);
  EXPECT_EQ(s.ISTEADY, 0);
  EXPECT_EQ(s.ISUBC, 1);
  EXPECT_EQ(s.NSURF, 2);
  EXPECT_EQ(s.NSTRI, 12);
  EXPECT_EQ(s.NFTRI, 2);
  for (int s_index = 1; s_index <= 12; ++s_index) EXPECT_FLOAT_EQ(s.TSURF(s_index), 300.0f);
  EXPECT_FLOAT_EQ(s.ENTV(1, 1), 600.0f);
  EXPECT_FLOAT_EQ(s.ENTV(1, 2), s.VFX);  // the stream element
  EXPECT_FLOAT_EQ(s.ENTFSP(2, 2), 0.21f);
}

TEST(ExampleFiles, BoxCaseOfMakeRunReads) {
  const fs::path box = fs::path(QMXV_SOURCE_DIR) / "examples" / "box";
  test::TempDir dir;
  for (const char* name : {"QMXVD.DAT", "QMXSD.DAT"}) fs::copy_file(box / name, dir.path() / name);
  State s;
  read_both(s, dir.path());
  EXPECT_EQ(s.MSP, 1);
  EXPECT_EQ(s.NSURF, 1);
  EXPECT_EQ(s.NSTRI, 12);
  // A few thousand simulated molecules: FND x flow volume / FNUM.
  const double volume = (s.XMAX - s.XMIN) * (s.YMAX - s.YMIN) * (s.ZMAX - s.ZMIN) /
                        (double(s.SCALE) * s.SCALE * s.SCALE);
  const double molecules = s.FND * volume / s.FNUM;
  EXPECT_GT(molecules, 1000.0);
  EXPECT_LT(molecules, 10000.0);
  EXPECT_LT(molecules, s.MNM);
}

}  // namespace
}  // namespace qmxv
