// Layout after the VTK XML file formats (ImageData, PolyData, Collection;
// VTKFile version 1.0). Every data array is inline with format="binary" and
// compressed by zlib (compressor="vtkZLibDataCompressor", header_type="UInt64"):
// the array's bytes, the values in the machine's byte order (byte_order), are
// cut into blocks of kBlockSize bytes, the last one shorter when the size is
// not a multiple, and each block is compressed on its own (RFC 1950). The
// text of the array is two base64 strings (RFC 4648), each with its own
// padding: first the header [number of blocks, kBlockSize, size of the last
// block when it is partial or else 0, compressed size of each block], all
// UInt64, then the compressed blocks one after another. There is no appended
// section, so each file is plain, well-formed XML, and the values are the
// program's own bits once inflated. Nothing comes from the wall clock, and
// zlib's output is fixed by its input, level and version: the same results
// give the same bytes.
#include "output/vtk_export.h"

#include <zlib.h>

#include <algorithm>
#include <bit>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

#include "output/export_files.h"
#include "run/state.h"

namespace qmxv {
namespace {

namespace fs = std::filesystem;
using export_files::append_number;
using export_files::numbered;
using export_files::PartFile;
using export_files::report;
using export_files::results_dir;

constexpr const char* kByteOrder =
    std::endian::native == std::endian::little ? "LittleEndian" : "BigEndian";

// vtkGhostType flag of a cell a viewer leaves out (vtkDataSetAttributes::HIDDENCELL).
constexpr std::uint8_t kHiddenCell = 32;

template <typename T>
struct VtkType;
template <>
struct VtkType<float> {
  static constexpr const char* name = "Float32";
};
template <>
struct VtkType<double> {
  static constexpr const char* name = "Float64";
};
template <>
struct VtkType<std::int32_t> {
  static constexpr const char* name = "Int32";
};
template <>
struct VtkType<std::uint8_t> {
  static constexpr const char* name = "UInt8";
};

// Blocks of 64 KiB at level 2 make the delta wing's flowfield (138 MB of
// values) 14 times smaller in 0.4 s; level 1 is both larger and slower on
// these arrays (blocky, with long runs of equal values), level 6 is a quarter
// smaller but takes twice as long, and blocks of 32 or 128 KiB change the size
// by 5 % or less.
constexpr std::size_t kBlockSize = 1 << 16;
constexpr int kLevel = 2;

// Base64 (RFC 4648) of n bytes, appended to the file's text in pieces so that
// the buffer is written out as it fills; padded with '=' at the end.
void base64(PartFile& f, const unsigned char* p, std::size_t n) {
  static constexpr char kAlphabet[] =
      "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
  constexpr std::size_t kPiece = 3 << 16;  // whole triples until the last piece
  std::string& t = f.text();
  while (n > 0) {
    const std::size_t m = n > kPiece ? kPiece : n;
    const std::size_t whole = m / 3 * 3;
    std::size_t at = t.size();
    t.resize(at + (m + 2) / 3 * 4);
    for (std::size_t i = 0; i < whole; i += 3, at += 4) {
      const unsigned v = unsigned(p[i]) << 16 | unsigned(p[i + 1]) << 8 | unsigned(p[i + 2]);
      t[at] = kAlphabet[v >> 18], t[at + 1] = kAlphabet[v >> 12 & 63];
      t[at + 2] = kAlphabet[v >> 6 & 63], t[at + 3] = kAlphabet[v & 63];
    }
    if (m > whole) {
      const unsigned v =
          unsigned(p[whole]) << 16 | (m - whole > 1 ? unsigned(p[whole + 1]) << 8 : 0u);
      t[at] = kAlphabet[v >> 18], t[at + 1] = kAlphabet[v >> 12 & 63];
      t[at + 2] = m - whole > 1 ? kAlphabet[v >> 6 & 63] : '=', t[at + 3] = '=';
    }
    f.flush_if_full();
    p += m, n -= m;
  }
}

// The compressed blocks of one array, as they are filled.
class ZlibBlocks {
 public:
  explicit ZlibBlocks(PartFile& f) : f_(f) {}

  void compress_block(const void* data, std::size_t n) {
    const std::size_t at = compressed_.size();
    uLongf size = compressBound(uLong(n));
    compressed_.resize(at + size);
    if (::compress2(compressed_.data() + at, &size, static_cast<const Bytef*>(data), uLong(n),
                    kLevel) != Z_OK) {
      f_.fail("zlib could not compress an array (out of memory)");
      size = 0;
    }
    compressed_.resize(at + size);
    block_sizes_.push_back(size);
    last_ = n;
  }

