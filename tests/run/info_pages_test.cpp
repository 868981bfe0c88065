#include "run/info_pages.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

using qmxv::info_page;
using qmxv::run_type_notes;

int word_count(const std::string& text) {
  std::istringstream in(text);
  int n = 0;
  for (std::string w; in >> w;) ++n;
  return n;
}

std::vector<std::string> split(const std::string& text, const std::string& sep) {
  std::vector<std::string> parts;
  std::size_t start = 0;
  for (std::size_t at; (at = text.find(sep, start)) != std::string::npos; start = at + sep.size())
    parts.push_back(text.substr(start, at - start));
  parts.push_back(text.substr(start));
  return parts;
}

// The text as a dialog shows it: a lone line break within a block becomes a
// blank; the blank line between blocks stays.
std::string as_shown(std::string text) {
  for (std::size_t i = 0; i < text.size(); ++i)
    if (text[i] == '\n' && (i == 0 || text[i - 1] != '\n') &&
        (i + 1 == text.size() || text[i + 1] != '\n'))
      text[i] = ' ';
  return text;
}

// Every way the page format can be broken, reported as one message per fault
// so a failing page names all its faults at once.
std::vector<std::string> format_faults(const std::string& text) {
  std::vector<std::string> faults;
  if (text.empty()) return {"empty text"};
  if (std::ranges::any_of(text,
                          [](unsigned char c) { return c != '\n' && (c < 0x20 || c > 0x7e); }))
    faults.push_back("a character outside printable ASCII");
  for (const char* markup : {"**", "__", "`", "<"})
    if (text.find(markup) != std::string::npos) faults.push_back(std::string("markup ") + markup);
  for (const auto& block : split(text, "\n\n")) {
    const auto lines = split(block, "\n");
    const bool heading = block.rfind("# ", 0) == 0;
    const bool list = block.rfind("- ", 0) == 0;
    for (const auto& line : lines) {
      if (line.empty() || line.front() == ' ' || line.back() == ' ')
        faults.push_back("empty or padded line in block: " + block.substr(0, 40));
      if (!list && line.rfind("- ", 0) == 0)
        faults.push_back("list item inside a paragraph: " + line);
      if (line.rfind("#", 0) == 0 && !(heading && line == lines.front()))
        faults.push_back("heading not in a block of its own: " + line);
    }
    if (heading && lines.size() != 1) faults.push_back("heading runs over lines: " + lines[0]);
    int quotes = 0, round = 0, square = 0;
    for (char c : block) {
      quotes += c == '"';
      round += (c == '(') - (c == ')');
      square += (c == '[') - (c == ']');
      if (round < 0 || square < 0) break;
    }
    if (quotes % 2 != 0 || round != 0 || square != 0)
      faults.push_back("unbalanced quotes or brackets in block: " + block.substr(0, 40));
  }
  return faults;
}

struct PageCase {
  int iinfo;
  const char* title;
};

class InfoPageTest : public ::testing::TestWithParam<PageCase> {};

TEST_P(InfoPageTest, HasItsTitleAFewHundredWordsAndWellFormedText) {
  const auto& page = info_page(GetParam().iinfo);
  EXPECT_EQ(page.title, GetParam().title);
  const int words = word_count(page.text);
  EXPECT_GE(words, 300) << page.title;
  EXPECT_LE(words, 900) << page.title;
  for (const auto& fault : format_faults(page.text)) ADD_FAILURE() << page.title << ": " << fault;
}

INSTANTIATE_TEST_SUITE_P(
    AllPages, InfoPageTest,
    ::testing::Values(PageCase{1, "The DSMC Method"},
                      PageCase{2, "Frequently Asked Questions about the DSMC Method"},
                      PageCase{3, "The QMXV Program"},
                      PageCase{4, "Frequently Asked Questions about the QMXV Program"}));

// What the program pages must tell: every run type, the batch command and
// its exit statuses, the files written, and (FAQ) how to check a surface
// without running.
TEST(InfoPages, ProgramPagesNameTheRunTypesTheBatchCommandAndTheExitStatuses) {
  const struct {
    int iinfo;
    std::vector<const char*> needed;
  } cases[] = {
      {3,
       {"\"Continue the Current Run\"", "\"Adapt Cells and Continue\"",
        "\"Start the Delta Wing Demo\"", "\"Start the Vacuum System Demo\"",
        "\"Start the STS Re-entry Demo\"", "\"Start a New Run from QMXVD.DAT and QMXSD.DAT\"",
        "\"About Program and Method\""}},
      {3,
       {"--batch", "--run-type N", "--outputs K", "--steps S", "--until SECONDS", "--dir D",
        "--help", "--version"}},
      {3,
       {"QMXV.CFG", "DIAG.TXT", "QMXVD.TXT", "QMXSD.TXT", "NODES.TXT", "QMXV*.RES", "DSCELLS.BMP",
        "D3Dnnnn.BMP"}},
      {3,
       {"2 bad data", "3 bad or missing restart files", "4 geometry fault",
        "130 stopped by Ctrl-C"}},
      {4, {"--run-type 7 --steps 0", "\"Start a New Run from QMXVD.DAT and QMXSD.DAT\""}},
  };
  for (const auto& c : cases) {
    const std::string shown = as_shown(info_page(c.iinfo).text);
    for (const char* needed : c.needed)
      EXPECT_NE(shown.find(needed), std::string::npos) << "page " << c.iinfo << ": " << needed;
  }
}

TEST(InfoPages, PageNumbersOutsideOneToFourAreRefused) {
  for (int iinfo : {0, 5, -1}) EXPECT_THROW(info_page(iinfo), std::out_of_range) << iinfo;
}

TEST(RunTypeNotes, HaveTheExactHeadingsAndStayCompact) {
  const auto& notes = run_type_notes();
  ASSERT_EQ(notes.size(), 2u);
  EXPECT_EQ(notes[0].first, "Details of the Demonstration Cases");
  EXPECT_EQ(notes[1].first, "Notes on a Typical  Run of these Cases");
  for (const auto& [heading, text] : notes) {
    EXPECT_LE(word_count(text), 90) << heading;
    EXPECT_EQ(text.find('\n'), std::string::npos) << heading << " must be one paragraph";
    for (const auto& fault : format_faults(text)) ADD_FAILURE() << heading << ": " << fault;
  }
  EXPECT_NE(notes[1].second.find("\"Adapt Cells and Continue\""), std::string::npos);
}

}  // namespace
