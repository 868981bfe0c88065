#include "core/initialize.h"

#include <algorithm>
#include <cmath>
#include <new>
#include <string>

#include "core/chemistry.h"
#include "core/indexing.h"
#include "core/molecules.h"
#include "core/thermal.h"
#include "data/datum_lines.h"
#include "geometry/locate.h"
#include "output/sampling.h"
#include "run/constants.h"
#include "run/errors.h"
#include "run/state.h"
#include "ui/toolkit.h"

namespace qmxv {

namespace {

void poll_or_stop(ui::Toolkit& ui) {
  if (ui.poll() == ui::Event::Close) throw StopRequest{};
}

// The gas of one stream: number density, temperature, velocity, fractions.
struct StreamGas {
  float n, T, u, v, w;
  const FArray1<float>* fsp;
};

StreamGas stream_gas(const State& s, int J) {
  if (J == 1) return {s.FND, s.FTMP, s.VFX, s.VFY, s.VFZ, &s.FSP};
  return {s.FND2, s.FTMP2, s.VFX2, s.VFY2, s.VFZ2, &s.FSP2};
}

// Number flux through unit area of a drifting Maxwellian, in units of n vmp:
// (exp(-s^2) + sqrt(pi) s (1 + erf s)) / (2 sqrt(pi)), s the inward normal
// speed ratio (Bird 1994, eq. 4.22); its hypersonic limits s and 0.
float flux_factor(float s) {
  if (s >= 9.9f) return s;
  if (s <= -9.9f) return 0.0f;
  return (std::exp(-s * s) + SPI * s * (1.0f + ERF(s))) / 3.5449078f;
}

// Rows 1 and 3..7 of an entry record from the fraction, the most probable
// speed and the speed ratio.
void fill_entry_record(float* r, float fraction, float vmp, float ratio) {
  r[kEntFraction - 1] = fraction;
  r[kEntRemainder - 1] = 0.0f;
  r[kEntVmp - 1] = vmp;
  r[kEntSpeedRatio - 1] = ratio;
  r[kEntUmax2 - 1] = ratio + std::sqrt(ratio * ratio + 2.0f);
  r[kEntExponent - 1] = ((2.0f * ratio - r[kEntUmax2 - 1]) * ratio + 1.0f) * 0.5f;
}

void stream_constants(State& s) {
  s.VMP.allocate(s.MSP);
  s.BLEAVE.allocate(2, s.MSP);
  s.XSEPNET.allocate(s.MSP);
  double mass = 0, dof = 0;
  s.VMPM = 0;
  for (int L = 1; L <= s.MSP; ++L) {
    mass += s.FSP(L) * s.SP(4, L);
    dof += s.FSP(L) * (s.ISPR(1, L) + 3);
    s.VMP(L) = std::sqrt(BOLTZ2 * s.FTMP / s.SP(4, L));
    s.VMPM = std::max(s.VMPM, s.VMP(L));
  }
  s.FDEN = static_cast<float>(s.FND * mass);
  s.FPR = s.FND * BOLTZ * s.FTMP;
  s.VSTRM = std::sqrt(s.VFX * s.VFX + s.VFY * s.VFY + s.VFZ * s.VFZ);
  const double sound = std::sqrt(dof / (dof + 2.0) * BOLTZ * s.FTMP / mass);
  s.FMA = static_cast<float>(s.VSTRM / sound);
}

void species_pairs(State& s) {
  s.SPM.allocate(7, s.MSP, s.MSP);
  for (int L = 1; L <= s.MSP; ++L) {
    for (int M = 1; M <= s.MSP; ++M) {
      const float mL = s.SP(4, L), mM = s.SP(4, M);
      const float d = s.SP(1, L) + s.SP(1, M);
      // m_L m_M / (m_L + m_M), formed so that the product of two masses
      // (about 1e-51 kg^2) never underflows single precision.
      s.SPM(1, L, M) = mL / (mL + mM) * mM;
      s.SPM(2, L, M) = 0.7853982f * d * d;
      s.SPM(3, L, M) = 0.5f * (s.SP(3, L) + s.SP(3, M));
      s.SPM(4, L, M) = 0.5f * d;
      s.SPM(5, L, M) = 0.5f * (s.SP(2, L) + s.SP(2, M));
      s.SPM(6, L, M) = 1.0f / GAM(2.5f - s.SPM(3, L, M));
      const int zL = s.ISPR(1, L) > 0 ? s.ISPR(2, L) : 0;
      const int zM = s.ISPR(1, M) > 0 ? s.ISPR(2, M) : 0;
      if (zL > 0 || zM > 0) s.SPM(7, L, M) = 2.0f / static_cast<float>(zL + zM);
    }
  }
}

// The VHS equilibrium collision rate of species L in the stream (Bird 1994,
// eq. 4.78): sum over M of 2 sqrt(pi) d_LM^2 n_M (T/Tref)^(1-omega) sqrt(2k Tref/m_r).
double stream_collision_rate(const State& s, int L) {
  double nu = 0;
  for (int M = 1; M <= s.MSP; ++M) {
    const double d = s.SPM(4, L, M);
    nu += 3.5449078 * d * d * s.FND * s.FSP(M) *
          std::pow(s.FTMP / s.SPM(5, L, M), 1.0 - s.SPM(3, L, M)) *
          std::sqrt(2.7612e-23 * s.SPM(5, L, M) / s.SPM(1, L, M));
  }
  return nu;
}

void time_step(State& s) {
  double nu = 0, mfp = 0;
  for (int L = 1; L <= s.MSP; ++L) {
    const double nuL = stream_collision_rate(s, L);
    nu += s.FSP(L) * nuL;
    if (nuL > 0) mfp += s.FSP(L) * 1.1283791 * s.VMP(L) / nuL;
  }
  s.CTSTR = nu > 0 ? static_cast<float>(1.0 / nu) : 0.0f;
  s.FMFP = static_cast<float>(mfp);
  s.DIAG.write("Approximate collision time in the stream is", s.CTSTR);
  s.DIAG.write("Approximate mean free path in the stream is", s.FMFP);

  const float speed = s.VSTRM;
  s.DTM = speed / s.VMPM <= 1.0f ? 0.04f * s.DDX / s.VMPM : 0.04f * s.DDX / speed;
  const float by_mfp = 0.05f * s.FMFP * s.SCALE / s.VMPM;
  if (s.FMFP > 0 && by_mfp < s.DTM) s.DTM = by_mfp;
  s.DIAG.write("Initial time step is", s.DTM);
  if (nu > 0) {
    const float by_collisions = static_cast<float>(0.1 * s.SCALE / nu);
    if (by_collisions < s.DTM) s.DTM = by_collisions;
  }
  s.DTMREF = s.DTM;
  s.DIAG.write("The initial value of the overall time step is", s.DTM / s.SCALE);
}

void cell_fields(State& s) {
  s.CTIME.allocate(s.NCELLS);
  const float sigma_cr = 2.0f * s.VMPM * s.SPM(2, 1, 1);
  for (int c = 1; c <= s.NCELLS; ++c) {
    s.CELL(12, c) = 0.0f;
    s.CELL(13, c) = 0.5f * s.DTM;
    s.CELL(14, c) = sigma_cr;
  }
}

void face_entry(State& s) {
  try {
    s.EFACE.allocate(kEntFields, s.MSP, 6, 2);
  } catch (const std::bad_alloc&) {
    throw UserError("PROGRAM COULD NOT ALLOCATE EFACE", kExitBadData, "Initialization");
  }
  const float area[6] = {s.DDY * s.DDZ, s.DDY * s.DDZ, s.DDX * s.DDZ,
                         s.DDX * s.DDZ, s.DDX * s.DDY, s.DDX * s.DDY};
  const float sc2 = s.SCALE * s.SCALE;
  for (int J = 1; J <= (s.ISEP == 1 ? 2 : 1); ++J) {
    const StreamGas g = stream_gas(s, J);
    const float normal[6] = {g.u, -g.u, g.v, -g.v, g.w, -g.w};
    for (int K = 1; K <= 6; ++K) {
      // A constant-pressure side re-enters molecules with the stream's flux distribution, so it
      // needs the same record as a stream side (without a secondary stream it is one).
      if (s.IB(K) != 3 && s.IB(K) != 6) continue;
      for (int L = 1; L <= s.MSP; ++L) {
        const float vmp = std::sqrt(BOLTZ2 * g.T / s.SP(4, L));
        const float ratio = normal[K - 1] / vmp;
        float* r = &s.EFACE(1, L, K, J);
        fill_entry_record(r, (*g.fsp)(L), vmp, ratio);
        r[kEntRate - 1] = g.n * (*g.fsp)(L) * vmp * (area[K - 1] / sc2) * flux_factor(ratio) /
                          (s.FNUM * s.SCALE);
      }
    }
  }
}

void triangle_entry(State& s) {
  const float sc2 = s.SCALE * s.SCALE;
  s.EFTRI.allocate(kEntFields, s.MSP, std::max(1, s.NFTRI));
  s.ENTVL.allocate(3, std::max(1, s.NFTRI));
  for (int e = 1; e <= s.NFTRI; ++e) {
    const int t = s.IENTT(e);
    const float nx = s.TRI(kTriNx, t), ny = s.TRI(kTriNy, t), nz = s.TRI(kTriNz, t);
    const float u = s.ENTV(1, e), v = s.ENTV(2, e), w = s.ENTV(3, e);
    s.ENTVL(1, e) = u * nx + v * ny + w * nz;
    const float st = std::sqrt(ny * ny + nz * nz);
    if (st > 1.0e-6f) {
      s.ENTVL(2, e) = (v * nz - w * ny) / st;
      s.ENTVL(3, e) = (v * ny + w * nz) * nx / st - st * u;
    } else {
      s.ENTVL(2, e) = v;
      s.ENTVL(3, e) = w;
    }
    const float T = s.ENTV(4, e), n = s.ENTV(5, e);
    for (int L = 1; L <= s.MSP; ++L) {
      const float vmp = std::sqrt(T / s.FTMP) * s.VMP(L);
      const float ratio = s.ENTVL(1, e) / vmp;
      float* r = &s.EFTRI(1, L, e);
      fill_entry_record(r, s.ENTFSP(L, e), vmp, ratio);
      r[kEntRate - 1] = n * s.ENTFSP(L, e) * vmp * (s.TRI(kTriArea, t) / sc2) *
                        flux_factor(ratio) / (s.SCALE * s.FNUM);
    }
  }
}

void outgassing(State& s) {
  s.FOUTR.allocate(s.MSP, std::max(1, s.NSTRI));
  s.TOUTG = 0;
  const float sc3 = s.SCALE * s.SCALE * s.SCALE;
  for (int t = 1; t <= s.NTRI; ++t) {
    const int k = s.ITP(4, t);
    if (k <= 0) continue;
    for (int L = 1; L <= s.MSP; ++L) {
      s.FOUT(L, k) = s.TRI(kTriArea, t) * s.FOUT(L, k) / (s.FNUM * s.SP(4, L) * sc3);
      s.TOUTG += s.FOUT(L, k);
    }
  }
}

// True when (x, y, z) lies in an element of cell c that is wholly open to
// the flow (an element cut by a surface never receives initial molecules).
bool open_element_of_cell(State& s, float x, float y, float z, int c) {
  locate_division_element(s, x, y, z);
  if (s.IELCELL(s.IDZ, s.IDY, s.IDX, s.IEZ, s.IEY, s.IEX) != c) return false;
  const int code = s.JDIV(1, s.IDZ, s.IDY, s.IDX);
  return code >= 0 || s.IELVOL(-code, s.IEZ, s.IEY, s.IEX) == 1000;
}

// The molecule arrays, sized by MNM, are full before the initial state is:
// the message points at MNM, the capacity that ran out.
[[noreturn]] void refuse_initial_molecules(State& s, int c) {
  s.DIAG.write("The initial number of molecules exceeds MNM in cell", c);
  s.DIAG.line("Either increase MNM or FNUM in the data");
  throw UserError(file_and_line("QMXVD.DAT", gas_datum_line(s, Item("MNM"), s.MNM)) +
                      ": The initial number of molecules exceeds MNM = " + std::to_string(s.MNM) +
                      " in cell " + std::to_string(c) + ": either increase MNM or FNUM in the data",
                  kExitBadData, "Initialization");
}

// Fills stream J's part of the flow (J = 2: at and beyond XSEP) with one
// running remainder across all cells and species.
void place_molecules(State& s, int J) {
  const StreamGas g = stream_gas(s, J);
  const bool split = s.ISEP == 1;
  const float sc3 = s.SCALE * s.SCALE * s.SCALE;
  double remainder = 0;
  for (int c = 1; c <= s.NCELLS; ++c) {
    const float x0 = s.CELL(kCellXLo, c), x1 = s.CELL(kCellXHi, c);
    const float y0 = s.CELL(kCellYLo, c), y1 = s.CELL(kCellYHi, c);
    const float z0 = s.CELL(kCellZLo, c), z1 = s.CELL(kCellZHi, c);
    for (int L = 1; L <= s.MSP; ++L) {
      double expected = static_cast<double>(g.n) * s.CELL(kCellVolume, c) * (*g.fsp)(L) /
                        (static_cast<double>(sc3) * s.FNUM);
      if (expected < 0) expected = 0;
      const int count = static_cast<int>(expected + remainder);
      remainder = expected + remainder - count;
      long long target = static_cast<long long>(s.NM) + count;
      const float vmp = std::sqrt(BOLTZ2 * g.T / s.SP(4, L));
      int failures = 0;
      while (s.NM < target && failures < 100) {
        const float x = x0 + s.RF() * (x1 - x0);
        const float y = y0 + s.RF() * (y1 - y0);
        const float z = z0 + s.RF() * (z1 - z0);
        if (split && (J == 1 ? x >= s.XSEP : x < s.XSEP)) {
          target -= 1;
          continue;
        }
        if (!open_element_of_cell(s, x, y, z, c)) {
          ++failures;
          continue;
        }
        failures = 0;
        if (s.NM >= s.MNM) refuse_initial_molecules(s, c);
        const int n = ++s.NM;
        s.ICELL(2, c) += 1;
        s.IP(2, n) = c;
        if (s.NIPR > 2) s.IP(3, n) = L;
        s.PP(1, n) = x;
        s.PP(2, n) = y;
        s.PP(3, n) = z;
        s.PTIM(n) = (2.0f * s.RF() - 1.0f) * s.CELL(13, c);
        s.PV(1, n) = thermal_component(s) * vmp + g.u;
        s.PV(2, n) = thermal_component(s) * vmp + g.v;
        s.PV(3, n) = thermal_component(s) * vmp + g.w;
        set_internal_energies(s, n, L, g.T);
      }
    }
  }
}

}  // namespace

void set_schedule(State& s) {
  s.TIME = 0.0;
  s.TLIM = 100000.0f * s.TREF;
  s.DTOUT = s.ROUT * s.TREF;
  s.TOUT = s.DTOUT;
  s.DTSAMP = s.DTOUT * s.FAVG / static_cast<float>(s.NSPI);
  s.DTSKIP = s.DTOUT - s.DTOUT * s.FAVG;
  s.TSTEADY = static_cast<float>(s.NSTEADY) * s.DTOUT;
  s.TSAMP = s.DTSKIP + s.DTSAMP;
}

void initialize_flow(State& s, ui::Toolkit& ui) {
  try {
    stream_constants(s);
  } catch (const std::bad_alloc&) {
    throw UserError("PROGRAM COULD NOT ALLOCATE VMP", kExitBadData, "Initialization");
  }
  species_pairs(s);
  prepare_reactions(s);
  poll_or_stop(ui);
  time_step(s);
  poll_or_stop(ui);
  cell_fields(s);
  face_entry(s);
  triangle_entry(s);
  outgassing(s);
  set_schedule(s);
  s.IUNITS = s.IUNITCFG;

  allocate_molecules(s, s.MNM);
  poll_or_stop(ui);
  for (int c = 1; c <= s.NCELLS; ++c) s.ICELL(2, c) = 0;
  if (s.INIT == 1) {
    place_molecules(s, 1);
    if (s.ISEP == 1) place_molecules(s, 2);
  }
  poll_or_stop(ui);
  rebuild_index(s);
  try {
    allocate_sample(s);
    default_display_selections(s);
  } catch (const std::bad_alloc&) {
    throw UserError("PROGRAM COULD NOT ALLOCATE VAR,VARS", kExitBadData, "Initialization");
  }
  s.DIAG.line("Initialization Complete");
  s.DIAG.line("The flow simulation will now start from zero time.");
}

}  // namespace qmxv
