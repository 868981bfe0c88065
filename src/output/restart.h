// The restart set: eleven files in the working directory that hold the whole
// state of a run at its last output (or right after initialization), so a
// run closed at any moment can be continued exactly.
//
// Each file is one record framed by a header (magic word, format version,
// byte order, file number, generation = NOUT, payload length) and a CRC-32
// trailer; QMXVP.RES also lists the length and checksum of every other file
// of its set. A set is written under temporary names, made durable, then
// committed by a marker file and renamed into place, so a run killed at any
// instant leaves either the old set or the new one, never a mixture.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace qmxv {
struct State;
namespace ui {
class Toolkit;
}

// Writes the restart set of the current state (after initialization and at
// every output). A write that fails (a full disk) removes its temporaries,
// keeps the previous set and reports the failure in DIAG.TXT and on the
// terminal; the run goes on. Returns whether the new set is in place.
bool write_restart(State& s);

// Reads the restart set into the state, showing the reading panel. Throws
// RestartError naming the file, what was expected and what was found when
// the set is missing, damaged or not one set; no file is changed then.
void read_restart(State& s, ui::Toolkit& ui);

// The bytes of the restart set in place (the files the state's set holds).
std::uint64_t restart_set_bytes(const State& s);

namespace restart {

// Format version of the framing and of the records' contents; raised
// whenever an item is added, removed or moved. 2: the prepared reaction tables.
inline constexpr std::uint32_t kFormatVersion = 2;

// One item of a file's record as the writer lays it out: its name and bytes.
struct DumpItem {
  int file = 0;
  std::string name;
  std::string bytes;
};

// Every item of every file of the set in the order written: two states that
// give the same dump continue identically.
std::vector<DumpItem> dump(State& s);

// Stages of a write, for tests that stop a writer at a given moment: called
// with "temporaries written", "marker written", "renamed <file>",
// "renames done" and "marker removed".
using StageHook = void (*)(const char* stage);
void set_stage_hook(StageHook hook);

// The names used while a set is written.
std::string temporary_name(int file);
inline constexpr const char* kMarkerName = "QMXVRES.COMMIT";

}  // namespace restart
}  // namespace qmxv
