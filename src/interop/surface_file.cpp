#include "interop/surface_file.h"

#include <cstdio>
#include <fstream>
#include <system_error>

#include "run/errors.h"

namespace qmxv::interop {

namespace {

// A record padded to a comment column, as in the demonstration files.
void record(std::string& out, const std::string& values, const std::string& comment) {
  out += values;
  out.append(values.size() < 40 ? 40 - values.size() : 1, ' ');
  out += comment;
  out += '\n';
}

std::string real(double x) {
  char b[32];
  std::snprintf(b, sizeof b, "%.9g", x);  // float32 round-trips in 9 digits
  return b;
}

}  // namespace

std::string surface_file_text(const Body& body, const WallProperties& wall,
                              const std::string& origin) {
  std::string out;
  const std::size_t nsurf = body.shells.size();
  record(out, std::to_string(nsurf), "NSURF, number of surfaces, imported from " + origin);
  for (std::size_t s = 0; s < nsurf; ++s) {
    const Shell& sh = body.shells[s];
    const std::string S = std::to_string(s + 1);
    record(out, std::to_string(sh.points.size()),
           "NPTS(" + S + ") points on surface " + S + (sh.closed ? " (closed)" : " (open)"));
    record(out, std::to_string(sh.triangles.size()), "NSTRIS(" + S + ") solid triangles");
    record(out, "0", "NFTRIS(" + S + ") flow entry triangles");
  }
  for (std::size_t s = 0; s < nsurf; ++s) {
    const Shell& sh = body.shells[s];
    const std::string S = std::to_string(s + 1);
    for (std::size_t p = 0; p < sh.points.size(); ++p)
      record(out, real(sh.points[p][0]) + " " + real(sh.points[p][1]) + " " + real(sh.points[p][2]),
             "point " + std::to_string(p + 1) + " of surface " + S + ": x, y, z [m]");
    for (std::size_t t = 0; t < sh.triangles.size(); ++t) {
      const auto& tri = sh.triangles[t];
      record(out,
             std::to_string(tri[0] + 1) + " " + std::to_string(tri[1] + 1) + " " +
                 std::to_string(tri[2] + 1),
             "triangle " + std::to_string(t + 1) + " of surface " + S);
      if (t > 0) {
        record(out, "0", "ITCODE, same properties as the triangle before");
        continue;
      }
      record(out, "1", "ITCODE, solid surface");
      record(out, real(wall.TSURF),
             wall.TSURF > 0 ? "TSURF, diffuse reflection at this temperature [K]"
                            : "TSURF, diffuse adiabatic, minimum temperature -TSURF [K]");
      record(out, real(wall.FSPEC), "FSPEC, fraction of specular reflection");
      for (int L = 1; L <= wall.MSP; ++L) {
        record(out, "0.0", "FADS(" + std::to_string(L) + "), fraction adsorbed");
        record(out, "0.0", "FOUT(" + std::to_string(L) + "), outgas mass flux [kg/m^2/s]");
      }
      for (int J = 1; J <= wall.MNSR; ++J)
        record(out, "0.0", "PSR(" + std::to_string(J) + "), probability of surface reaction");
    }
  }
  return out;
}

void write_text_file(const std::filesystem::path& path, const std::string& text) {
  std::filesystem::path temporary = path;
  temporary += ".tmp";
  {
    std::ofstream out(temporary, std::ios::binary);
    out << text;
    out.close();
    if (!out) throw UsageError("cannot write " + temporary.string());
  }
  std::error_code ec;
  std::filesystem::rename(temporary, path, ec);
  if (ec) throw UsageError("cannot rename " + temporary.string() + " to " + path.string() + ": " +
                           ec.message());
}

}  // namespace qmxv::interop
