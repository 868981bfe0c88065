// Writes a case into the two data files: one value per record (points and
// triangle corners three per record), each line with a comment after its
// values saying what the value is, so the files read as documents.
#pragma once

#include <filesystem>
#include <string>

#include "data_set.h"

namespace demogen {

// The value as the simulator will hold it (single precision), in the
// shortest text that reads back to that same value.
std::string format_real(double value);

std::string gas_file_name(int n);      // "QMXVD.DMn"
std::string surface_file_name(int n);  // "QMXSD.DMn"

std::string gas_file_text(const Case& c);
std::string surface_file_text(const Case& c);

// Writes both files of the case into `dir` (each to a temporary name first,
// then renamed into place). Throws std::runtime_error when it cannot.
void write_case(const Case& c, const std::filesystem::path& dir);

}  // namespace demogen
