// 24-bit uncompressed Windows bitmaps (BITMAPFILEHEADER + BITMAPINFOHEADER):
// rows stored bottom-up, each padded to a multiple of 4 bytes, pixels as
// blue, green, red bytes, every header field little-endian.
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "display/canvas.h"

namespace qmxv::display {

namespace {

constexpr std::uint32_t kFileHeaderBytes = 14;
constexpr std::uint32_t kInfoHeaderBytes = 40;
// 72 dots per inch, the resolution the format's readers assume by default.
constexpr std::uint32_t kPixelsPerMetre = 2835;

void put_u16(std::vector<std::uint8_t>& out, std::uint32_t v) {
  out.push_back(static_cast<std::uint8_t>(v & 0xff));
  out.push_back(static_cast<std::uint8_t>((v >> 8) & 0xff));
}

void put_u32(std::vector<std::uint8_t>& out, std::uint32_t v) {
  put_u16(out, v & 0xffff);
  put_u16(out, v >> 16);
}

}  // namespace

bool write_bmp(const std::string& path, int width, int height, const std::vector<ui::Rgb>& pixels) {
  if (width <= 0 || height <= 0) return false;
  if (pixels.size() != static_cast<std::size_t>(width) * static_cast<std::size_t>(height))
    return false;
  const std::uint32_t row_bytes = (3u * static_cast<std::uint32_t>(width) + 3u) & ~3u;
  const std::uint32_t image_bytes = row_bytes * static_cast<std::uint32_t>(height);
  const std::uint32_t offset = kFileHeaderBytes + kInfoHeaderBytes;

  std::vector<std::uint8_t> out;
  out.reserve(offset + image_bytes);
  out.push_back('B');
  out.push_back('M');
  put_u32(out, offset + image_bytes);  // file size
  put_u32(out, 0);                     // two reserved words
  put_u32(out, offset);                // start of the pixel rows
  put_u32(out, kInfoHeaderBytes);
  put_u32(out, static_cast<std::uint32_t>(width));
  put_u32(out, static_cast<std::uint32_t>(height));  // positive: rows bottom-up
  put_u16(out, 1);                                   // planes
  put_u16(out, 24);                                  // bits per pixel
  put_u32(out, 0);                                   // no compression
  put_u32(out, image_bytes);
  put_u32(out, kPixelsPerMetre);
  put_u32(out, kPixelsPerMetre);
  put_u32(out, 0);  // colours used: none, no table at 24 bits
  put_u32(out, 0);  // important colours: all
  for (int row = height - 1; row >= 0; --row) {
    const ui::Rgb* p = pixels.data() + static_cast<std::size_t>(row) * width;
    for (int c = 0; c < width; ++c) {
      out.push_back(p[c].b);
      out.push_back(p[c].g);
      out.push_back(p[c].r);
    }
    for (std::uint32_t pad = 3u * static_cast<std::uint32_t>(width); pad < row_bytes; ++pad)
      out.push_back(0);
  }

  // A crash or a full disk never leaves half a bitmap where a good one stood.
  const std::string temporary = path + ".tmp";
  {
    std::ofstream file(temporary, std::ios::binary | std::ios::trunc);
    if (!file) return false;
    file.write(reinterpret_cast<const char*>(out.data()), static_cast<std::streamsize>(out.size()));
    file.close();
    if (!file) {
      std::remove(temporary.c_str());
      return false;
    }
  }
  if (std::rename(temporary.c_str(), path.c_str()) != 0) {
    std::remove(temporary.c_str());
    return false;
  }
  return true;
}

}  // namespace qmxv::display
