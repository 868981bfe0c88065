#include "writer.h"

#include <charconv>
#include <fstream>
#include <stdexcept>
#include <system_error>

namespace demogen {

std::string format_real(double value) {
  float f = static_cast<float>(value);
  if (f == 0.0f) f = 0.0f;  // no "-0"
  char buf[32];
  const auto r = std::to_chars(buf, buf + sizeof buf, f);
  if (r.ec != std::errc()) throw std::runtime_error("cannot format a real");
  return std::string(buf, r.ptr);
}

std::string gas_file_name(int n) {
  return "QMXVD.DM" + std::to_string(n);
}
std::string surface_file_name(int n) {
  return "QMXSD.DM" + std::to_string(n);
}

namespace {

// Lines of "values  comment", the comments starting in one column.
class Lines {
 public:
  explicit Lines(std::size_t column) : column_(column) {}
  void add(const std::string& values, const std::string& comment) {
    text_ += values;
    const std::size_t pad = values.size() < column_ ? column_ - values.size() : 2;
    text_.append(pad, ' ');
    text_ += comment;
    text_ += '\n';
  }
  void real(double v, const std::string& comment) { add(format_real(v), comment); }
  void integer(long long v, const std::string& comment) { add(std::to_string(v), comment); }
  const std::string& text() const { return text_; }

