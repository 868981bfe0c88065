#include "interop/commands.h"

#include <charconv>
#include <cstdio>
#include <iostream>

#include "interop/new_case.h"
#include "interop/stl_reader.h"
#include "interop/surface_file.h"
#include "interop/surface_mesh.h"
#include "run/errors.h"

namespace qmxv::interop {

namespace {

constexpr const char* kImportUsage = R"(Usage: qmxv import-surface MESH.stl [MORE.stl ...] [options]
  Reads ASCII or binary STL, merges corners, winds every closed shell outward
  (into the flow), writes one surface per shell to QMXSD.DAT.
  --out FILE            the surface file to write (default QMXSD.DAT)
  --scale S             multiply the coordinates by S (e.g. 0.001 for mm)
  --translate X Y Z     then add X Y Z [m]
  --merge-tol D         corners closer than D (mesh units) are one point
                        (default 1e-6 of the body's diagonal)
  --reverse             flow on the other side: inside closed shells
  --tsurf T             diffuse reflection at T [K] (default 300)
  --adiabatic TMIN      diffuse adiabatic reflection, minimum temperature TMIN [K]
  --specular F          fraction of specular reflection (default 0)
  --gas NAME            the gas of the case: argon, nitrogen or air (its species count)
  --species N           or the species count itself (default 1)
  --surface-reactions N the surface reaction count of the gas data (default 0)
)";

constexpr const char* kNewCaseUsage = R"(Usage: qmxv new-case [options]
  Writes a QMXVD.DAT template around the body of QMXSD.DAT.
  --surface FILE        the surface file (default QMXSD.DAT)
  --out FILE            the gas/flow file to write (default QMXVD.DAT)
  --gas NAME            argon, nitrogen or air (default argon)
  --density N           stream number density [1/m^3] (default 1e20)
  --temperature T       stream temperature [K] (default 300)
  --speed U             stream speed along +x [m/s] (default 1000)
  --margin F            region beyond the body in body lengths (default 0.5)
  --symmetry-y          the body is a half body on a plane of symmetry at its minimum y
  --symmetry-z          likewise at its minimum z
  --elements N          element budget of the grid (default 200000)
  --molecules N         simulated molecules in the region (default 500000)
)";

constexpr std::size_t kDefectsShown = 20;

class Args {
 public:
  Args(const std::vector<std::string>& a) : a_(a) {}
  bool done() const { return i_ >= a_.size(); }
  const std::string& next() { return a_[i_++]; }
  const std::string& value(const std::string& option) {
    if (done()) throw UsageError(option + " needs a value");
    return next();
  }
  template <typename T>
  T number(const std::string& option) {
    const std::string& v = value(option);
    T x{};
    auto [p, ec] = std::from_chars(v.data(), v.data() + v.size(), x);
    if (ec != std::errc() || p != v.data() + v.size())
      throw UsageError(option + " expects a number, found \"" + v + "\"");
    return x;
  }

 private:
  const std::vector<std::string>& a_;
  std::size_t i_ = 0;
};

std::string real(double x) {
  char b[32];
  std::snprintf(b, sizeof b, "%.7g", x);
  return b;
}

int report_error(const UserError& e, std::ostream& err) {
  err << "qmxv: " << e.what() << std::endl;
  return e.exit_status();
}

}  // namespace

