#include "interop/stl_reader.h"

#include <cmath>
#include <cstdint>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>

#include "run/errors.h"

namespace qmxv::interop {

namespace {

std::uint32_t little_u32(const unsigned char* b) {
  return static_cast<std::uint32_t>(b[0]) | static_cast<std::uint32_t>(b[1]) << 8 |
         static_cast<std::uint32_t>(b[2]) << 16 | static_cast<std::uint32_t>(b[3]) << 24;
}

float little_f32(const unsigned char* b) {
  const std::uint32_t u = little_u32(b);
  float f;
  std::memcpy(&f, &u, sizeof f);
  return f;
}

std::vector<Facet> read_binary(const std::string& bytes, const std::string& name,
                               std::uint32_t count) {
  std::vector<Facet> facets(count);
  const auto* data = reinterpret_cast<const unsigned char*>(bytes.data()) + 84;
  for (std::uint32_t n = 0; n < count; ++n) {
    const unsigned char* rec = data + 50 * static_cast<std::size_t>(n);
    Facet& f = facets[n];
    f.file = name;
    f.number = static_cast<int>(n) + 1;
    for (int a = 0; a < 3; ++a) f.normal[static_cast<std::size_t>(a)] = little_f32(rec + 4 * a);
    for (int c = 0; c < 3; ++c)
      for (int a = 0; a < 3; ++a) {
        const float x = little_f32(rec + 12 + 12 * c + 4 * a);
        if (!std::isfinite(x))
          throw DataError("Facet " + std::to_string(n + 1) + " has a corner that is not a number",
                          name, 0);
        f.corner[static_cast<std::size_t>(c)][static_cast<std::size_t>(a)] = x;
      }
  }
  return facets;
}

// Keyword-driven: the ASCII form is a sequence of words, and only "facet
// normal" and "vertex" carry numbers. Line numbers are kept for messages.
std::vector<Facet> read_ascii(const std::string& text, const std::string& name) {
  std::vector<Facet> facets;
  std::istringstream in(text);
  std::string line;
  int line_number = 0, corner = 3;
  auto fail = [&](const std::string& expected, const std::string& found) -> void {
    throw DataError(name, line_number, "", expected, "\"" + found + "\"");
  };
  auto read_three = [&](std::istringstream& words, Vec3& v) {
    for (double& x : v) {
      std::string w;
      if (!(words >> w)) fail("three coordinates", line);
      char* end = nullptr;
      x = std::strtod(w.c_str(), &end);
      if (end == w.c_str() || *end != '\0' || !std::isfinite(x)) fail("a real number", w);
    }
  };
  while (std::getline(in, line)) {
    ++line_number;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    std::istringstream words(line);
    std::string key;
    if (!(words >> key)) continue;
    if (key == "facet") {
      if (corner != 3) fail("three vertices before the next facet", line);
      std::string normal;
      words >> normal;
      if (normal != "normal") fail("\"facet normal nx ny nz\"", line);
      facets.push_back({});
      facets.back().file = name;
      facets.back().number = static_cast<int>(facets.size());
      read_three(words, facets.back().normal);
      corner = 0;
    } else if (key == "vertex") {
      if (corner >= 3) fail("a vertex inside a facet with at most three", line);
      read_three(words, facets.back().corner[static_cast<std::size_t>(corner++)]);
    } else if (key == "endfacet") {
      if (corner != 3) fail("three vertices in the facet", line);
    } else if (key != "solid" && key != "outer" && key != "endloop" && key != "endsolid") {
      fail("an STL keyword (solid, facet, outer loop, vertex, endloop, endfacet, endsolid)", key);
    }
  }
  if (corner != 3) {
    ++line_number;
    fail("three vertices in the last facet", "end of file");
  }
  return facets;
}

}  // namespace

std::vector<Facet> read_stl(const std::filesystem::path& path) {
  const std::string name = path.filename().string();
  std::ifstream in(path, std::ios::binary);
  if (!in) throw DataError("The mesh file cannot be opened", path.string(), 0);
  std::stringstream ss;
  ss << in.rdbuf();
  const std::string bytes = ss.str();
  if (bytes.size() >= 84) {
    const std::uint32_t count =
        little_u32(reinterpret_cast<const unsigned char*>(bytes.data()) + 80);
    if (bytes.size() == 84 + 50 * static_cast<std::uint64_t>(count))
      return read_binary(bytes, name, count);
  }
  const auto first = bytes.find_first_not_of(" \t\r\n");
  if (first == std::string::npos || bytes.compare(first, 5, "solid") != 0)
    throw DataError("Not an STL file: neither \"solid\" at the start nor a binary facet count "
                    "that matches the file's size",
                    path.string(), 0);
  return read_ascii(bytes, name);
}

}  // namespace qmxv::interop