  void write() {
    std::vector<std::uint64_t> header = {block_sizes_.size(), kBlockSize,
                                         last_ == kBlockSize ? 0 : last_};
    header.insert(header.end(), block_sizes_.begin(), block_sizes_.end());
    base64(f_, reinterpret_cast<const unsigned char*>(header.data()),
           header.size() * sizeof(std::uint64_t));
    base64(f_, compressed_.data(), compressed_.size());
  }

 private:
  PartFile& f_;
  std::vector<unsigned char> compressed_;
  std::vector<std::uint64_t> block_sizes_;
  std::uint64_t last_ = 0;
};

// One DataArray of `tuples` tuples of `components` values of type T;
// value(i) gives the i-th value in VTK's order (a tuple's components
// together, tuples in point or cell order). Only one block of plain values
// and the array's compressed blocks are held at a time.
template <typename T, typename Value>
void data_array(PartFile& f, const char* indent, const std::string& name, int components,
                std::size_t tuples, Value value) {
  static_assert(kBlockSize % sizeof(T) == 0);
  std::string& t = f.text();
  t += indent;
  t += "<DataArray type=\"";
  t += VtkType<T>::name;
  t += "\" Name=\"" + name + "\" NumberOfComponents=\"" + std::to_string(components) +
       "\" NumberOfTuples=\"" + std::to_string(tuples) + "\" format=\"binary\">";
  const std::size_t count = tuples * std::size_t(components);
  ZlibBlocks blocks(f);
  std::vector<T> block(std::min(count, kBlockSize / sizeof(T)));
  for (std::size_t i = 0; i < count;) {
    const std::size_t m = std::min(block.size(), count - i);
    for (std::size_t k = 0; k < m; ++k) block[k] = value(i + k);
    blocks.compress_block(block.data(), m * sizeof(T));
    i += m;
  }
  blocks.write();
  t += "</DataArray>\n";
  f.flush_if_full();
}

// A collection holds no arrays, so it names no compressor.
void open_vtkfile(std::string& t, const char* type, bool arrays = true) {
  t += "<?xml version=\"1.0\"?>\n<VTKFile type=\"";
  t += type;
  t += "\" version=\"1.0\" byte_order=\"";
  t += kByteOrder;
  t += "\" header_type=\"UInt64\"";
  if (arrays) t += " compressor=\"vtkZLibDataCompressor\"";
  t += ">\n";
}

// The flow time of the output [s], under the name viewers take a data set's
// time from.
void time_field(PartFile& f, const State& s) {
  const double time = s.TIME / s.SCALE;
  f.text() += "    <FieldData>\n";
  data_array<double>(f, "      ", "TimeValue", 1, 1, [&](std::size_t) { return time; });
  f.text() += "    </FieldData>\n";
}

std::string three(float a, float b, float c) {
  std::string t;
  append_number(t, a);
  t += ' ';
  append_number(t, b);
  t += ' ';
  append_number(t, c);
  return t;
}

// Finishes the file; whether a file of this output stands under its name
// (just written, or kept from before when the write failed), so that the
// time series may list it.
bool in_place(State& s, PartFile& f) {
  if (export_files::finish(s, f)) return true;
  std::error_code ec;
  return fs::exists(f.path(), ec);
}

// ---- the flowfield on the element lattice ----

// The element lattice in VTK's cell order: element (ix, iy, iz), from 0, at
// index ix + NX (iy + NY iz). Element ix along x is element ix % NELX + 1 of
// division ix / NELX + 1, and so on.
struct Lattice {
  int nx = 0, ny = 0, nz = 0;
  std::vector<int> cell;            // the element's cell, 0 for none
  std::vector<std::uint8_t> ghost;  // kHiddenCell: no flow or inside a body
  std::size_t size() const { return cell.size(); }
};

Lattice lattice_of(const State& s) {
  Lattice L;
  L.nx = s.NDIVX * s.NELX, L.ny = s.NDIVY * s.NELY, L.nz = s.NDIVZ * s.NELZ;
  const std::size_t n = std::size_t(L.nx) * L.ny * L.nz;
  L.cell.assign(n, 0);
  L.ghost.assign(n, kHiddenCell);
  std::size_t i = 0;
  for (int iz = 0; iz < L.nz; ++iz)
    for (int iy = 0; iy < L.ny; ++iy)
      for (int ix = 0; ix < L.nx; ++ix, ++i) {
        const int c = s.IELCELL(iz / s.NELZ + 1, iy / s.NELY + 1, ix / s.NELX + 1, iz % s.NELZ + 1,
                                iy % s.NELY + 1, ix % s.NELX + 1);
        if (c < 1 || c > s.NCELLS) continue;
        L.cell[i] = c;
        if (s.CELL(kCellVolume, c) > 0.0f) L.ghost[i] = 0;
      }
  return L;
}

bool lattice_allocated(const State& s) {
  const ElementArray<int>& e = s.IELCELL;
  return s.NDIVX > 0 && s.NDIVY > 0 && s.NDIVZ > 0 && s.NELX > 0 && s.NELY > 0 && s.NELZ > 0 &&
         e.extent(1) == s.NDIVZ && e.extent(2) == s.NDIVY && e.extent(3) == s.NDIVX &&
         e.extent(4) == s.NELZ && e.extent(5) == s.NELY && e.extent(6) == s.NELX &&
         s.VAR.extent(1) >= 17 + s.MSP && s.VAR.extent(2) >= s.NCELLS;
}

// The cell results VAR(k, c) under the names of the cells CSV columns; the
// velocity (k = 4..6) goes as one vector.
constexpr const char* kCellResults[] = {"sample", "n",    "rho",      nullptr, nullptr, nullptr,
                                        "Ttr",    "Trot", "Tvib",     "T",     "mach",  "mols",
                                        "tcoll",  "mfp",  "csep_mfp", "speed", "p"};

bool write_flow(State& s, const fs::path& path) {
  if (!lattice_allocated(s)) {
    report(s, "Results file " + path.string() +
                  " not written (the element lattice or the cell results are not set up)");
    return false;
  }
  const Lattice L = lattice_of(s);
  PartFile f(path);
  std::string& t = f.text();
  open_vtkfile(t, "ImageData");
  const std::string extent =
      "0 " + std::to_string(L.nx) + " 0 " + std::to_string(L.ny) + " 0 " + std::to_string(L.nz);
  // Lengths in the state are scaled by SCALE; the files hold metres.
  t += "  <ImageData WholeExtent=\"" + extent + "\" Origin=\"" +
       three(s.XMIN / s.SCALE, s.YMIN / s.SCALE, s.ZMIN / s.SCALE) + "\" Spacing=\"" +
       three(s.DEX / s.SCALE, s.DEY / s.SCALE, s.DEZ / s.SCALE) + "\">\n";
  time_field(f, s);
  t += "    <Piece Extent=\"" + extent + "\">\n      <PointData>\n      </PointData>\n";
  t += "      <CellData Vectors=\"velocity\">\n";
  const char* in = "        ";
  const std::size_t n = L.size();
  data_array<std::int32_t>(f, in, "cell", 1, n, [&](std::size_t i) { return L.cell[i]; });
  auto property = [&](const std::string& name, int k) {
    data_array<float>(f, in, name, 1, n,
                      [&](std::size_t i) { return L.cell[i] > 0 ? s.VAR(k, L.cell[i]) : 0.0f; });
  };
  for (int k = 1; k <= 17; ++k) {
    if (kCellResults[k - 1]) property(kCellResults[k - 1], k);
    if (k == 4)
      data_array<float>(f, in, "velocity", 3, n, [&](std::size_t i) {
        const int c = L.cell[i / 3];
        return c > 0 ? s.VAR(4 + int(i % 3), c) : 0.0f;
      });
  }
  for (int sp = 1; sp <= s.MSP; ++sp) property("frac" + std::to_string(sp), 17 + sp);
  data_array<std::uint8_t>(f, in, "vtkGhostType", 1, n, [&](std::size_t i) { return L.ghost[i]; });
  t += "      </CellData>\n    </Piece>\n  </ImageData>\n</VTKFile>\n";
  return in_place(s, f);
}

// ---- the solid triangles ----

constexpr const char* kSurfaceResults[] = {"sample", "nflux", "p",    "shear1", "shear2",
                                           "qinc",   "qref",  "qnet", "Tsurf"};

bool write_surface(State& s, const fs::path& path) {
  const std::vector<int> triangle = export_files::triangles_of_solids(s);
  const bool points_allocated =
      s.XPT.extent(1) >= s.NPT && s.YPT.extent(1) >= s.NPT && s.ZPT.extent(1) >= s.NPT;
  for (int j = 1; j <= s.NSTRI; ++j) {
    const int N = triangle[j];
    std::string fault;
    if (N == 0)
      fault = "no triangle is solid triangle " + std::to_string(j);
    else
      for (int v = 1; v <= 3 && fault.empty(); ++v)
        if (!points_allocated || s.ITP(v, N) < 1 || s.ITP(v, N) > s.NPT)
          fault = "triangle " + std::to_string(N) + " has no point " + std::to_string(s.ITP(v, N));
    if (!fault.empty()) {
      report(s, "Results file " + path.string() + " not written (" + fault + ")");
      return false;
    }
  }
  // The points of the solid triangles, numbered from 0 in the order the
  // triangles first use them; the points of entry triangles are left out.
  std::vector<int> point_index(s.NPT + 1, -1);
  std::vector<int> points, connectivity;
  for (int j = 1; j <= s.NSTRI; ++j)
    for (int v = 1; v <= 3; ++v) {
      const int p = s.ITP(v, triangle[j]);
      if (point_index[p] < 0) {
        point_index[p] = int(points.size());
        points.push_back(p);
      }
      connectivity.push_back(point_index[p]);
    }
  const std::size_t ntri = std::size_t(s.NSTRI);

  PartFile f(path);
  std::string& t = f.text();
  open_vtkfile(t, "PolyData");
  t += "  <PolyData>\n";
  time_field(f, s);
  t += "    <Piece NumberOfPoints=\"" + std::to_string(points.size()) +
       "\" NumberOfVerts=\"0\" NumberOfLines=\"0\" NumberOfStrips=\"0\" NumberOfPolys=\"" +
       std::to_string(ntri) + "\">\n";
  const char* in = "        ";
  t += "      <Points>\n";
  data_array<float>(f, in, "Points", 3, points.size(), [&](std::size_t i) {
    const int p = points[i / 3];
    const FArray1<float>& axis = i % 3 == 0 ? s.XPT : i % 3 == 1 ? s.YPT : s.ZPT;
    return axis(p) / s.SCALE;
  });
  t += "      </Points>\n      <Polys>\n";
  data_array<std::int32_t>(f, in, "connectivity", 1, connectivity.size(),
                           [&](std::size_t i) { return connectivity[i]; });
  data_array<std::int32_t>(f, in, "offsets", 1, ntri,
                           [&](std::size_t i) { return std::int32_t(3 * (i + 1)); });
  t += "      </Polys>\n      <CellData Vectors=\"shear_vector\" Normals=\"normal\">\n";
  // Cell i is solid triangle j = i + 1, triangle number triangle[j].
  auto integer = [&](const char* name, auto of_solid) {
    data_array<std::int32_t>(f, in, name, 1, ntri,
                             [&](std::size_t i) { return of_solid(int(i) + 1); });
  };
  auto real = [&](const std::string& name, auto of_solid) {
    data_array<float>(f, in, name, 1, ntri, [&](std::size_t i) { return of_solid(int(i) + 1); });
  };
  integer("tri", [](int j) { return j; });
  integer("surface", [&](int j) { return s.ISURFT(triangle[j]); });
  const float scale2 = s.SCALE * s.SCALE;
  real("area", [&](int j) { return s.TRI(kTriArea, triangle[j]) / scale2; });
  for (int k = 1; k <= 9; ++k) real(kSurfaceResults[k - 1], [&](int j) { return s.VARS(k, j); });
  for (int sp = 1; sp <= s.MSP; ++sp)
    real("frac" + std::to_string(sp), [&](int j) { return s.VARS(9 + sp, j); });
  real("shear", [&](int j) { return std::hypot(s.VARS(4, j), s.VARS(5, j)); });
  std::vector<float> shear(3 * ntri);
  for (int j = 1; j <= s.NSTRI; ++j)
    export_files::shear_in_axes(s, j, triangle[j], &shear[3 * std::size_t(j - 1)]);
  data_array<float>(f, in, "shear_vector", 3, ntri, [&](std::size_t i) { return shear[i]; });
  data_array<float>(f, in, "normal", 3, ntri,
                    [&](std::size_t i) { return s.TRI(kTriNx + int(i % 3), triangle[i / 3 + 1]); });
  integer("ntri", [&](int j) { return triangle[j]; });
  t += "      </CellData>\n    </Piece>\n  </PolyData>\n</VTKFile>\n";
  return in_place(s, f);
}

// ---- the time series ----

constexpr const char* kCollectionEnd = "  </Collection>\n</VTKFile>\n";

std::string collection_start() {
  std::string t;
  open_vtkfile(t, "Collection", false);
  return t + "  <Collection>\n";
}

std::string collection_entry(double time, const std::string& file) {
  std::string t = "    <DataSet timestep=\"";
  append_number(t, time);
  return t + "\" group=\"\" part=\"0\" file=\"" + file + "\"/>";
}

// The output number of an entry line as collection_entry writes it for a
// file stem_NNNN.ext, or -1 when the line is not one.
int entry_output(std::string_view line, std::string_view stem, std::string_view ext) {
  constexpr std::string_view kOpen = "    <DataSet timestep=\"";
  constexpr std::string_view kMiddle = "\" group=\"\" part=\"0\" file=\"";
  if (!line.starts_with(kOpen) || !line.ends_with("\"/>")) return -1;
  line.remove_prefix(kOpen.size());
  line.remove_suffix(3);
  double time;
  const auto r = std::from_chars(line.data(), line.data() + line.size(), time);
  if (r.ec != std::errc()) return -1;
  line.remove_prefix(std::size_t(r.ptr - line.data()));
  if (!line.starts_with(kMiddle)) return -1;
  line.remove_prefix(kMiddle.size());
  if (!export_files::is_numbered(line, stem, ext)) return -1;
  int output = -1;
  std::from_chars(line.data() + stem.size(), line.data() + line.size() - ext.size(), output);
  return output;
}

// The entries of the outputs before `nout`, kept word for word from the
// collection file written at an earlier output; the entries after it belong
// to a run that has been continued from an earlier restart point and are
// dropped. A file that is not ours as written starts the list afresh.
std::vector<std::string> earlier_entries(State& s, const fs::path& path, std::string_view stem,
                                         std::string_view ext, int nout) {
  std::vector<std::string> entries;
  std::ifstream in(path, std::ios::binary);
  if (!in) return entries;
  std::stringstream text;
  text << in.rdbuf();
  const std::string all = text.str();
  const std::string start = collection_start();
  bool ours = all.starts_with(start) && all.ends_with(kCollectionEnd) &&
              all.size() >= start.size() + std::string_view(kCollectionEnd).size();
  if (ours) {
    std::string_view body(all);
    body = body.substr(start.size(),
                       body.size() - start.size() - std::string_view(kCollectionEnd).size());
    while (ours && !body.empty()) {
      const std::size_t end = body.find('\n');
      if (end == std::string_view::npos) {
        ours = false;
        break;
      }
      const std::string_view line = body.substr(0, end);
      const int output = entry_output(line, stem, ext);
      ours = output >= 0;
      if (ours && output < nout) entries.emplace_back(line);
      body.remove_prefix(end + 1);
    }
  }
  if (!ours) {
    report(s, "Results file " + path.string() +
                  " is not as this program writes it; its list of outputs starts afresh");
    entries.clear();
  }
  return entries;
}

void write_collection(State& s, const char* name, const char* stem, const char* ext, bool listed) {
  const fs::path path = results_dir(s) / name;
  const std::string stem_ = std::string(stem) + "_";
  std::vector<std::string> entries = earlier_entries(s, path, stem_, ext, s.NOUT);
  if (listed) entries.push_back(collection_entry(s.TIME / s.SCALE, numbered(stem, s.NOUT, ext)));
  PartFile f(path);
  f.text() += collection_start();
  for (const std::string& e : entries) f.text() += e + '\n';
  f.text() += kCollectionEnd;
  export_files::finish(s, f);
}

}  // namespace

void write_vtk_output(State& s) {
  const fs::path dir = results_dir(s);
  const bool flow = write_flow(s, dir / numbered("flow", s.NOUT, ".vti"));
  write_collection(s, "flow.pvd", "flow", ".vti", flow);
  if (s.NSTRI > 0) {
    const bool surface = write_surface(s, dir / numbered("surface", s.NOUT, ".vtp"));
    write_collection(s, "surface.pvd", "surface", ".vtp", surface);
  }
}

bool is_vtk_export_file(std::string_view name) {
  return name == "flow.pvd" || name == "surface.pvd" ||
         export_files::is_numbered(name, "flow_", ".vti") ||
         export_files::is_numbered(name, "surface_", ".vtp");
}

}  // namespace qmxv
