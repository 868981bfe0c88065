// The VTK results of an output, read back by a strict XML reader and decoder
// (base64 and zlib blocks): the lattice's extent and cell order, hidden
// elements, values equal to the CSV tables bit for bit, arrays of many
// compressed blocks, the time series across a continued run, the clearing of
// an earlier run's files, and a read by VTK's own readers.
#include <gtest/gtest.h>
#include <zlib.h>

#include <algorithm>
#include <bit>
#include <cctype>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iterator>
#include <map>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

#include "output/export.h"
#include "run/state.h"
#include "support/files.h"

namespace qmxv {
namespace {

namespace fs = std::filesystem;
using support::read_file;
using support::write_file;

// ---- a strict reader of the XML the export writes ----

struct Xml {
  std::string name, text;
  std::map<std::string, std::string> attr;
  std::vector<Xml> children;

  std::vector<const Xml*> all(const std::string& n) const {
    std::vector<const Xml*> found;
    for (const Xml& c : children)
      if (c.name == n || (c.name == "DataArray" && c.get("Name") == n)) found.push_back(&c);
    return found;
  }
  std::string get(const std::string& key) const {
    const auto it = attr.find(key);
    return it == attr.end() ? "" : it->second;
  }
  // The one child element, or DataArray, named n.
  const Xml& child(const std::string& n) const {
    static const Xml none;
    const auto found = all(n);
    EXPECT_EQ(found.size(), 1u) << "<" << name << "> holding " << n;
    return found.size() == 1 ? *found[0] : none;
  }
};

// Elements with double-quoted attributes and plain text; "" or the first
// fault (an unclosed or mismatched tag, markup in text or in a value).
std::string element(std::string_view in, std::size_t& pos, Xml& e) {
  auto space = [&] {
    while (pos < in.size() && std::isspace(static_cast<unsigned char>(in[pos]))) ++pos;
  };
  auto name = [&] {
    const std::size_t from = pos;
    while (pos < in.size() && (std::isalnum(static_cast<unsigned char>(in[pos])) || in[pos] == '_'))
      ++pos;
    return std::string(in.substr(from, pos - from));
  };
  auto take = [&](std::string_view what) {
    if (in.substr(pos).starts_with(what)) return pos += what.size(), true;
    return false;
  };
  if (!take("<") || (e.name = name()).empty()) return "expected a tag at " + std::to_string(pos);
  for (space(); !take(">"); space()) {
    if (take("/>")) return "";
    const std::string key = name();
    const std::size_t end = in.find('"', pos + 2);
    if (key.empty() || !take("=\"") || end == std::string_view::npos)
      return "bad attribute in " + e.name;
    const std::string value(in.substr(pos, end - pos));
    if (value.find_first_of("<&") != std::string::npos || !e.attr.emplace(key, value).second)
      return "bad or repeated attribute " + key;
    pos = end + 1;
  }
  while (pos < in.size()) {
    if (take("</")) return name() == e.name && take(">") ? "" : "mismatched end of " + e.name;
    if (in[pos] == '<') {
      const std::string fault = element(in, pos, e.children.emplace_back());
      if (!fault.empty()) return fault;
    } else if (in[pos] == '&' || in[pos] == '>') {
      return "markup in the text of " + e.name;
    } else {
      e.text += in[pos++];
    }
  }
  return "unclosed " + e.name;
}

Xml read_xml(const fs::path& p) {
  const std::string text = read_file(p);
  const std::string prolog = "<?xml version=\"1.0\"?>\n";
  EXPECT_TRUE(text.starts_with(prolog)) << p;
  std::size_t pos = prolog.size();
  Xml root;
  EXPECT_EQ(element(text, pos, root), "") << p;
  EXPECT_EQ(text.substr(pos), "\n") << p << ": text after the root";
  return root;
}

// RFC 4648 base64, strictly: whole quartets, padding only at the end.
std::vector<unsigned char> base64_decode(std::string_view text) {
  static const std::string_view kAlphabet =
      "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
  EXPECT_EQ(text.size() % 4, 0u);
  const std::size_t pad = text.ends_with("==") ? 2 : text.ends_with("=") ? 1 : 0;
  std::vector<unsigned char> out;
  unsigned v = 0;
  for (std::size_t i = 0; i < text.size() - pad; ++i) {
    const std::size_t d = kAlphabet.find(text[i]);
    EXPECT_NE(d, std::string_view::npos) << "base64 character " << text[i];
    v = v << 6 | unsigned(d & 63);
    if (i % 4 == 3) out.insert(out.end(), {uint8_t(v >> 16), uint8_t(v >> 8), uint8_t(v)});
  }
  if (pad == 2) out.push_back(uint8_t(v >> 4));
  if (pad == 1) out.insert(out.end(), {uint8_t(v >> 10), uint8_t(v >> 2)});
  return out;
}

template <typename T>
constexpr const char* kVtkType = std::is_same_v<T, float>          ? "Float32"
                                 : std::is_same_v<T, double>       ? "Float64"
                                 : std::is_same_v<T, std::int32_t> ? "Int32"
                                                                   : "UInt8";

// The bytes of an inline binary DataArray in VTK's zlib layout, with the
// number of blocks they came in. The text must be exactly two base64 strings:
// the UInt64 header [blocks, block size, size of a partial last block or 0,
// compressed size of each block], then the compressed blocks, each of which
// must inflate to exactly its share of the `size` bytes.
struct Inflated {
  std::vector<unsigned char> bytes;
  std::uint64_t blocks = 0;
};

Inflated inflate_array(const std::string& name, std::string_view text, std::size_t size) {
  Inflated out;
  std::uint64_t word[3] = {0, 0, 0};
  const std::vector<unsigned char> first = base64_decode(text.substr(0, 32));
  if (first.size() == sizeof word) std::memcpy(word, first.data(), sizeof word);
  const auto [blocks, block, last] = word;
  EXPECT_GT(block, 0u) << name;
  if (block == 0 || blocks > text.size()) return out;
  EXPECT_EQ(blocks, (size + block - 1) / block) << name;
  EXPECT_EQ(last, size % block) << name;
  const std::size_t header_chars = (8 * (3 + blocks) + 2) / 3 * 4;
  const std::vector<unsigned char> header = base64_decode(text.substr(0, header_chars));
  const std::vector<unsigned char> data =
      base64_decode(text.substr(std::min(header_chars, text.size())));
  std::vector<std::uint64_t> compressed(blocks);
  if (header.size() == 8 * (3 + blocks))
    std::memcpy(compressed.data(), header.data() + 24, 8 * blocks);
  std::size_t at = 0;
  for (std::uint64_t i = 0; i < blocks; ++i) {
    const std::uint64_t expected = i + 1 < blocks || last == 0 ? block : last;
    if (at + compressed[i] > data.size()) break;
    std::vector<unsigned char> plain(expected + 1);
    uLongf got = plain.size();
    EXPECT_EQ(::uncompress(plain.data(), &got, data.data() + at, uLong(compressed[i])), Z_OK)
        << name << " block " << i;
    EXPECT_EQ(got, expected) << name << " block " << i;
    out.bytes.insert(out.bytes.end(), plain.begin(),
                     plain.begin() + std::min(got, uLongf(expected)));
    at += compressed[i];
  }
  EXPECT_EQ(at, data.size()) << name << ": compressed bytes not named by the header";
  out.blocks = blocks;
  return out;
}

// The values of an inline binary DataArray, which must hold exactly `count`:
// its type, declared tuples and components, and its compressed bytes agree.
template <typename T>
std::vector<T> values(const Xml& a, std::size_t count) {
  const std::string name = a.get("Name");
  EXPECT_EQ(a.get("type"), kVtkType<T>) << name;
  EXPECT_EQ(a.get("format"), "binary") << name;
  EXPECT_EQ(
      std::atol(a.get("NumberOfTuples").c_str()) * std::atol(a.get("NumberOfComponents").c_str()),
      long(count))
      << name;
  const Inflated in = inflate_array(name, a.text, count * sizeof(T));
  std::vector<T> v(count);
  EXPECT_EQ(in.bytes.size(), count * sizeof(T)) << name;
  if (in.bytes.size() == count * sizeof(T)) std::memcpy(v.data(), in.bytes.data(), in.bytes.size());
  return v;
}

std::uint32_t bits(float v) {
  return std::bit_cast<std::uint32_t>(v);
}

// A CSV results table by column name (its layout is export_test's subject).
struct Csv {
  std::vector<std::string> header;
  std::vector<std::vector<std::string>> rows;
  explicit Csv(const fs::path& p) {
    std::istringstream in(read_file(p));
    std::string line;
    for (int n = 0; std::getline(in, line); ++n) {
      std::vector<std::string> fields(1);
      for (char ch : line) ch == ',' ? void(fields.emplace_back()) : fields.back().push_back(ch);
      if (n >= 2) (n == 2 ? header : rows.emplace_back()) = fields;
    }
  }
  float f32(std::size_t r, const std::string& column) const {
    const auto at = std::find(header.begin(), header.end(), column);
    EXPECT_NE(at, header.end()) << column;
    return at == header.end() ? 0.0f
                              : std::strtof(rows.at(r).at(at - header.begin()).c_str(), nullptr);
  }
};

// The names of the two VTK data sets' cell arrays, and their components.
const std::vector<std::string> kFlowArrays = {
    "cell", "sample", "n",   "rho",      "velocity", "Ttr", "Trot",  "Tvib",  "T",           "mach",
    "mols", "tcoll",  "mfp", "csep_mfp", "speed",    "p",   "frac1", "frac2", "vtkGhostType"};
const std::vector<std::string> kSurfaceArrays = {
    "tri",  "surface", "area",  "sample", "nflux", "p",     "shear1",       "shear2", "qinc",
    "qref", "qnet",    "Tsurf", "frac1",  "frac2", "shear", "shear_vector", "normal", "ntri"};
int components(const std::string& name) {
  return name == "velocity" || name == "shear_vector" || name == "normal" ? 3 : 1;
}

constexpr int kNX = 4, kNY = 3, kNZ = 2;  // elements along x, y, z
constexpr int kBodyCell = 5;

// The cell of element (ix, iy, iz): a scramble of 24 cells, so that any other
// order of the elements meets other cells; every fifth element without flow.
int cell_at(int ix, int iy, int iz) {
  const int i = ix + kNX * (iy + kNY * iz);
  if (i % 5 == 3) return i % 2 ? -1 : 0;
  return 1 + 7 * i % 24;
}

// A 4 x 3 x 2 element lattice in 2 x 1 x 2 divisions of 2 x 3 x 1 elements,
// 24 cells (cell 5 inside a body), two species, and one surface of three
// triangles on six points: triangle 3 is solid triangle 1, triangle 1 solid
// 2, triangle 2 an entry triangle (its point 6 belongs to no solid). SCALE =
// 1000.
class VtkExportTest : public ::testing::Test {
 protected:
  support::TempDir dir;
  State s;
  ClosedSample closed;
  fs::path results = dir.path() / "results";

