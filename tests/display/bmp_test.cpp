// The bitmap writer, checked by reading the file back byte by byte.
#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "display/canvas.h"
#include "support/files.h"

namespace qmxv::display {
namespace {

namespace fs = std::filesystem;

std::vector<std::uint8_t> read_all(const fs::path& p) {
  const std::string bytes = support::read_file(p);
  return {bytes.begin(), bytes.end()};
}

std::uint32_t u32(const std::vector<std::uint8_t>& b, std::size_t at) {
  return b[at] | b[at + 1] << 8 | b[at + 2] << 16 | static_cast<std::uint32_t>(b[at + 3]) << 24;
}
std::uint32_t u16(const std::vector<std::uint8_t>& b, std::size_t at) {
  return b[at] | b[at + 1] << 8;
}

class BmpTest : public ::testing::Test {
 protected:
  support::TempDir dir{"qmxv_bmp"};
  const fs::path& dir_ = dir.path();
};

// Widths 1..4 exercise every row padding (3, 2, 1, 0 bytes).
TEST_F(BmpTest, RoundTripKeepsHeadersPaddingAndBottomUpRows) {
  for (int width = 1; width <= 4; ++width) {
    const int height = 3;
    Canvas2D c(width, height);
    c.set_window(0, 0, width, height);
    ui::Palette pal{};
    pal[0] = {10, 20, 30};
    pal[1] = {200, 100, 50};
    pal[2] = {1, 2, 3};
    c.set_palette(pal);
    c.clear(0);
    c.fill_rect(1, 0, 2, 1, 3);              // top-left pixel (row 0)
    c.fill_rect(2, width - 1, 0, width, 1);  // bottom-right pixel (row 2)
    const fs::path path = dir_ / "PIC.BMP";
    ASSERT_TRUE(c.save_bmp(path.string()));
    EXPECT_FALSE(fs::exists(dir_ / "PIC.BMP.tmp"));

    const auto b = read_all(path);
    const std::uint32_t row = (3 * width + 3) / 4 * 4;
    ASSERT_EQ(b.size(), 54 + row * height) << "width " << width;
    EXPECT_EQ(std::string(b.begin(), b.begin() + 2), "BM");
    EXPECT_EQ(u32(b, 2), b.size());
    EXPECT_EQ(u32(b, 10), 54u);  // pixel data offset
    EXPECT_EQ(u32(b, 14), 40u);  // info header size
    EXPECT_EQ(u32(b, 18), static_cast<std::uint32_t>(width));
    EXPECT_EQ(u32(b, 22), static_cast<std::uint32_t>(height));  // positive: bottom-up
    EXPECT_EQ(u16(b, 26), 1u);                                  // planes
    EXPECT_EQ(u16(b, 28), 24u);                                 // bits per pixel
    EXPECT_EQ(u32(b, 30), 0u);                                  // uncompressed
    EXPECT_EQ(u32(b, 34), row * height);

    auto pixel = [&](int x, int y) {  // y from the top of the picture
      const std::size_t at = 54 + row * static_cast<std::size_t>(height - 1 - y) + 3 * x;
      return ui::Rgb{b[at + 2], b[at + 1], b[at]};  // stored blue, green, red
    };
    EXPECT_EQ(pixel(0, 0), pal[1]) << "width " << width;
    EXPECT_EQ(pixel(width - 1, height - 1), pal[2]) << "width " << width;
    if (width > 1) {
      EXPECT_EQ(pixel(1, 1), pal[0]) << "width " << width;
    }
    for (int y = 0; y < height; ++y)
      for (std::uint32_t pad = 3 * width; pad < row; ++pad)
        EXPECT_EQ(b[54 + row * y + pad], 0) << "padding, width " << width;
  }
}

TEST_F(BmpTest, ReplacesAnOldFileAndFailsCleanlyWhereItCannotWrite) {
  const fs::path path = dir_ / "DSCELLS.BMP";
  {
    std::ofstream old(path);
    old << "an older picture";
  }
  Image img{2, 2, std::vector<ui::Rgb>(4, ui::Rgb{9, 8, 7})};
  ASSERT_TRUE(img.save_bmp(path.string()));
  EXPECT_EQ(read_all(path).size(), 54u + 8u * 2u);

  EXPECT_FALSE(img.save_bmp((dir_ / "no such folder" / "X.BMP").string()));
  EXPECT_FALSE(write_bmp((dir_ / "BAD.BMP").string(), 3, 3, std::vector<ui::Rgb>(8)));
  EXPECT_FALSE(fs::exists(dir_ / "BAD.BMP"));
}

}  // namespace
}  // namespace qmxv::display