 private:
  std::size_t column_;
  std::string text_;
};

std::string indexed(const std::string& name, int i) {
  return name + "(" + std::to_string(i) + ")";
}
std::string indexed(const std::string& name, int i, int j) {
  return name + "(" + std::to_string(i) + "," + std::to_string(j) + ")";
}

const char* boundary_text(int code) {
  switch (code) {
    case 1:
      return "axis of symmetry";
    case 2:
      return "plane of symmetry";
    case 3:
      return "stream boundary";
    case 4:
      return "vacuum boundary";
    case 5:
      return "periodic boundary";
    case 6:
      return "constant pressure boundary";
    default:
      return "specular wall moving into the flow";
  }
}

std::string species_name(const GasDataSet& g, int code) {
  if (code <= 0) return "none";
  return g.species[static_cast<std::size_t>(code - 1)].name;
}

}  // namespace

int GasDataSet::mmvm() const {
  std::size_t m = 0;
  for (const auto& s : species) m = std::max(m, s.modes.size());
  return static_cast<int>(m);
}

std::string gas_file_text(const Case& c) {
  const GasDataSet& g = c.gas;
  Lines out(16);
  const char* limit_names[] = {"XMIN", "XMAX", "YMIN", "YMAX", "ZMIN", "ZMAX"};
  const char* limit_text[] = {"lower x", "upper x", "lower y", "upper y", "lower z", "upper z"};
  for (int i = 0; i < 6; ++i) {
    std::string comment =
        std::string(limit_names[i]) + ", " + limit_text[i] + " limit of the flow region [m]";
    if (i == 0) comment += " -- " + c.title + " demonstration";
    out.real(g.limits[static_cast<std::size_t>(i)], comment);
  }
  const char* axes = "xyz";
  for (int a = 0; a < 3; ++a) {
    out.integer(g.divisions[static_cast<std::size_t>(a)],
                std::string("NDIV") + static_cast<char>('X' + a) + ", divisions along " + axes[a]);
  }
  for (int a = 0; a < 3; ++a) {
    out.integer(g.elements[static_cast<std::size_t>(a)],
                std::string("NEL") + static_cast<char>('X' + a) + ", elements per division along " +
                    axes[a]);
  }
  const int msp = static_cast<int>(g.species.size());
  const int mmvm = g.mmvm();
  out.integer(msp, "MSP, number of molecular species");
  out.integer(mmvm, "MMVM, largest number of vibrational modes of a species");
  out.integer(static_cast<long long>(g.reactions.size()), "MNR, number of gas-phase reactions");
  out.integer(static_cast<long long>(g.third_body.size()), "MTBP, number of third-body tables");
  out.integer(static_cast<long long>(g.surface_reactions.size()),
              "MNSR, number of surface reactions");

  for (int L = 1; L <= msp; ++L) {
    const Species& s = g.species[static_cast<std::size_t>(L - 1)];
    out.real(s.diameter,
             indexed("SP", 1, L) + " " + s.name + " reference diameter [m] (" + s.source + ")");
    out.real(s.tref, indexed("SP", 2, L) + " " + s.name + " reference temperature [K]");
    out.real(s.omega, indexed("SP", 3, L) + " " + s.name + " viscosity-temperature power law");
    out.real(s.mass, indexed("SP", 4, L) + " " + s.name + " molecular mass [kg]");
    out.integer(s.rotational_dof,
                indexed("ISPR", 1, L) + " " + s.name + " rotational degrees of freedom");
    if (s.rotational_dof == 0) continue;
    out.integer(s.rotational_relaxation,
                indexed("ISPR", 2, L) + " " + s.name + " rotational relaxation collision number");
    if (mmvm == 0) continue;
    out.integer(static_cast<long long>(s.modes.size()),
                indexed("ISPV", L) + " " + s.name + " vibrational modes");
    for (int K = 1; K <= static_cast<int>(s.modes.size()); ++K) {
      const VibrationalMode& m = s.modes[static_cast<std::size_t>(K - 1)];
      out.real(m.theta, indexed("THETAV", K, L) + " " + s.name +
                            " characteristic vibrational temperature [K]");
      out.real(m.c1, "SPVC(1," + std::to_string(K) + "," + std::to_string(L) +
                         ") C1 of Z_v = (C1/T^omega) exp(C2 T^(-1/3)), Millikan & White (1963)");
      out.real(m.c2, "SPVC(2," + std::to_string(K) + "," + std::to_string(L) + ") C2");
    }
  }

  for (int J = 1; J <= static_cast<int>(g.reactions.size()); ++J) {
    const Reaction& r = g.reactions[static_cast<std::size_t>(J - 1)];
    const std::string tag = "reaction " + std::to_string(J);
    out.integer(r.le, indexed("LE", J) + " " + tag + ": " + r.equation + " (" + r.source + ")");
    out.integer(r.me, indexed("ME", J) + " " + species_name(g, r.me));
    if (r.kp > 0) {
      out.integer(r.kp, indexed("KP", J) + " dissociation: first product " + species_name(g, r.kp));
      out.integer(r.lp, indexed("LP", J) + " second product " + species_name(g, r.lp));
      out.integer(r.mp, indexed("MP", J) + " third product " + species_name(g, r.mp));
    } else if (r.kp < 0) {
      out.integer(r.kp, indexed("KP", J) + " recombination");
      out.integer(r.lp, indexed("LP", J) + " product " + species_name(g, r.lp));
      out.integer(r.mp, indexed("MP", J) + " third body from table " + std::to_string(-r.mp));
    } else {
      out.integer(r.kp, indexed("KP", J) + " exchange");
      out.integer(r.lp, indexed("LP", J) + " product of " + species_name(g, r.le) + ": " +
                            species_name(g, r.lp));
      out.integer(r.mp, indexed("MP", J) + " product of " + species_name(g, r.me) + ": " +
                            species_name(g, r.mp));
    }
    out.real(r.ci, indexed("CI", J) + " contributing internal degrees of freedom");
    out.real(r.ae, indexed("AE", J) + " activation energy [J]");
    out.real(r.lambda * 1.0e10, indexed("PX", J) + " 1.E10 times the pre-exponential factor (" +
                                    (r.kp < 0 ? "m^6/s" : "m^3/s") + ")");
    out.real(r.eta, indexed("CT", J) + " temperature exponent");
    out.real(r.re, indexed("RE", J) + " energy of the reaction [J]");
  }

  for (int J = 1; J <= static_cast<int>(g.third_body.size()); ++J) {
    for (int L = 1; L <= msp; ++L) {
      out.real(g.third_body[static_cast<std::size_t>(J - 1)][static_cast<std::size_t>(L - 1)],
               indexed("TBP", L, J) + " third-body efficiency of " + species_name(g, L) +
                   " in table " + std::to_string(J));
    }
  }

  for (int J = 1; J <= static_cast<int>(g.surface_reactions.size()); ++J) {
    const SurfaceReaction& r = g.surface_reactions[static_cast<std::size_t>(J - 1)];
    out.integer(r.incident1,
                indexed("ISRI", 1, J) + " surface reaction " + std::to_string(J) + ": " + r.text);
    out.integer(r.incident2, indexed("ISRI", 2, J) + " second incident species (0 none)");
    for (int k = 1; k <= 6; ++k) {
      const int p = r.products[static_cast<std::size_t>(k - 1)];
      out.integer(
          p, indexed("ISRR", k, J) + " product " + std::to_string(k) + " " + species_name(g, p));
    }
    out.real(r.energy, indexed("ESR", J) + " energy input to the surface [J]");
  }

  out.real(g.stream.number_density, std::string("FND, number density of the ") +
                                        (g.init == 1 ? "stream" : "reference gas") + " [1/m^3]");
  out.real(g.stream.temperature, "FTMP, temperature [K]");
  out.real(g.stream.u, "VFX, velocity component along x [m/s]");
  out.real(g.stream.v, "VFY, velocity component along y [m/s]");
  out.real(g.stream.w, "VFZ, velocity component along z [m/s]");
  for (int L = 1; L <= msp; ++L) {
    out.real(g.stream.fractions[static_cast<std::size_t>(L - 1)],
             indexed("FSP", L) + " number fraction of " + species_name(g, L));
  }
  const char* sides[] = {"minimum x", "maximum x", "minimum y",
                         "maximum y", "minimum z", "maximum z"};
  for (int i = 0; i < 6; ++i) {
    out.integer(g.boundaries[static_cast<std::size_t>(i)],
                indexed("IB", i + 1) + " side at " + sides[i] + ": " +
                    boundary_text(g.boundaries[static_cast<std::size_t>(i)]));
  }
  out.integer(g.init, g.init == 1 ? "INIT, the flow starts as the stream"
                                  : "INIT, the flow starts as a vacuum");
  out.integer(0, "ISEP, no secondary stream");
  out.real(g.fnum, "FNUM, real molecules per simulated molecule");
  out.real(g.tref, "TREF, reference time [s]");
  out.integer(g.isteady, "ISTEADY, sampling for an eventually steady flow");
  out.real(g.rout, "ROUT, output interval in reference times");
  out.integer(g.nspi, "NSPI, samples in each output interval");
  out.integer(g.nsteady, "NSTEADY, output intervals to assumed steady flow");
  out.integer(g.mnm, "MNM, initial capacity of the molecule store");
  out.integer(g.nmct, "NMCT, molecule moves in each mean collision time");
  out.integer(g.nmtt, "NMTT, molecule moves in each cell transit time");
  out.integer(g.iindex, g.iindex == 1 ? "IINDEX, continuous indexing" : "IINDEX, normal indexing");
  out.integer(g.isubc, g.isubc == 1 ? "ISUBC, transient sub-cells" : "ISUBC, no sub-cells");
  return out.text();
}

namespace {

std::string point_text(const Vec3& p) {
  return format_real(p.x) + " " + format_real(p.y) + " " + format_real(p.z);
}

void solid_records(Lines& out, const GasDataSet& g, const SolidProperties& s) {
  out.real(s.tsurf, "TSURF, diffuse reflection at this wall temperature [K]");
  out.real(s.fspec, "FSPEC, fraction of specular reflection");
  for (int L = 1; L <= static_cast<int>(g.species.size()); ++L) {
    const std::string name = g.species[static_cast<std::size_t>(L - 1)].name;
    out.real(s.fads[static_cast<std::size_t>(L - 1)],
             indexed("FADS", L) + " fraction of " + name + " adsorbed");
    out.real(s.fout[static_cast<std::size_t>(L - 1)],
             indexed("FOUT", L) + " outgas mass flux of " + name + " [kg/m^2/s]");
  }
  for (int J = 1; J <= static_cast<int>(g.surface_reactions.size()); ++J) {
    out.real(s.psr[static_cast<std::size_t>(J - 1)],
             indexed("PSR", J) + " probability of surface reaction " + std::to_string(J) + ": " +
                 g.surface_reactions[static_cast<std::size_t>(J - 1)].text);
  }
}

void entry_records(Lines& out, const GasDataSet& g, const EntryProperties& e) {
  out.real(e.u, "entry gas velocity component along x [m/s]");
  out.real(e.v, "entry gas velocity component along y [m/s]");
  out.real(e.w, "entry gas velocity component along z [m/s]");
  out.real(e.temperature, "entry gas temperature [K]");
  out.real(e.number_density, "entry gas number density [1/m^3]");
  for (int L = 1; L <= static_cast<int>(g.species.size()); ++L) {
    out.real(e.fractions[static_cast<std::size_t>(L - 1)],
             "number fraction of " + g.species[static_cast<std::size_t>(L - 1)].name);
  }
}

// Solid triangles first, then entry triangles, so that each kind's
// properties are written once and the rest of its triangles copy them.
std::vector<std::size_t> file_order(const Mesh& m) {
  std::vector<std::size_t> order;
  for (int pass = 0; pass < 2; ++pass) {
    for (std::size_t i = 0; i < m.triangles.size(); ++i) {
      if (m.triangles[i].entry == (pass == 1)) order.push_back(i);
    }
  }
  return order;
}

}  // namespace

std::string surface_file_text(const Case& c) {
  Lines out(40);
  const int nsurf = static_cast<int>(c.surfaces.size());
  out.integer(nsurf, "NSURF, number of surfaces -- " + c.title + " demonstration");
  for (int S = 1; S <= nsurf; ++S) {
    const Surface& s = c.surfaces[static_cast<std::size_t>(S - 1)];
    long long entries = 0;
    for (const auto& t : s.mesh.triangles) entries += t.entry ? 1 : 0;
    const long long solids = static_cast<long long>(s.mesh.triangles.size()) - entries;
    out.integer(static_cast<long long>(s.mesh.points.size()),
                indexed("NPTS", S) + " points on surface " + std::to_string(S) + ": " + s.name);
    out.integer(solids, indexed("NSTRIS", S) + " solid triangles");
    out.integer(entries, indexed("NFTRIS", S) + " flow entry triangles");
  }
  for (int S = 1; S <= nsurf; ++S) {
    const Surface& s = c.surfaces[static_cast<std::size_t>(S - 1)];
    const std::string tag = " of surface " + std::to_string(S);
    for (std::size_t p = 0; p < s.mesh.points.size(); ++p) {
      out.add(point_text(s.mesh.points[p]),
              "point " + std::to_string(p + 1) + tag + (p == 0 ? ": x, y, z [m]" : ""));
    }
    bool first_solid = true, first_entry = true;
    int n = 0;
    for (std::size_t i : file_order(s.mesh)) {
      const MeshTriangle& t = s.mesh.triangles[i];
      ++n;
      out.add(std::to_string(t.v[0] + 1) + " " + std::to_string(t.v[1] + 1) + " " +
                  std::to_string(t.v[2] + 1),
              "triangle " + std::to_string(n) + tag +
                  (n == 1 ? ": its points, in the order that makes (P2-P1)x(P3-P1) point into "
                            "the flow"
                          : ""));
      bool& first = t.entry ? first_entry : first_solid;
      if (!first) {
        out.integer(0, "the same properties as the preceding triangle");
        continue;
      }
      first = false;
      if (t.entry) {
        out.integer(2, "a specified flow entry segment");
        entry_records(out, c.gas, s.entry);
      } else {
        out.integer(1, "a solid surface");
        solid_records(out, c.gas, s.solid);
      }
    }
  }
  return out.text();
}

namespace {

void write_file(const std::filesystem::path& path, const std::string& text) {
  std::filesystem::path tmp = path;
  tmp += ".tmp";
  {
    std::ofstream f(tmp, std::ios::binary);
    f << text;
    f.close();
    if (!f) throw std::runtime_error("cannot write " + tmp.string());
  }
  std::error_code ec;
  std::filesystem::rename(tmp, path, ec);
  if (ec) throw std::runtime_error("cannot rename " + tmp.string() + " to " + path.string());
}

}  // namespace

void write_case(const Case& c, const std::filesystem::path& dir) {
  write_file(dir / gas_file_name(c.number), gas_file_text(c));
  write_file(dir / surface_file_name(c.number), surface_file_text(c));
}

}  // namespace demogen