  VtkExportTest() {
    s.DIR = dir.path();
    s.SCALE = 1000.0f;
    s.MSP = 2;
    s.XMIN = -500.0f, s.YMIN = 0.0f, s.ZMIN = 250.0f;
    s.NDIVX = 2, s.NDIVY = 1, s.NDIVZ = 2, s.NELX = 2, s.NELY = 3, s.NELZ = 1;
    s.DEX = 100.0f, s.DEY = 200.0f, s.DEZ = 300.0f;
    s.IELCELL.allocate(2, 1, 2, 1, 3, 2);
    for (int idx = 1; idx <= 2; ++idx)
      for (int idz = 1; idz <= 2; ++idz)
        for (int iex = 1; iex <= 2; ++iex)
          for (int iey = 1; iey <= 3; ++iey)
            s.IELCELL(idz, 1, idx, 1, iey, iex) =
                cell_at(2 * (idx - 1) + iex - 1, iey - 1, idz - 1);
    s.NCELLS = 24;
    s.CELL.allocate(kCellFields, 24);
    s.VAR.allocate(19, 24);
    s.VARSP.allocate(11, 24, 2);
    for (int c = 1; c <= 24; ++c) {
      s.CELL(kCellVolume, c) = c == kBodyCell ? 0.0f : 1.0e6f;
      for (int k = 1; k <= 19; ++k) s.VAR(k, c) = 1000.0f * k + c + 0.1f;
    }
    s.NSURF = 1, s.NPT = 6, s.NTRI = 3, s.NSTRI = 2;
    s.XPT.allocate(6), s.YPT.allocate(6), s.ZPT.allocate(6);
    for (int p = 1; p <= 6; ++p)
      s.XPT(p) = 100.0f * p, s.YPT(p) = 30.0f * p * p, s.ZPT(p) = -7.0f * p;
    s.ITP.allocate(6, 3);
    const int corners[3][3] = {{1, 2, 3}, {3, 4, 6}, {2, 4, 5}};
    for (int N = 1; N <= 3; ++N)
      for (int v = 0; v < 3; ++v) s.ITP(v + 1, N) = corners[N - 1][v];
    s.ITP(4, 1) = 2, s.ITP(4, 2) = -1, s.ITP(4, 3) = 1;
    s.ISURFT.allocate(3);
    s.ISURFT.fill(1);
    s.TRI.allocate(kTriFields, 3);
    const float normal[3][3] = {{1, 0, 0}, {0, 0, 1}, {0.48f, 0.6f, 0.64f}};
    for (int N = 1; N <= 3; ++N) {
      for (int k = 0; k < 3; ++k) s.TRI(kTriNx + k, N) = normal[N - 1][k];
      s.TRI(kTriArea, N) = 2.0e6f * N;
      for (int v = 0; v < 3; ++v) {
        s.TRI(kTriCx, N) += s.XPT(corners[N - 1][v]) / 3;
        s.TRI(kTriCy, N) += s.YPT(corners[N - 1][v]) / 3;
        s.TRI(kTriCz, N) += s.ZPT(corners[N - 1][v]) / 3;
      }
    }
    s.VARS.allocate(11, 2);
    for (std::size_t i = 0; i < s.VARS.size(); ++i) s.VARS.data()[i] = 0.37f * float(i) - 1.0f;
    s.TIME = 2.5, s.FNUM = 1e12f, s.NOUT = 1, s.NM = 12345, s.DTM = 0.003f;
    closed.nsamp = 40, closed.tsampstart = 0.5f;
    closed.sforce.allocate(6, 1);
  }

