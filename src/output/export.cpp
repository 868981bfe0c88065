#include "output/export.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <exception>
#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

#include "output/export_files.h"
#include "output/vtk_export.h"
#include "run/state.h"

namespace qmxv {

ClosedSample close_sample(const State& s) {
  ClosedSample c;
  c.nsamp = s.NSAMP;
  c.tsampstart = s.TSAMPSTART;
  c.sforce = s.SFORCE;
  return c;
}

namespace {

namespace fs = std::filesystem;

using export_files::append_number;
using export_files::finish;
using export_files::numbered;
using export_files::report;
using export_files::results_dir;

// The first line of every file: what the numbers below belong to, as
// key=value items. Times in s; nsamp and tsampstart of the sample closed.
std::string first_line(const State& s, const ClosedSample& closed) {
  std::string l = "# format=1 time=";
  append_number(l, s.TIME / s.SCALE);
  l += " output=";
  append_number(l, s.NOUT);
  l += " nsamp=";
  append_number(l, closed.nsamp);
  l += " tsampstart=";
  append_number(l, double(closed.tsampstart) / s.SCALE);
  l += " nm=";
  append_number(l, s.NM);
  l += '\n';
  return l;
}

// "frac1,frac2,...": one column per species.
std::string species_columns(const char* stem, int msp) {
  std::string h;
  for (int L = 1; L <= msp; ++L) h += std::string(",") + stem + std::to_string(L);
  return h;
}

int fields_of(std::string_view line) {
  int n = 1;
  for (char ch : line) n += ch == ',';
  return n;
}

// One CSV file, written whole or not at all (export_files::PartFile). A row
// narrower or wider than its header is a fault of this file's writer; the
// file is refused rather than left misaligned.
class CsvFile {
 public:
  CsvFile(const fs::path& path, const std::string& first, const std::string& units,
          const std::string& header)
      : file_(path), width_(fields_of(header)) {
    file_.text() += first + "# units: " + units + '\n' + header + '\n';
  }

  template <typename T>
  CsvFile& operator<<(T value) {
    if (fields_ > 0) file_.text() += ',';
    append_number(file_.text(), value);
    ++fields_;
    return *this;
  }

  void end_row() {
    if (fields_ != width_)
      file_.fail("row " + std::to_string(rows_ + 1) + " has " + std::to_string(fields_) +
                 " fields, its header " + std::to_string(width_));
    file_.text() += '\n';
    fields_ = 0;
    ++rows_;
    file_.flush_if_full();
  }

  // A row already in this file's format (kept from the file before).
  void raw_row(const std::string& row) {
    file_.text() += row;
    file_.text() += '\n';
    ++rows_;
    file_.flush_if_full();
  }

  export_files::PartFile& file() { return file_; }

