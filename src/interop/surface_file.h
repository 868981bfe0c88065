// QMXSD.DAT written from imported shells: one surface per shell, every
// triangle solid, the first of each surface with the shared gas-surface
// properties and the others copying them (type code 0).
#pragma once

#include <filesystem>
#include <string>

#include "interop/surface_mesh.h"

namespace qmxv::interop {

struct WallProperties {
  float TSURF = 300.0f;  // > 0 diffuse at TSURF [K]; <= 0 adiabatic, minimum -TSURF
  float FSPEC = 0.0f;    // fraction of specular reflection
  int MSP = 1;           // species of the gas: one FADS, FOUT pair each (all 0)
  int MNSR = 0;          // surface reactions: one PSR each (all 0)
};

// The text of QMXSD.DAT, one record per line with a comment after its values;
// `origin` (the mesh files) goes into the comment of the first record.
std::string surface_file_text(const Body& body, const WallProperties& wall,
                              const std::string& origin);

// Writes `text` to `path` through a temporary file renamed into place, so a
// failed write never leaves half a file where a good one stood.
void write_text_file(const std::filesystem::path& path, const std::string& text);

}  // namespace qmxv::interop
