// STL, the triangle-soup format every CAD program exports, in both its forms:
// ASCII ("solid" ... "facet normal" ... "outer loop" ... three "vertex"
// lines ... "endloop" "endfacet" ... "endsolid") and binary (an 80-byte
// header, a little-endian uint32 facet count, then 50 bytes per facet: the
// normal and three corners as float32, and a 16-bit attribute).
//
// A reader of our own: STL is all the import needs, and a general mesh
// library would be a large dependency for sixty lines of parsing.
#pragma once

#include <filesystem>
#include <vector>

#include "interop/surface_mesh.h"

namespace qmxv::interop {

// The facets of `path`, numbered from 1. A file whose size is exactly that of
// the binary layout for the count in its header is binary (binary files may
// begin with "solid" too); any other is read as ASCII. Throws DataError naming
// the file and line (or facet) of a fault.
std::vector<Facet> read_stl(const std::filesystem::path& path);

}  // namespace qmxv::interop