 private:
  export_files::PartFile file_;
  int width_;
  int fields_ = 0;
  long rows_ = 0;
};

void finish(State& s, CsvFile& f) {
  finish(s, f.file());
}

void write_cells(State& s, const std::string& first) {
  const fs::path path = results_dir(s) / numbered("cells", s.NOUT, ".csv");
  CsvFile f(path, first,
            "x y z m; volume m^3 (0 or less inside a body); sample molecules counted; n 1/m^3; "
            "rho kg/m^3; u v w m/s; Ttr Trot Tvib T K; mach -; mols molecules per sample; "
            "tcoll s; mfp m; csep_mfp -; speed m/s; p Pa; frac -",
            "cell,x,y,z,volume,sample,n,rho,u,v,w,Ttr,Trot,Tvib,T,mach,mols,tcoll,mfp,csep_mfp,"
            "speed,p" +
                species_columns("frac", s.MSP));
  const double scale3 = std::pow(double(s.SCALE), 3);
  for (int c = 1; c <= s.NCELLS; ++c) {
    f << c;
    for (int k = kCellX; k <= kCellZ; ++k) f << s.CELL(k, c) / s.SCALE;
    f << static_cast<float>(s.CELL(kCellVolume, c) / scale3);
    for (int k = 1; k <= 17 + s.MSP; ++k) f << s.VAR(k, c);
    f.end_row();
  }
  finish(s, f);
}

void write_species(State& s, const std::string& first) {
  const fs::path path = results_dir(s) / numbered("species", s.NOUT, ".csv");
  CsvFile f(path, first,
            "sample molecules counted; frac -; Tx Ty Tz Ttr Trot Tvib K; du dv dw m/s "
            "(the species' mean velocity less the cell's)",
            "cell,species,sample,frac,Tx,Ty,Tz,Ttr,Trot,Tvib,du,dv,dw");
  for (int c = 1; c <= s.NCELLS; ++c) {
    if (!(s.CELL(kCellVolume, c) > 0.0f)) continue;
    for (int L = 1; L <= s.MSP; ++L) {
      f << c << L;
      for (int k = 1; k <= 11; ++k) f << s.VARSP(k, c, L);
      f.end_row();
    }
  }
  finish(s, f);
}

void write_surface(State& s, const std::string& first) {
  const fs::path path = results_dir(s) / numbered("surface", s.NOUT, ".csv");
  CsvFile f(path, first,
            "area m^2; sample strikes; nflux 1/(m^2 s); p shear1 shear2 Pa; qinc qref qnet W/m^2 "
            "(qref less than 0: the reflected flux); Tsurf K; frac -; shear shearx sheary shearz "
            "Pa; cx cy cz m; nx ny nz -",
            "tri,surface,area,sample,nflux,p,shear1,shear2,qinc,qref,qnet,Tsurf" +
                species_columns("frac", s.MSP) +
                ",shear,shearx,sheary,shearz,cx,cy,cz,nx,ny,nz,ntri");
  const std::vector<int> triangle = export_files::triangles_of_solids(s);
  const float scale2 = s.SCALE * s.SCALE;
  for (int j = 1; j <= s.NSTRI; ++j) {
    const int N = triangle[j];
    f << j << (N > 0 ? s.ISURFT(N) : 0) << (N > 0 ? s.TRI(kTriArea, N) / scale2 : 0.0f);
    for (int k = 1; k <= 9 + s.MSP; ++k) f << s.VARS(k, j);
    float shear[3];
    export_files::shear_in_axes(s, j, N, shear);
    f << std::hypot(s.VARS(4, j), s.VARS(5, j)) << shear[0] << shear[1] << shear[2];
    for (int k = kTriCx; k <= kTriCz; ++k) f << (N > 0 ? s.TRI(k, N) / s.SCALE : 0.0f);
    for (int k = kTriNx; k <= kTriNz; ++k) f << (N > 0 ? s.TRI(k, N) : 0.0f);
    f << N;
    f.end_row();
  }
  finish(s, f);
}

// Force of the gas on surface S [N] and its moment about the origin [N m]
// over the sample closed: the momentum sums per unit of real time.
struct SurfaceForce {
  double F[3], M[3];
};

SurfaceForce surface_force(const State& s, const ClosedSample& closed, int S) {
  SurfaceForce r = {{0, 0, 0}, {0, 0, 0}};
  const double span = s.TIME - closed.tsampstart;  // [scaled s]
  if (!(span > 1e-10)) return r;
  const double D = double(s.FNUM) * s.SCALE / span;
  for (int i = 0; i < 3; ++i) r.F[i] = D * closed.sforce(1 + i, S);
  // The sums hold Fx y - Fy x, Fz x - Fx z, Fy z - Fz y: the moment r x F
  // with its components reversed in order and sign.
  r.M[0] = -D * closed.sforce(6, S);
  r.M[1] = -D * closed.sforce(5, S);
  r.M[2] = -D * closed.sforce(4, S);
  return r;
}

constexpr const char* kForceUnits =
    "Fx Fy Fz N (the force of the gas on the surface); Mx My Mz N m (its moment about the "
    "origin)";

int surfaces_with_forces(const State& s, const ClosedSample& closed) {
  return std::min(s.NSURF, closed.sforce.extent(2));
}

void write_forces(State& s, const ClosedSample& closed, const std::string& first) {
  const fs::path path = results_dir(s) / numbered("forces", s.NOUT, ".csv");
  CsvFile f(path, first, kForceUnits, "surface,Fx,Fy,Fz,Mx,My,Mz");
  for (int S = 1; S <= surfaces_with_forces(s, closed); ++S) {
    const SurfaceForce r = surface_force(s, closed, S);
    f << S << r.F[0] << r.F[1] << r.F[2] << r.M[0] << r.M[1] << r.M[2];
    f.end_row();
  }
  finish(s, f);
}

// Every field of a row a whole number (an integer or a real), none empty.
bool numeric_row(std::string_view row, int width) {
  if (fields_of(row) != width) return false;
  std::size_t start = 0;
  while (start <= row.size()) {
    std::size_t end = row.find(',', start);
    if (end == std::string_view::npos) end = row.size();
    const char* b = row.data() + start;
    const char* e = row.data() + end;
    double v;
    const auto r = std::from_chars(b, e, v);
    if (b == e || r.ec != std::errc() || r.ptr != e) return false;
    start = end + 1;
  }
  return true;
}

// The rows of the table before output `nout`, kept word for word from the
// file written at an earlier output. The rows after it belong to a run that
// has been continued from an earlier restart point and are dropped. A file
// that is not ours as written (another header, a short or non-numeric row)
// starts the table afresh.
std::vector<std::string> earlier_rows(State& s, const fs::path& path, const std::string& header,
                                      int nout) {
  std::vector<std::string> rows;
  std::ifstream in(path, std::ios::binary);
  if (!in) return rows;
  const int width = fields_of(header);
  bool header_seen = false;
  std::string line;
  while (std::getline(in, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (!header_seen) {
      if (line.starts_with("#")) continue;
      header_seen = line == header;
      if (header_seen) continue;
    } else if (numeric_row(line, width)) {
      int output = 0;
      const auto r = std::from_chars(line.data(), line.data() + line.size(), output);
      if (r.ec == std::errc() && *r.ptr == ',') {
        if (output < nout) rows.push_back(line);
        continue;
      }
    }
    report(s, "Results file " + path.string() +
                  " is not as this program writes it; its table starts afresh");
    rows.clear();
    return rows;
  }
  return rows;
}

void write_force_history(State& s, const ClosedSample& closed, const std::string& first) {
  const fs::path path = results_dir(s) / "forcehistory.csv";
  const std::string header = "output,time,surface,Fx,Fy,Fz,Mx,My,Mz";
  const std::vector<std::string> old = earlier_rows(s, path, header, s.NOUT);
  CsvFile f(path, first, std::string("time s; ") + kForceUnits, header);
  for (const std::string& row : old) f.raw_row(row);
  for (int S = 1; S <= surfaces_with_forces(s, closed); ++S) {
    const SurfaceForce r = surface_force(s, closed, S);
    f << s.NOUT << s.TIME / s.SCALE << S << r.F[0] << r.F[1] << r.F[2] << r.M[0] << r.M[1]
      << r.M[2];
    f.end_row();
  }
  finish(s, f);
}

void write_outputs(State& s, const ClosedSample& closed, bool reset, const std::string& first) {
  const fs::path path = results_dir(s) / "outputs.csv";
  const std::string header =
      "output,time,nm,nsamp,tsampstart,dtm,csepmfp,totmov,totcol,totref,totent,nround,reset";
  const std::vector<std::string> old = earlier_rows(s, path, header, s.NOUT);
  CsvFile f(path, first,
            "time tsampstart dtm s; nm nsamp molecules and samples; csepmfp -; totmov totcol "
            "totref totent nround totals of the run; reset 1 when the output emptied the sample",
            header);
  for (const std::string& row : old) f.raw_row(row);
  f << s.NOUT << s.TIME / s.SCALE << s.NM << closed.nsamp << double(closed.tsampstart) / s.SCALE
    << s.DTM / s.SCALE << s.CSEPMFP << s.TOTMOV << s.TOTCOL << s.TOTREF << s.TOTENT << s.NROUND
    << (reset ? 1 : 0);
  f.end_row();
  finish(s, f);
}

// The names the export writes (and their .part files while writing):
// cells_NNNN.csv, species_, surface_, forces_ with digits only after the
// stem, forcehistory.csv and outputs.csv, and the VTK files. A user's own
// files are not ours.
bool is_export_file(std::string_view name) {
  if (name.ends_with(".part")) name.remove_suffix(5);
  if (name == "forcehistory.csv" || name == "outputs.csv") return true;
  for (std::string_view stem : {"cells_", "species_", "surface_", "forces_"})
    if (export_files::is_numbered(name, stem, ".csv")) return true;
  return is_vtk_export_file(name);
}

}  // namespace

void export_output(State& s, const ClosedSample& closed, bool reset) {
  if (!s.EXPORT_CSV && !s.EXPORT_VTK) return;
  try {
    const fs::path dir = results_dir(s);
    std::error_code ec;
    fs::create_directories(dir, ec);
    if (!fs::is_directory(dir)) {
      const std::string why = fs::exists(dir) ? "it exists and is not a directory" : ec.message();
      report(s, "Results of output " + std::to_string(s.NOUT) + " not written: " + dir.string() +
                    " cannot be made (" + why + ")");
      return;
    }
    if (s.EXPORT_CSV) {
      const std::string first = first_line(s, closed);
      write_cells(s, first);
      write_species(s, first);
      if (s.NSTRI > 0) {
        write_surface(s, first);
        write_forces(s, closed, first);
        write_force_history(s, closed, first);
      }
      write_outputs(s, closed, reset, first);
    }
    if (s.EXPORT_VTK) write_vtk_output(s);
  } catch (const std::exception& e) {
    report(s, "Results of output " + std::to_string(s.NOUT) + " not completely written (" +
                  e.what() + ")");
  }
}

namespace {

// The output a line of a running table or a collection belongs to: the
// first field of a CSV row, or the number in the file name of a collection
// entry (file="flow_0012.vti"); -1 for any other line.
int output_of_line(std::string_view line) {
  if (const auto at = line.find("file=\""); at != std::string_view::npos) {
    line.remove_prefix(at + 6);
    const auto us = line.find('_');
    if (us == std::string_view::npos) return -1;
    line.remove_prefix(us + 1);
  } else if (line.empty() || line[0] < '0' || line[0] > '9') {
    return -1;
  }
  int output = -1;
  const auto r = std::from_chars(line.data(), line.data() + line.size(), output);
  return r.ec == std::errc() ? output : -1;
}

}  // namespace

void forget_outputs_after(State& s) {
  for (const char* name : {"forcehistory.csv", "outputs.csv", "flow.pvd", "surface.pvd"}) {
    const fs::path path = results_dir(s) / name;
    std::ifstream in(path, std::ios::binary);
    if (!in) continue;
    std::string kept, line;
    bool dropped = false;
    while (std::getline(in, line)) {
      if (output_of_line(line) > s.NOUT) {
        dropped = true;
        continue;
      }
      kept += line;
      kept += '\n';
    }
    in.close();
    if (!dropped) continue;
    export_files::PartFile f(path);
    f.text() = std::move(kept);
    finish(s, f);
  }
}

void clear_results(State& s) {
  const fs::path dir = results_dir(s);
  std::error_code ec;
  if (!fs::is_directory(dir, ec)) return;
  std::vector<fs::path> ours;
  for (fs::directory_iterator it(dir, ec), end; !ec && it != end; it.increment(ec))
    if (is_export_file(it->path().filename().string())) ours.push_back(it->path());
  for (const fs::path& p : ours) {
    std::error_code rc;
    fs::remove(p, rc);
    if (rc)
      report(s, "Results file " + p.string() + " of an earlier run not removed (" + rc.message() +
                    ")");
  }
}

}  // namespace qmxv
