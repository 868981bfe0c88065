#include "output/sampling.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <vector>

#include "display/displays.h"
#include "output/export.h"
#include "run/constants.h"
#include "run/state.h"
#include "ui/toolkit.h"

namespace qmxv {
namespace {

constexpr double kB = 1.3806e-23;          // Boltzmann constant [J/K]
constexpr double kTwoOverK = 1.4486455e23;  // 2/k
constexpr int kHistory = 200;               // entries of the molecule-number ring

// Molecular mass of species m [kg].
double mass(const State& s, int m) { return s.SP(4, m); }

// The stream as a cell inside a body shows it: its Mach number with the
// flow cells' formula, U / sqrt(((zeta+2)/zeta) k T / m) with the stream's
// mean mass and rotational degrees of freedom.
float stream_mach(const State& s) {
  double m = 0, zr = 0;
  for (int L = 1; L <= s.MSP; ++L) {
    m += s.FSP(L) * mass(s, L);
    zr += s.FSP(L) * s.ISPR(1, L);
  }
  const double zeta = 3.0 + zr;
  const double a = std::sqrt((zeta + 2.0) / zeta * kB * s.FTMP / m);
  return a > 0 ? static_cast<float>(s.VSTRM / a) : 0.0f;
}

void body_cell(State& s, int c) {
  s.VAR(2, c) = s.FND;
  s.VAR(3, c) = s.FDEN;
  s.VAR(4, c) = s.VFX;
  s.VAR(5, c) = s.VFY;
  s.VAR(6, c) = 0.0f;
  for (int k = 7; k <= 10; ++k) s.VAR(k, c) = s.FTMP;
  s.VAR(11, c) = stream_mach(s);
  s.VAR(12, c) = 0.0f;
  s.VAR(13, c) = -1.0f;
  for (int k = 14; k <= 16; ++k) s.VAR(k, c) = 0.0f;
  s.VAR(17, c) = static_cast<float>(s.FND * kB * s.FTMP);
}

// Vibrational temperature and degrees of freedom of one mode from its
// energy sum E over N molecules: the harmonic-oscillator level population
// inverted, T = theta / ln(1 + k theta N / E), zeta = 2x/(e^x - 1), x = theta/T
// (Bird 1994, eqs. 11.28-11.29).
void mode_temperature(double theta, double N, double E, double& T, double& zeta) {
  if (E < kB) {
    T = 0;
    zeta = 0;
    return;
  }
  T = theta / std::log(1.0 + kB * theta * N / E);
  const double x = theta / T;
  zeta = 2.0 * x / std::expm1(x);
}

void cell_results(State& s, int c) {
  const float V = s.CELL(1, c);
  if (V <= 0.0f) {
    body_cell(s, c);
    return;
  }
  double A[9] = {0, 0, 0, 0, 0, 0, 0, 0, 0};
  for (int m = 1; m <= s.MSP; ++m) {
    const double N = s.CSAMP(1, c, m), mm = mass(s, m);
    A[0] += N;
    A[1] += mm * N;
    A[2] += mm * s.CSAMP(2, c, m);
    A[3] += mm * s.CSAMP(3, c, m);
    A[4] += mm * s.CSAMP(4, c, m);
    A[5] += mm * (s.CSAMP(5, c, m) + s.CSAMP(6, c, m) + s.CSAMP(7, c, m));
    if (N > 0.5) {
      A[6] += s.CSAMP(5, c, m) + s.CSAMP(6, c, m) + s.CSAMP(7, c, m);
      if (s.ISPR(1, m) > 0) {
        A[7] += s.CSAMP(8, c, m);
        A[8] += s.ISPR(1, m) * N;
      }
    }
    s.VARSP(1, c, m) = static_cast<float>(N);
    if (N > 0.1) {
      for (int j = 1; j <= 3; ++j) {
        s.VARSP(2 + j, c, m) = static_cast<float>(s.CSAMP(4 + j, c, m) / N);
        s.VARSP(8 + j, c, m) = static_cast<float>(s.CSAMP(1 + j, c, m) / N);
      }
    }
  }
  const double A0 = A[0], A1 = A[1];
  if (A0 < 25.0 || A0 < s.NSAMP) s.ICSAMPLE(c) = 0;

  for (int m = 1; m <= s.MSP; ++m) {
    const double N = s.CSAMP(1, c, m);
    if (A0 > 0.1) s.VAR(17 + m, c) = static_cast<float>(N / A0);
    if (N > 0.5) {
      double sum = 0;
      for (int j = 1; j <= 3; ++j) {
        const double mean = s.VARSP(8 + j, c, m);
        const double t = (s.VARSP(2 + j, c, m) - mean * mean) * mass(s, m) / kB;
        s.VARSP(2 + j, c, m) = static_cast<float>(t);
        sum += t;
      }
      s.VARSP(6, c, m) = static_cast<float>(sum / 3.0);
      if (A0 > 0.1) {
        s.VARSP(2, c, m) = static_cast<float>(N / A0);
        s.VARSP(7, c, m) =
            s.ISPR(1, m) < 1
                ? 0.0f
                : static_cast<float>(s.CSAMP(8, c, m) * kTwoOverK / (s.ISPR(1, m) * N));
      }
    }
  }

  s.VAR(1, c) = static_cast<float>(A0);
  const int nprop = 17 + s.MSP;
  if (A0 <= 50.0) {
    for (int k = 1; k <= nprop; ++k) s.VAR(k, c) = 0.0f;
    return;
  }
  const double n = s.FNUM * std::pow(double(s.SCALE), 3) * A0 / (s.NSAMP * double(V));
  s.VAR(2, c) = static_cast<float>(n);
  s.VAR(3, c) = static_cast<float>(n * A1 / A0);
  const double u = A[2] / A1, v = A[3] / A1, w = A[4] / A1;
  s.VAR(4, c) = static_cast<float>(u);
  s.VAR(5, c) = static_cast<float>(v);
  s.VAR(6, c) = static_cast<float>(w);
  const double U2 = u * u + v * v + w * w;
  const double Ttr = std::fabs(A[5] - U2 * A1) / (3.0 * kB * A0);
  const double Trot = A[8] <= 0.01 ? 0.0 : A[7] * kTwoOverK / A[8];
  const double zr = A[8] / A0;
  s.VAR(7, c) = static_cast<float>(Ttr);
  s.VAR(8, c) = static_cast<float>(Trot);
  s.VAR(9, c) = 0.0f;
  double T = (3.0 * Ttr + zr * Trot) / (3.0 + zr);
  s.VAR(10, c) = static_cast<float>(T);
  // The pressure takes the temperature before any vibrational part.
  s.VAR(17, c) = static_cast<float>(n * kB * T);

  double zv = 0;
  if (s.MMVM > 0) {
    double Tv = 0;
    for (int m = 1; m <= s.MSP; ++m) {
      if (s.ISPV(m) < 1) continue;
      const double N = s.CSAMP(1, c, m);
      double zm = 0, zt = 0;
      for (int K = 1; K <= s.ISPV(m); ++K) {
        double TK, zK;
        mode_temperature(s.THETAV(K, m), N, s.CSAMP(8 + K, c, m), TK, zK);
        zm += zK;
        zt += zK * TK;
      }
      const double Tm = zm > 1e-6 ? zt / zm : double(s.VAR(10, c));
      if (N > 0.5) s.VARSP(8, c, m) = static_cast<float>(Tm);
      Tv += Tm * N / A0;
      zv += zm * N / A0;
    }
    s.VAR(9, c) = static_cast<float>(Tv);
    T = (3.0 * Ttr + zr * Trot + zv * Tv) / (3.0 + zr + zv);
    s.VAR(10, c) = static_cast<float>(T);
  }

  for (int m = 1; m <= s.MSP; ++m) {
    if (s.CSAMP(1, c, m) <= 0.5) continue;
    for (int j = 1; j <= 3; ++j) s.VARSP(8 + j, c, m) -= s.VAR(3 + j, c);
  }

  const double U = std::sqrt(U2);
  const double zeta = 3.0 + zr + zv;
  const double sound2 = (zeta + 2.0) / zeta * kB * double(s.VAR(10, c)) * A0 / A1;
  s.VAR(11, c) = sound2 > 0 ? static_cast<float>(U / std::sqrt(sound2)) : 0.0f;
  s.VAR(12, c) = static_cast<float>(A0 / s.NSAMP);
  const double C = s.CCOLL(c);
  const double tcoll =
      C > 2.0 ? (s.TIME - s.TSAMPSTART) * 0.5 * s.VAR(12, c) / (s.SCALE * C) : 1.0e10;
  s.VAR(13, c) = static_cast<float>(tcoll);
  // Mean thermal speed sqrt(8/(3 pi)) c_rms times the mean collision time.
  s.VAR(14, c) = static_cast<float>(0.92132 * std::sqrt(std::fabs(A[6] / A0 - U2)) * tcoll);
  s.VAR(15, c) = C > 2.0 && s.VAR(14, c) > 0.0f
                     ? static_cast<float>(s.CSEP(c) / (s.SCALE * C) / s.VAR(14, c))
                     : 0.0f;
  s.VAR(16, c) = static_cast<float>(U);
}

}  // namespace

void allocate_sample(State& s) {
  const int cells = std::max(1, s.NCELLS), tris = std::max(1, s.NSTRI);
  s.CSAMP.allocate(8 + s.MMVM, cells, s.MSP);
  s.CCOLL.allocate(cells);
  s.CSEP.allocate(cells);
  s.CSPCOLL.allocate(s.MSP, s.MSP);
  s.SSAMP.allocate(6, tris, s.MSP);
  s.SFORCE.allocate(6, std::max(1, s.NSURF));
  s.STEMP.allocate(2, tris);
  s.SREAC.allocate(std::max(1, s.MNSR));
  s.VAR.allocate(17 + s.MSP, cells);
  s.VARSP.allocate(11, cells, s.MSP);
  s.VARS.allocate(9 + s.MSP, tris);
  s.ICSAMPLE.allocate(cells);
  s.HISTNM.allocate(2, kHistory);
  s.IHIST = 2;
  s.NOUT = 0;
  s.DTMEAN = 0;
  s.DTMIN = 0;
  s.AREF = -1;
  s.LREF = -1;
}

void default_display_selections(State& s) {
  s.IPROP = 10;
  s.ILOG = 0;
  s.IRANGELO = s.IRANGEHI = 0;
  s.IWHITE = 0;
  s.IPLANE = 3;
  s.IPLDIV = 1;
  s.IPLEL = 1;
  s.ICOLSTYLE = 1;
  s.IPROPS = 2;
  s.ILOGS = 0;
  s.IRANGELOS = s.IRANGEHIS = 0;
  s.IWHITES = 0;
  s.IFSURF = 1;
}

void sample_flowfield(State& s, ui::Toolkit& ui) {
  s.NSAMP += 1;
  s.DIAG.write("Flowfield sample", s.NSAMP);
  if (s.NSTRI > 0) show_forces(s, ui);
  const bool rotation = s.CSAMP.extent(1) >= 8;
  for (int n = 1; n <= s.NM; ++n) {
    const int c = std::abs(s.IP(2, n));
    if (c < 1) continue;
    const int L = s.NIPR == 3 ? std::abs(s.IP(3, n)) : 1;
    double* sum = &s.CSAMP(1, c, L);
    const double u = s.PV(1, n), v = s.PV(2, n), w = s.PV(3, n);
    sum[0] += 1.0;
    sum[1] += u;
    sum[2] += v;
    sum[3] += w;
    sum[4] += u * u;
    sum[5] += v * v;
    sum[6] += w * w;
    if (rotation && s.ISPR(1, L) > 0) sum[7] += s.PV(4, n);
    if (s.MMVM > 0)
      for (int K = 1; K <= s.ISPV(L); ++K)
        sum[7 + K] += s.IPVIB(K, n) * kB * s.THETAV(K, L);
  }
  s.TSAMP += s.DTSAMP;
  s.HISTNM(1, s.IHIST) = static_cast<float>(s.TIME);
  s.HISTNM(2, s.IHIST) = static_cast<float>(s.NM);
  s.IHIST = s.IHIST == kHistory ? 1 : s.IHIST + 1;
}

void reset_sample(State& s) {
  s.TSAMPSTART = static_cast<float>(s.TIME);
  s.NSAMP = 0;
  s.NMSAMPSTART = s.NM;
  s.CCOLL.fill(0.0);
  s.CSEP.fill(0.0);
  s.CSPCOLL.fill(0.0);
  s.CSAMP.fill(0.0);
  s.SSAMP.fill(0.0);
  s.SFORCE.fill(0.0);
  s.STEMP.fill(0.0);
  s.SREAC.fill(0.0);
}

void flowfield_results(State& s) {
  s.VARSP.fill(0.0f);
  s.ICSAMPLE.fill(1);
  double sum15 = 0;
  for (int c = 1; c <= s.NCELLS; ++c) {
    cell_results(s, c);
    sum15 += s.VAR(15, c);
  }
  s.CSEPMFP = s.NCELLS > 0 ? static_cast<float>(sum15 / s.NCELLS) : 0.0f;
}

void surface_results(State& s) {
  const double span = s.TIME - s.TSAMPSTART;
  std::vector<int> triangle(s.NSTRI + 1, 0);  // solid-triangle number -> triangle number
  for (int N = 1; N <= s.NTRI; ++N)
    if (s.ITP(4, N) > 0) triangle[s.ITP(4, N)] = N;
  for (int j = 1; j <= s.NSTRI; ++j) {
    const int N = triangle[j];
    const double area = s.TRI(kTriArea, N);
    // Sums over the scaled sample time and the scaled area to physical fluxes.
    const double C =
        span > 1e-10 && area > 0 ? s.FNUM * std::pow(double(s.SCALE), 3) / (span * area) : 0.0;
    double sum[7] = {0, 0, 0, 0, 0, 0, 0};
    for (int m = 1; m <= s.MSP; ++m)
      for (int k = 1; k <= 6; ++k) sum[k] += s.SSAMP(k, j, m);
    const double S1 = sum[1];
    s.VARS(1, j) = static_cast<float>(S1);
    for (int k = 2; k <= 7; ++k) s.VARS(k, j) = static_cast<float>(C * (k == 2 ? S1 : sum[k - 1]));
    s.VARS(8, j) = s.VARS(6, j) + s.VARS(7, j);
    const double Ts = s.TSURF(j);
    double Tw = Ts;
    if (Ts <= 0.0) {
      const double Te = s.STEMP(1, j) > 0.1 ? s.STEMP(2, j) * kTwoOverK / s.STEMP(1, j) : 0.0;
      Tw = std::max(std::fabs(Ts), Te);
    }
    s.VARS(9, j) = static_cast<float>(Tw);
    // An unstruck triangle keeps the fractions of the output before.
    if (S1 > 0)
      for (int m = 1; m <= s.MSP; ++m)
        s.VARS(9 + m, j) = static_cast<float>(s.SSAMP(1, j, m) / S1);
  }
}

float adapt_time_steps(State& s) {
  const float old = s.DTM;
  double sum = 0;
  int count = 0;
  for (int c = 1; c <= s.NCELLS; ++c) {
    s.CELL(14, c) *= 0.8f;
    if (s.ICSAMPLE(c) != 1 || !(s.VAR(13, c) > 0.0f)) continue;
    double dt = s.SCALE * double(s.VAR(13, c)) / (2.0 * s.NMCT);
    const double cmp = std::sqrt(2.7612e-23 * s.VAR(10, c) / s.SP(4, 1));
    for (int axis = 0; axis < 3; ++axis) {
      const double width = s.CELL(6 + 2 * axis, c) - s.CELL(5 + 2 * axis, c);
      const double speed = std::fabs(double(s.VAR(4 + axis, c)));
      // No transit term along an axis the flow does not move along.
      if (speed > 0) dt = std::min(dt, std::fabs(width / speed) / (2.0 * s.NMTT));
      if (cmp > 0) dt = std::min(dt, std::fabs(width / cmp) / (2.0 * s.NMTT));
    }
    s.CELL(13, c) = static_cast<float>(dt);
    sum += dt;
    ++count;
  }
  if (count > 0) {
    s.DTMEAN = static_cast<float>(sum / count);
    s.DTMIN = s.DTMEAN / 10.0f;
    s.DTM = 2.0f * s.DTMIN;
  }
  // Until an output has counted a cell there are no limits: [0, 0] would stop every molecule.
  if (s.DTMEAN > 0.0f) {
    const float hi = 10.0f * s.DTMEAN;
    for (int c = 1; c <= s.NCELLS; ++c) s.CELL(13, c) = std::clamp(s.CELL(13, c), s.DTMIN, hi);
  }
  return old;
}

OutputReport output_step(State& s, ui::Toolkit& ui) {
  OutputReport report;
  s.NOUT += 1;
  if (s.NSURF > 0 && s.NSTRI > 0) surface_results(s);
  flowfield_results(s);
  const float old = adapt_time_steps(s);
  s.DIAG.write("DTM changes from", old / s.SCALE, " to", s.DTM / s.SCALE);
  s.TOUT += s.DTOUT;
  s.TSAMP += s.DTSKIP;

  // The export describes the sample just closed, whatever is reset below.
  ClosedSample closed = close_sample(s);
  report.nsamp = s.NSAMP;

  if (s.ISTEADY == 1 && std::fabs(double(s.NM) - s.NMSAMPSTART) > 8.0 * std::sqrt(double(s.NM))) {
    s.DIAG.line("Sample reset due to excessive molecule number change");
    reset_sample(s);
    report.number_change_reset = report.reset = true;
  }
  if (s.NSTRI > 0) draw_surface_results(s, ui);
  draw_history(s, ui);
  draw_flowfield(s, ui);
  if (s.ISTEADY == 0 || s.TIME < s.TSTEADY) {
    reset_sample(s);
    report.reset = true;
  }
  export_output(s, closed, report.reset);
  return report;
}

}  // namespace qmxv