int import_surface_command(const std::vector<std::string>& args, std::ostream& out,
                           std::ostream& err) {
  try {
    std::vector<std::string> files;
    std::string out_file = "QMXSD.DAT";
    MeshOptions mesh;
    WallProperties wall;
    Args a(args);
    while (!a.done()) {
      const std::string o = a.next();
      if (o == "--help" || o == "-h") {
        out << kImportUsage;
        return kExitNormal;
      } else if (o == "--out") {
        out_file = a.value(o);
      } else if (o == "--scale") {
        mesh.scale = a.number<double>(o);
        if (!(mesh.scale > 0)) throw UsageError("--scale must be positive");
      } else if (o == "--translate") {
        for (double& x : mesh.translate) x = a.number<double>(o);
      } else if (o == "--merge-tol") {
        mesh.merge_tolerance = a.number<double>(o);
        if (!(mesh.merge_tolerance > 0)) throw UsageError("--merge-tol must be positive");
      } else if (o == "--reverse") {
        mesh.reverse = true;
      } else if (o == "--tsurf") {
        wall.TSURF = a.number<float>(o);
        if (!(wall.TSURF > 0)) throw UsageError("--tsurf must be a positive temperature");
      } else if (o == "--adiabatic") {
        const float tmin = a.number<float>(o);
        if (!(tmin >= 0)) throw UsageError("--adiabatic needs a minimum temperature of 0 or more");
        wall.TSURF = -tmin;
      } else if (o == "--specular") {
        wall.FSPEC = a.number<float>(o);
        if (!(wall.FSPEC >= 0 && wall.FSPEC <= 1))
          throw UsageError("--specular must be a fraction from 0 to 1");
      } else if (o == "--gas") {
        const GasPreset* g = find_gas(a.value(o));
        if (g == nullptr) throw UsageError("--gas expects argon, nitrogen or air");
        wall.MSP = g->MSP;
      } else if (o == "--species") {
        wall.MSP = a.number<int>(o);
        if (wall.MSP < 1) throw UsageError("--species must be at least 1");
      } else if (o == "--surface-reactions") {
        wall.MNSR = a.number<int>(o);
        if (wall.MNSR < 0) throw UsageError("--surface-reactions must be 0 or more");
      } else if (!o.empty() && o[0] == '-') {
        throw UsageError("import-surface: unknown option \"" + o + "\"");
      } else {
        files.push_back(o);
      }
    }
    if (files.empty()) throw UsageError("import-surface needs at least one STL file");

    std::vector<Facet> facets;
    std::string origin;
    for (const std::string& f : files) {
      std::vector<Facet> more = read_stl(f);
      out << f << ": " << more.size() << " facets\n";
      facets.insert(facets.end(), more.begin(), more.end());
      origin += (origin.empty() ? "" : ", ") + std::filesystem::path(f).filename().string();
    }
    const Body body = build_body(facets, mesh);

    std::size_t shown = 0, open = 0;
    for (const MeshDefect& d : body.defects) {
      if (d.kind == MeshDefect::Kind::OpenEdge) ++open;
      if (shown++ < kDefectsShown) err << "qmxv: " << d.text << "\n";
    }
    if (shown > kDefectsShown)
      err << "qmxv: ... and " << shown - kDefectsShown << " more defects\n";
    if (body.merged_points > 0)
      out << body.merged_points << " facet corners merged into shared points\n";
    for (std::size_t s = 0; s < body.shells.size(); ++s) {
      const Shell& sh = body.shells[s];
      out << "surface " << s + 1 << ": " << sh.points.size() << " points, " << sh.triangles.size()
          << " triangles, " << (sh.closed ? "closed" : "open") << ", area " << real(surface_area(sh))
          << " m^2";
      if (sh.closed) out << ", volume " << real(enclosed_volume(sh)) << " m^3";
      if (sh.flipped > 0) out << ", " << sh.flipped << " facets re-wound";
      out << "\n";
    }
    if (has_fatal_defects(body))
      throw GeometryError(origin, 0,
                          "the mesh has edges shared by more than two facets or shells that cannot "
                          "be wound consistently; " + out_file + " is not written");
    if (body.shells.empty()) throw UsageError("import-surface: no usable facets in " + origin);
    if (open > 0)
      err << "qmxv: " << open
          << " open edges: the set-up accepts them only where they lie on a face of the region "
             "(a plane of symmetry cutting the body)\n";
    write_text_file(out_file, surface_file_text(body, wall, origin));
    out << out_file << " written: " << body.shells.size() << " surfaces for a gas of " << wall.MSP
        << " species\n";
    return kExitNormal;
  } catch (const UserError& e) {
    return report_error(e, err);
  }
}

int new_case_command(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  try {
    CaseOptions c;
    std::string surface = "QMXSD.DAT", out_file = "QMXVD.DAT";
    Args a(args);
    while (!a.done()) {
      const std::string o = a.next();
      if (o == "--help" || o == "-h") {
        out << kNewCaseUsage;
        return kExitNormal;
      } else if (o == "--surface") {
        surface = a.value(o);
      } else if (o == "--out") {
        out_file = a.value(o);
      } else if (o == "--gas") {
        c.gas = a.value(o);
      } else if (o == "--density") {
        c.FND = a.number<double>(o);
      } else if (o == "--temperature") {
        c.FTMP = a.number<double>(o);
      } else if (o == "--speed") {
        c.speed = a.number<double>(o);
      } else if (o == "--margin") {
        c.margin = a.number<double>(o);
      } else if (o == "--symmetry-y") {
        c.symmetry_y = true;
      } else if (o == "--symmetry-z") {
        c.symmetry_z = true;
      } else if (o == "--elements") {
        c.max_elements = a.number<long long>(o);
      } else if (o == "--molecules") {
        c.molecules = a.number<long long>(o);
      } else {
        throw UsageError("new-case: unknown option \"" + o + "\"");
      }
    }
    const GasPreset* gas = find_gas(c.gas);
    if (gas == nullptr) throw UsageError("--gas expects argon, nitrogen or air");
    Vec3 lo, hi;
    surface_file_bounds(surface, gas->MSP, lo, hi);
    write_text_file(out_file, gas_file_text(c, lo, hi));
    out << out_file << " written: " << c.gas << " at " << real(c.speed) << " m/s around the body "
        << "in x " << real(lo[0]) << " to " << real(hi[0]) << ", y " << real(lo[1]) << " to "
        << real(hi[1]) << ", z " << real(lo[2]) << " to " << real(hi[2]) << " m\n";
    return kExitNormal;
  } catch (const UserError& e) {
    return report_error(e, err);
  }
}

int run_interop_command(int argc, char** argv, bool& handled) {
  handled = false;
  if (argc < 2) return kExitNormal;
  const std::string command = argv[1];
  const std::vector<std::string> args(argv + 2, argv + argc);
  if (command == "import-surface") {
    handled = true;
    return import_surface_command(args, std::cout, std::cerr);
  }
  if (command == "new-case") {
    handled = true;
    return new_case_command(args, std::cout, std::cerr);
  }
  return kExitNormal;
}

}  // namespace qmxv::interop
