#include "core/molecules.h"

#include <cstdint>
#include <cstdio>
#include <fstream>
#include <limits>
#include <new>
#include <string>

#include "core/indexing.h"
#include "run/errors.h"
#include "run/state.h"

namespace qmxv {

namespace {

int rows_of_pv(const State& s) {
  for (int L = 1; L <= s.MSP; ++L)
    if (s.ISPR(1, L) > 0) return 4;
  return 3;
}

// Copies every array's column `from` into column `to`.
void copy_column(State& s, int from, int to) {
  for (int i = 1; i <= 3; ++i) s.PP(i, to) = s.PP(i, from);
  for (int i = 1; i <= s.NMOLC; ++i) s.PV(i, to) = s.PV(i, from);
  for (int i = 1; i <= s.NIPR; ++i) s.IP(i, to) = s.IP(i, from);
  for (int k = 1; k <= s.MMVM; ++k) s.IPVIB(k, to) = s.IPVIB(k, from);
  s.PTIM(to) = s.PTIM(from);
}

void allocate_arrays(State& s, int mnm, int nir) {
  s.PP.allocate(3, mnm);
  s.PV.allocate(s.NMOLC, mnm);
  s.PTIM.allocate(mnm);
  s.IP.allocate(s.NIPR, mnm);
  s.IPVIB.allocate(s.MMVM, s.MMVM > 0 ? mnm : 0);
  s.IR.allocate(nir);
}

void release_arrays(State& s) {
  s.PP.clear();
  s.PV.clear();
  s.PTIM.clear();
  s.IP.clear();
  s.IPVIB.clear();
  s.IR.clear();
}

// The continuous-indexing list holds six places per molecule slot.
std::int64_t list_places(const State& s, std::int64_t mnm) { return s.IINDEX == 1 ? 6 * mnm : 1; }

template <typename T>
void put(std::ofstream& out, const T& v) {
  out.write(reinterpret_cast<const char*>(&v), sizeof v);
}
template <typename T>
void get(std::ifstream& in, T& v) {
  in.read(reinterpret_cast<char*>(&v), sizeof v);
}

// One molecule's record of the scratch file, in a fixed order: position,
// velocity and rotational energy, index rows, own time, vibrational levels.
template <typename Stream, typename Io>
void molecule_record(State& s, Stream& f, int n, Io io) {
  for (int i = 1; i <= 3; ++i) io(f, s.PP(i, n));
  for (int i = 1; i <= s.NMOLC; ++i) io(f, s.PV(i, n));
  for (int i = 1; i <= s.NIPR; ++i) io(f, s.IP(i, n));
  io(f, s.PTIM(n));
  for (int k = 1; k <= s.MMVM; ++k) io(f, s.IPVIB(k, n));
}

[[noreturn]] void extend_failed(State& s, const std::string& what) {
  s.DIAG.line(what);
  throw UserError(what, kExitBadData, "Molecule Store");
}

}  // namespace

void allocate_molecules(State& s, int mnm) {
  s.NMOLC = rows_of_pv(s);
  s.NIPR = s.MSP < 2 ? 2 : 3;
  const std::int64_t nir = list_places(s, mnm);
  if (nir > std::numeric_limits<int>::max())
    extend_failed(s, "PROGRAM COULD NOT ALLOCATE INITIAL MOLECULES: the index of MNM = " +
                         std::to_string(mnm) + " molecules would exceed 2147483647 places");
  try {
    allocate_arrays(s, mnm, static_cast<int>(nir));
  } catch (const std::bad_alloc&) {
    release_arrays(s);
    extend_failed(s, "PROGRAM COULD NOT ALLOCATE INITIAL MOLECULES");
  }
  s.MNM = mnm;
  s.NIR = static_cast<int>(nir);
  s.NM = 0;
}

void remove_molecule(State& s, int& n, int c) {
  if (s.IINDEX == 1) remove_from_cell(s, c, n);
  if (n != s.NM) {
    copy_column(s, s.NM, n);
    if (s.IINDEX == 1 && s.IP(1, n) > 0) s.IR(s.IP(1, n)) = n;
  }
  s.NM -= 1;
  n -= 1;
}

int add_molecule(State& s) {
  if (s.NM >= s.MNM) extend_molecules(s, 1.1f);
  s.NM += 1;
  return s.NM;
}

int duplicate_molecule(State& s, int n, int c) {
  const int m = add_molecule(s);
  copy_column(s, n, m);
  if (s.IINDEX == 1) add_to_cell(s, c, m);
  return m;
}

void extend_molecules(State& s, float f) {
  const int old_mnm = s.MNM;
  const int old_nir = s.NIR;
  const std::int64_t grown = static_cast<std::int64_t>(static_cast<double>(old_mnm) * f);
  const std::int64_t mnm = grown > old_mnm ? grown : static_cast<std::int64_t>(old_mnm) + 1;
  const std::int64_t nir = list_places(s, mnm);
  if (mnm > std::numeric_limits<int>::max() || nir > std::numeric_limits<int>::max())
    extend_failed(s, "PROGRAM COULD NOT ALLOCATE SPACE FOR EXTEND_MNM: " + std::to_string(mnm) +
                         " molecules (and " + std::to_string(nir) +
                         " index places) exceed the 32-bit molecule numbers; increase FNUM");

  s.DIAG.write("Maximum number of molecules is to be extended from", old_mnm, " to", mnm);
  s.DIAG.line("( if the additional memory is available !! )");

  const auto mol_file = s.file("EXTMOLS.SCR");
  const auto ind_file = s.file("EXTMOLI.SCR");
  {
    std::ofstream out(mol_file, std::ios::binary | std::ios::trunc);
    std::ofstream outi;
    if (s.IINDEX == 1) outi.open(ind_file, std::ios::binary | std::ios::trunc);
    if (!out || (s.IINDEX == 1 && !outi))
      extend_failed(s, "PROGRAM COULD NOT ALLOCATE SPACE FOR EXTEND_MNM: cannot create " +
                           mol_file.string() + " for the molecules (the store is unchanged)");
    s.DIAG.line("Start write to temporary disk storage");
    for (int n = 1; n <= old_mnm; ++n)
      molecule_record(s, out, n, [](std::ofstream& f, const auto& v) { put(f, v); });
    if (s.IINDEX == 1)
      for (int k = 1; k <= old_nir; ++k) put(outi, s.IR(k));
    out.close();
    if (outi.is_open()) outi.close();
    if (!out || (s.IINDEX == 1 && !outi)) {
      std::remove(mol_file.c_str());
      std::remove(ind_file.c_str());
      extend_failed(s, "PROGRAM COULD NOT ALLOCATE SPACE FOR EXTEND_MNM: writing " +
                           mol_file.string() + " failed (disk full?); the store is unchanged");
    }
    s.DIAG.line("Disk write completed");
  }

  release_arrays(s);
  s.DIAG.line("Molecule arrays have been deallocated");
  try {
    allocate_arrays(s, static_cast<int>(mnm), static_cast<int>(nir));
  } catch (const std::bad_alloc&) {
    // The molecules stay in EXTMOLS.SCR; the run cannot go on without them.
    extend_failed(s, "PROGRAM COULD NOT ALLOCATE SPACE FOR EXTEND_MNM");
  }

  s.DIAG.line("Start read back from temporary disk storage");
  {
    std::ifstream in(mol_file, std::ios::binary);
    std::ifstream ini;
    if (s.IINDEX == 1) ini.open(ind_file, std::ios::binary);
    for (int n = 1; n <= old_mnm; ++n)
      molecule_record(s, in, n, [](std::ifstream& f, auto& v) { get(f, v); });
    if (s.IINDEX == 1)
      for (int k = 1; k <= old_nir; ++k) get(ini, s.IR(k));
    if (!in || (s.IINDEX == 1 && !ini))
      extend_failed(s, "PROGRAM COULD NOT ALLOCATE SPACE FOR EXTEND_MNM: reading back " +
                           mol_file.string() + " failed");
  }
  std::remove(mol_file.c_str());
  if (s.IINDEX == 1) std::remove(ind_file.c_str());
  s.MNM = static_cast<int>(mnm);
  s.NIR = static_cast<int>(nir);
}

std::size_t molecule_bytes(const State& s) {
  return s.PP.bytes() + s.PV.bytes() + s.PTIM.bytes() + s.IP.bytes() + s.IPVIB.bytes() +
         s.IR.bytes() + s.IRCELL.bytes();
}

}  // namespace qmxv