  // The names of a DataArray holder's arrays, in order.
  static std::vector<std::string> names(const Xml& holder) {
    std::vector<std::string> n;
    for (const Xml* a : holder.all("DataArray")) n.push_back(a->get("Name"));
    return n;
  }

  // The cell of element (ix, iy) of a square lattice: 8 x 8 elements to a
  // cell, as a real case's cells each span many elements.
  static int square_cell(int ix, int iy, int nx) { return 1 + ix / 8 + (nx + 7) / 8 * (iy / 8); }

  // In place of the 4 x 3 x 2 lattice: nx x ny x 1 elements in one division,
  // their cells by square_cell (cell 5 still inside the body).
  void square_lattice(int nx, int ny) {
    s.NDIVX = s.NDIVY = s.NDIVZ = 1, s.NELX = nx, s.NELY = ny, s.NELZ = 1;
    s.IELCELL.allocate(1, 1, 1, 1, ny, nx);
    for (int iy = 0; iy < ny; ++iy)
      for (int ix = 0; ix < nx; ++ix)
        s.IELCELL(1, 1, 1, 1, iy + 1, ix + 1) = square_cell(ix, iy, nx);
    s.NCELLS = (nx + 7) / 8 * ((ny + 7) / 8);
    s.CELL.allocate(kCellFields, s.NCELLS);
    s.VAR.allocate(19, s.NCELLS);
    for (int c = 1; c <= s.NCELLS; ++c) {
      s.CELL(kCellVolume, c) = c == kBodyCell ? 0.0f : 1.0e6f;
      for (int k = 1; k <= 19; ++k) s.VAR(k, c) = 1000.0f * k + c + 0.1f;
    }
    s.EXPORT_CSV = false;
  }
};

bool vtk_installed() {
  return std::system("/usr/bin/python3 -c 'import vtkmodules.vtkIOXML' >/dev/null 2>&1") == 0;
}

// What read_vtk.py prints for a results folder, each line by its first two
// words ("array FILE" lines by three).
std::map<std::string, std::vector<std::string>> read_with_vtk(const fs::path& results) {
  std::map<std::string, std::vector<std::string>> line;
  const std::string command = "/usr/bin/python3 " QMXV_SOURCE_DIR "/tests/output/read_vtk.py '" +
                              results.string() + "' 2>&1";
  std::FILE* pipe = ::popen(command.c_str(), "r");
  EXPECT_NE(pipe, nullptr);
  if (!pipe) return line;
  std::string out;
  char buf[4096];
  for (std::size_t got; (got = std::fread(buf, 1, sizeof buf, pipe)) > 0;) out.append(buf, got);
  EXPECT_EQ(::pclose(pipe), 0) << out;
  std::istringstream in(out);
  for (std::string text; std::getline(in, text);) {
    std::istringstream words(text);
    std::vector<std::string> w{std::istream_iterator<std::string>(words), {}};
    if (w.size() >= 3) line[w[0] + " " + w[1] + (w[0] == "array" ? " " + w[2] : "")] = w;
  }
  return line;
}

TEST_F(VtkExportTest, LatticeCarriesEachElementsCellInVtkOrderWithNoFlowAndBodyHidden) {
  export_output(s, closed, true);
  const Xml vti = read_xml(results / "flow_0001.vti");
  EXPECT_EQ(vti.get("type") + " " + vti.get("header_type") + " " + vti.get("compressor"),
            "ImageData UInt64 vtkZLibDataCompressor");
  const Xml& image = vti.child("ImageData");
  EXPECT_EQ(image.get("WholeExtent"), "0 4 0 3 0 2");
  EXPECT_EQ(image.get("Origin"), "-0.5 0 0.25");  // [m]
  EXPECT_EQ(image.get("Spacing"), "0.100000001 0.200000003 0.300000012");
  EXPECT_EQ(values<double>(image.child("FieldData").child("TimeValue"), 1)[0], 2.5e-3);
  EXPECT_EQ(image.child("Piece").get("Extent"), "0 4 0 3 0 2");
  const Xml& cells = image.child("Piece").child("CellData");
  EXPECT_EQ(names(cells), kFlowArrays);
  constexpr std::size_t n = kNX * kNY * kNZ;
  const auto cell = values<std::int32_t>(cells.child("cell"), n);
  const auto ghost = values<std::uint8_t>(cells.child("vtkGhostType"), n);
  const auto velocity = values<float>(cells.child("velocity"), 3 * n);
  const auto density = values<float>(cells.child("n"), n),
             frac2 = values<float>(cells.child("frac2"), n);
  int hidden = 0;
  for (int iz = 0; iz < kNZ; ++iz)
    for (int iy = 0; iy < kNY; ++iy)
      for (int ix = 0; ix < kNX; ++ix) {
        const std::size_t i = ix + kNX * (iy + kNY * iz);
        const int c = cell_at(ix, iy, iz);
        hidden += c < 1 || c == kBodyCell;
        EXPECT_EQ(ghost[i], c < 1 || c == kBodyCell ? 32 : 0) << i;
        EXPECT_EQ(cell[i], std::max(c, 0)) << i;
        if (c < 1) continue;
        // VAR(k, c) = 1000 k + c + 0.1: the row and the cell of every value.
        EXPECT_EQ(bits(density[i]), bits(s.VAR(2, c)));
        EXPECT_EQ(bits(frac2[i]), bits(s.VAR(19, c)));
        for (int k = 0; k < 3; ++k) EXPECT_EQ(bits(velocity[3 * i + k]), bits(s.VAR(4 + k, c)));
      }
  EXPECT_EQ(hidden, 5 + 1);  // five elements without flow, one in the body cell
}

TEST_F(VtkExportTest, FlowAndSurfaceValuesEqualTheCsvTablesBitForBit) {
  export_output(s, closed, true);
  const Csv cells_csv(results / "cells_0001.csv"), tri_csv(results / "surface_0001.csv");
  const Xml vti = read_xml(results / "flow_0001.vti"), vtp = read_xml(results / "surface_0001.vtp");
  // Every array against its CSV column(s), vectors against their three columns.
  auto compare = [](const Xml& holder, const std::vector<std::string>& arrays, const Csv& csv,
                    std::size_t n, auto row_of) {
    for (const std::string& name : arrays) {
      const Xml& a = holder.child(name);
      const int m = components(name);
      std::vector<float> f;
      if (a.get("type") == "Int32")
        for (std::int32_t x : values<std::int32_t>(a, n)) f.push_back(float(x));
      else
        f = values<float>(a, m * n);
      for (std::size_t i = 0; i < n; ++i)
        for (int k = 0; k < m && row_of(i) >= 0; ++k) {
          const std::string column = name == "velocity"       ? std::string(1, "uvw"[k])
                                     : name == "shear_vector" ? std::string("shear") + "xyz"[k]
                                     : name == "normal"       ? std::string("n") + "xyz"[k]
                                                              : name;
          EXPECT_EQ(bits(f[m * i + k]), bits(csv.f32(row_of(i), column))) << name << " " << i;
        }
    }
  };
  const Xml& cells = vti.child("ImageData").child("Piece").child("CellData");
  const auto cell = values<std::int32_t>(cells.child("cell"), kNX * kNY * kNZ);
  std::vector<std::string> flow_arrays(kFlowArrays.begin(), kFlowArrays.end() - 1);  // no ghosts
  compare(cells, flow_arrays, cells_csv, cell.size(), [&](std::size_t i) { return cell[i] - 1; });

  const Xml& piece = vtp.child("PolyData").child("Piece");
  EXPECT_EQ(piece.get("NumberOfPolys") + " " + piece.get("NumberOfPoints"), "2 5");
  EXPECT_EQ(names(piece.child("CellData")), kSurfaceArrays);
  compare(piece.child("CellData"), kSurfaceArrays, tri_csv, 2,
          [](std::size_t i) { return int(i); });
  // The corners each polygon names have its triangle's centroid; the entry
  // triangle's own point 6 is left out.
  const auto xyz = values<float>(piece.child("Points").child("Points"), 15);
  const auto ids = values<std::int32_t>(piece.child("Polys").child("connectivity"), 6);
  EXPECT_EQ(values<std::int32_t>(piece.child("Polys").child("offsets"), 2),
            (std::vector<std::int32_t>{3, 6}));
  for (std::size_t r = 0; r < 2; ++r)
    for (int k = 0; k < 3; ++k)
      EXPECT_FLOAT_EQ(
          (xyz[3 * ids[3 * r] + k] + xyz[3 * ids[3 * r + 1] + k] + xyz[3 * ids[3 * r + 2] + k]) / 3,
          tri_csv.f32(r, std::string("c") + "xyz"[k]))
          << r << k;
}

// "flow_0001.vti@0.001": a file and its flow time as a collection lists them.
std::string at(const std::string& file, double time) {
  char buf[64];
  std::snprintf(buf, sizeof buf, "@%.17g", time);
  return file + buf;
}

std::vector<std::string> entries(const fs::path& pvd) {
  std::vector<std::string> files;
  const Xml root = read_xml(pvd);
  EXPECT_EQ(root.get("type"), "Collection");
  for (const Xml* d : root.child("Collection").all("DataSet"))
    files.push_back(d->get("file") + "@" + d->get("timestep"));
  return files;
}

TEST_F(VtkExportTest, TimeSeriesListsEveryOutputOnceAndDropsLaterOnesAfterARewind) {
  for (int n = 1; n <= 3; ++n) {
    s.NOUT = n, s.TIME = n;
    export_output(s, closed, true);
  }
  EXPECT_EQ(entries(results / "flow.pvd"),
            (std::vector<std::string>{at("flow_0001.vti", 1e-3), at("flow_0002.vti", 2e-3),
                                      at("flow_0003.vti", 3e-3)}));
  const std::string before = read_file(results / "surface.pvd");
  s.NOUT = 2, s.TIME = 1.75;  // continued from the restart files of output 1
  export_output(s, closed, false);
  EXPECT_EQ(entries(results / "flow.pvd"),
            (std::vector<std::string>{at("flow_0001.vti", 1e-3), at("flow_0002.vti", 1.75e-3)}));
  EXPECT_EQ(
      entries(results / "surface.pvd"),
      (std::vector<std::string>{at("surface_0001.vtp", 1e-3), at("surface_0002.vtp", 1.75e-3)}));
  const std::size_t kept =
      before.find('\n', before.find("surface_0001"));  // output 1's entry word for word
  EXPECT_EQ(read_file(results / "surface.pvd").substr(0, kept), before.substr(0, kept));

  const std::string good = read_file(results / "flow.pvd");
  for (const std::string& damaged :
       {good.substr(0, good.size() / 2), std::string("<VTKFile/>\n"),
        good.substr(0, good.find("flow_0002")) + "flow_x.vti\"/>\n  </Collection>\n</VTKFile>\n"}) {
    write_file(results / "flow.pvd", damaged);
    s.NOUT = 3, export_output(s, closed, true);
    EXPECT_EQ(entries(results / "flow.pvd"),
              (std::vector<std::string>{at("flow_0003.vti", 1.75e-3)}))
        << damaged;
  }
  EXPECT_TRUE(s.DIAG.contains("flow.pvd is not as this program writes it"));
}

TEST_F(VtkExportTest, ModesFailuresAndClearingTouchOnlyTheirOwnFiles) {
  auto listing = [&] {
    std::vector<std::string> found;
    if (fs::exists(results))
      for (const auto& e : fs::directory_iterator(results)) found.push_back(e.path().filename());
    std::sort(found.begin(), found.end());
    return found;
  };
  const std::vector<std::string> vtk = {"flow.pvd", "flow_0001.vti", "surface.pvd",
                                        "surface_0001.vtp"};
  s.EXPORT_CSV = s.EXPORT_VTK = false, export_output(s, closed, true);
  EXPECT_EQ(listing(), std::vector<std::string>{});
  s.EXPORT_VTK = true, export_output(s, closed, true);
  EXPECT_EQ(listing(), vtk);
  const std::string once =
      read_file(results / "flow_0001.vti") + read_file(results / "surface_0001.vtp");
  export_output(s, closed, true);  // the same results, the same bytes
  EXPECT_EQ(read_file(results / "flow_0001.vti") + read_file(results / "surface_0001.vtp"), once);
  s.NSTRI = 0, s.NOUT = 2, export_output(s, closed, true);  // no solid triangles, no surface files
  EXPECT_EQ(listing().size(), vtk.size() + 1);

  s.NOUT = 1;
  fs::create_directories(results / "flow_0001.vti.part");  // fopen cannot open it as a file
  write_file(results / "flow_0001.vti", "old");
  EXPECT_NO_THROW(export_output(s, closed, true));
  EXPECT_EQ(read_file(results / "flow_0001.vti"), "old");
  EXPECT_TRUE(s.DIAG.contains("flow_0001.vti not written"));
  EXPECT_EQ(entries(results / "flow.pvd").size(), 1u);  // the old file is still listed
  fs::remove(results / "flow_0001.vti.part");

  const std::vector<std::string> mine = {"cells.pvd", "flow_.vti", "flow_0001.vtu", "flow_mine.vti",
                                         "surface.pvd.bak"};
  for (const auto& name : mine) write_file(results / name, "mine");
  write_file(results / "surface_0009.vtp.part", "stale");
  clear_results(s);
  EXPECT_EQ(listing(), mine);
}

// VTK's own readers: the counts a truncated or misdeclared file would lose,
// the cells a viewer hides, and values at known elements and points.
TEST_F(VtkExportTest, VtkReadersReadTheFilesWithTheirCountsAndValues) {
  if (!vtk_installed())
    GTEST_SKIP() << "VTK for /usr/bin/python3 not installed (Debian package python3-vtk9)";
  export_output(s, closed, true);
  auto line = read_with_vtk(results);
  using Words = std::vector<std::string>;
  const std::string time = at("", 2.5e-3).substr(1);
  EXPECT_EQ(line["file flow_0001.vti"], (Words{"file", "flow_0001.vti", "timestep", time, "points",
                                               "60", "cells", "24", "errors", "0"}));
  EXPECT_EQ(line["dims flow_0001.vti"], (Words{"dims", "flow_0001.vti", "5", "4", "3"}));
  EXPECT_EQ(line["file surface_0001.vtp"], (Words{"file", "surface_0001.vtp", "timestep", time,
                                                  "points", "5", "cells", "2", "errors", "0"}));
  EXPECT_EQ(line["polys surface_0001.vtp"],
            (Words{"polys", "surface_0001.vtp", "0", "1", "2", "3", "0", "4"}));
  // The elements without flow (every fifth from 3) and the one in the body cell (4).
  EXPECT_EQ(line["hidden flow_0001.vti"],
            (Words{"hidden", "flow_0001.vti", "3", "4", "8", "13", "18", "23"}));
  for (const std::string& name : kFlowArrays)
    EXPECT_EQ(line["array flow_0001.vti " + name].size(), 5u + 24 * components(name)) << name;
  for (const std::string& name : kSurfaceArrays)
    EXPECT_EQ(line["array surface_0001.vtp " + name].size(), 5u + 2 * components(name)) << name;
  // Element (1, 2, 1) at 1 + 4 (2 + 3 * 1) = 21 has cell 1 + 7 * 21 % 24 = 4.
  EXPECT_EQ(std::strtof(line["array flow_0001.vti rho"].at(5 + 21).c_str(), nullptr), s.VAR(3, 4));
  // The y of the second point, point 4 of the surface: 30 * 16 / 1000 m.
  EXPECT_EQ(std::strtof(line["points surface_0001.vtp"].at(2 + 4).c_str(), nullptr), 0.48f);
}

// Arrays of many compressed blocks: the blocks join up in the right order and
// the last one has its own size, for the strict decoder and for VTK's reader.
class VtkLargeLatticeTest : public VtkExportTest,
                            public ::testing::WithParamInterface<std::pair<int, int>> {};

TEST_P(VtkLargeLatticeTest, ArraysOfManyBlocksInflateToEveryElementsCellValues) {
  const auto [nx, ny] = GetParam();
  square_lattice(nx, ny);
  export_output(s, closed, true);
  const fs::path file = results / "flow_0001.vti";
  const Xml vti = read_xml(file);
  const Xml& cells = vti.child("ImageData").child("Piece").child("CellData");
  const std::size_t n = std::size_t(nx) * ny;
  const auto cell = values<std::int32_t>(cells.child("cell"), n);
  const auto velocity = values<float>(cells.child("velocity"), 3 * n);
  const auto ghost = values<std::uint8_t>(cells.child("vtkGhostType"), n);
  EXPECT_GT(inflate_array("velocity", cells.child("velocity").text, 12 * n).blocks, 1u);
  std::size_t wrong = 0;
  for (std::size_t i = 0; i < n; ++i) {
    const int c = square_cell(int(i % nx), int(i / nx), nx);
    wrong += cell[i] != c || ghost[i] != (c == kBodyCell ? 32 : 0);
    for (int k = 0; k < 3; ++k) wrong += bits(velocity[3 * i + k]) != bits(s.VAR(4 + k, c));
  }
  EXPECT_EQ(wrong, 0u);
  // 81 bytes of values per element (20 four-byte values and a ghost byte),
  // repeated along the cells' squares.
  EXPECT_LT(fs::file_size(file), n * 81 / 4);

  if (!vtk_installed()) GTEST_SKIP() << "VTK for /usr/bin/python3 not installed";
  auto line = read_with_vtk(results);
  const std::vector<std::string>& counts = line["file flow_0001.vti"];
  ASSERT_EQ(counts.size(), 10u);
  EXPECT_EQ(counts[7] + " " + counts[9], std::to_string(n) + " 0");  // cells, errors
  const std::vector<std::string>& rho = line["array flow_0001.vti rho"];
  ASSERT_EQ(rho.size(), 5 + n);
  for (std::size_t i = 0; i < n; ++i)
    wrong += std::strtof(rho[5 + i].c_str(), nullptr) !=
             s.VAR(3, square_cell(int(i % nx), int(i / nx), nx));
  EXPECT_EQ(wrong, 0u);
}

// 128 x 128: every four-byte array is exactly 64 KiB, whole blocks for any
// power-of-two block size up to that; 131 x 133 leaves a partial last block.
INSTANTIATE_TEST_SUITE_P(VtkLastBlockWholeAndPartial, VtkLargeLatticeTest,
                         ::testing::Values(std::pair{128, 128}, std::pair{131, 133}));

}  // namespace
}  // namespace qmxv
