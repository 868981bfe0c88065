// Data files for the reader tests, built as inline text.
//
// Every value line ends in a comment tag "! NAME" (the reader ignores text
// after a record's values), so a test can find a record's line, change its
// value or cut the file after it without counting lines by hand.
#pragma once

#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "support/files.h"

namespace qmxv::test {

using support::read_file;
using support::TempDir;
using support::write_file;

inline std::vector<std::string> split_lines(const std::string& text) {
  std::vector<std::string> lines;
  std::stringstream ss(text);
  std::string l;
  while (std::getline(ss, l)) {
    if (!l.empty() && l.back() == '\r') l.pop_back();
    lines.push_back(l);
  }
  return lines;
}

// 1-based number of the line tagged "! tag".
inline int line_of(const std::string& text, const std::string& tag) {
  const auto lines = split_lines(text);
  for (std::size_t i = 0; i < lines.size(); ++i) {
    const std::string& l = lines[i];
    const std::string mark = "! " + tag;
    if (l.size() >= mark.size() && l.compare(l.size() - mark.size(), mark.size(), mark) == 0)
      return static_cast<int>(i) + 1;
  }
  throw std::runtime_error("no line tagged " + tag);
}

// The text with the value of the line tagged `tag` replaced.
inline std::string set_value(const std::string& text, const std::string& tag,
                             const std::string& value) {
  auto lines = split_lines(text);
  lines[static_cast<std::size_t>(line_of(text, tag) - 1)] = value + "  ! " + tag;
  std::string out;
  for (const auto& l : lines) out += l + "\n";
  return out;
}

// The text up to and including the line tagged `tag`.
inline std::string cut_after(const std::string& text, const std::string& tag) {
  const auto lines = split_lines(text);
  std::string out;
  for (int i = 0; i < line_of(text, tag); ++i) out += lines[static_cast<std::size_t>(i)] + "\n";
  return out;
}

inline std::string tagged(const std::string& value, const std::string& tag) {
  return value + "  ! " + tag + "\n";
}

// The records of species L: SP(1..4,L) (reference temperature 273 K),
// ISPR(1,L), ISPR(2,L) when it rotates, and in a gas with vibration
// (`vibrating_gas`, MMVM > 0) the mode count ISPV(L) with each mode's THETAV,
// SPVC(1) and SPVC(2).
struct Mode {
  std::string theta, c1, c2;
};
inline std::string species(int L, const std::string& diameter, const std::string& omega,
                           const std::string& mass, int rot = 0, int relax = 5,
                           bool vibrating_gas = false, const std::vector<Mode>& modes = {}) {
  const std::string l = std::to_string(L);
  std::string t = tagged(diameter, "SP(1," + l + ")") + tagged("273.", "SP(2," + l + ")") +
                  tagged(omega, "SP(3," + l + ")") + tagged(mass, "SP(4," + l + ")") +
                  tagged(std::to_string(rot), "ISPR(1," + l + ")");
  if (rot == 0) return t;
  t += tagged(std::to_string(relax), "ISPR(2," + l + ")");
  if (!vibrating_gas) return t;
  t += tagged(std::to_string(modes.size()), "ISPV(" + l + ")");
  for (std::size_t k = 0; k < modes.size(); ++k) {
    const std::string kl = std::to_string(k + 1) + "," + l;
    t += tagged(modes[k].theta, "THETAV(" + kl + ")") + tagged(modes[k].c1, "SPVC(1," + kl + ")") +
         tagged(modes[k].c2, "SPVC(2," + kl + ")");
  }
  return t;
}

inline std::string counts(int msp, int mmvm, int mnr, int mtbp, int mnsr) {
  return tagged(std::to_string(msp), "MSP") + tagged(std::to_string(mmvm), "MMVM") +
         tagged(std::to_string(mnr), "MNR") + tagged(std::to_string(mtbp), "MTBP") +
         tagged(std::to_string(mnsr), "MNSR");
}

// QMXVD.DAT in sections. The default is argon streaming through a box
// 1 x 0.5 x 0.5 m (SCALE 20), steady sampling, no surfaces needed.
struct GasFile {
  std::string region = tagged("0.0", "XMIN") + tagged("1.0", "XMAX") + tagged("-0.25", "YMIN") +
                       tagged("0.25", "YMAX") + tagged("0.0", "ZMIN") + tagged("0.5", "ZMAX");
  std::string grid = tagged("5", "NDIVX") + tagged("3", "NDIVY") + tagged("3", "NDIVZ") +
                     tagged("2", "NELX") + tagged("2", "NELY") + tagged("2", "NELZ");
  std::string counts = test::counts(1, 0, 0, 0, 0);
  std::string species = test::species(1, "4.17E-10", "0.81", "6.63E-26");
  std::string reactions;
  std::string stream_state = tagged("1.0E20", "FND") + tagged("300.", "FTMP") +
                             tagged("500.", "VFX") + tagged("0.", "VFY") + tagged("0.", "VFZ");
  std::vector<std::string> fractions = {"1.0"};
  std::string boundaries = tagged("3", "IB(1)") + tagged("4", "IB(2)") + tagged("2", "IB(3)") +
                           tagged("2", "IB(4)") + tagged("2", "IB(5)") + tagged("2", "IB(6)");
  std::string wall;  // VWALL, when IB(1) = 7
  std::string initial = tagged("1", "INIT") + tagged("0", "ISEP");
  std::string run = tagged("1.0E15", "FNUM") + tagged("1.0E-4", "TREF") + tagged("1", "ISTEADY") +
                    tagged("2.0", "ROUT") + tagged("10", "NSPI") + tagged("5", "NSTEADY") +
                    tagged("100000", "MNM") + tagged("5", "NMCT") + tagged("3", "NMTT") +
                    tagged("0", "IINDEX") + tagged("0", "ISUBC");

  std::string text() const {
    std::string fsp;
    for (std::size_t L = 0; L < fractions.size(); ++L)
      fsp += tagged(fractions[L], "FSP(" + std::to_string(L + 1) + ")");
    return region + grid + counts + species + reactions + stream_state + fsp + boundaries + wall +
           initial + run;
  }
};

// QMXSD.DAT of one square plate of two solid triangles for a one-species gas
// without surface reactions (the second triangle copies the first).
inline std::string plate_surface() {
  return tagged("1", "NSURF") + tagged("4", "NPTS(1)") + tagged("2", "NSTRIS(1)") +
         tagged("0", "NFTRIS(1)") + tagged("0.5 0.0 0.0", "P1") + tagged("0.5 0.2 0.0", "P2") +
         tagged("0.5 0.2 0.2", "P3") + tagged("0.5 0.0 0.2", "P4") + tagged("1 2 3", "T1") +
         tagged("1", "ITCODE1") + tagged("300.", "TSURF1") + tagged("0.0", "FSPEC1") +
         tagged("0.0", "FADS1") + tagged("0.0", "FOUT1") + tagged("1 3 4", "T2") +
         tagged("0", "ITCODE2");
}

}  // namespace qmxv::test
