// What the build refuses as the application's resources, and how credits become pages.
#include <gtest/gtest.h>

#include <string>

#include "resources/tools/credits_text.h"
#include "resources/tools/resource_checks.h"
#include "tests/support/xm_writer.h"

namespace {

resources::Bytes bmp(std::int32_t width, std::int32_t height, std::uint16_t bits,
                     std::uint32_t compression = 0, std::size_t cut = 0) {
  const std::uint32_t rowBytes = (bits * width + 31) / 32 * 4;
  const std::uint32_t imageBytes =
      rowBytes * static_cast<std::uint32_t>(height < 0 ? -height : height);
  resources::Bytes b(54 + imageBytes, 0);
  auto put = [&b](std::size_t at, std::uint32_t v, int n) {
    for (int i = 0; i < n; ++i)
      b[at + i] = static_cast<std::uint8_t>(v >> (8 * i));
  };
  b[0] = 'B';
  b[1] = 'M';
  put(2, static_cast<std::uint32_t>(b.size()), 4);
  put(10, 54, 4);
  put(14, 40, 4);
  put(18, static_cast<std::uint32_t>(width), 4);
  put(22, static_cast<std::uint32_t>(height), 4);
  put(26, 1, 2);
  put(28, bits, 2);
  put(30, compression, 4);
  b.resize(b.size() - cut);
  return b;
}

TEST(ResourceCheck, BitmapsMustBeUncompressed24BitOfTheRightSize) {
  EXPECT_EQ(resources::bitmapFault(bmp(330, 225, 24), 330, 225), "");
  EXPECT_EQ(resources::bitmapFault(bmp(330, -225, 24), 330, 225), "");
  const struct {
    resources::Bytes bytes;
    const char* fault;
  } cases[] = {
      {resources::Bytes{'G', 'I', 'F', '8'},
       "not a BMP picture; it must be a 24-bit BMP of 330 x 225 pixels"},
      {bmp(330, 225, 32), "a 32-bit BMP; it must be a 24-bit BMP of 330 x 225 pixels"},
      {bmp(330, 225, 24, 1),
       "a 24-bit compressed BMP; it must be a 24-bit BMP of 330 x 225 pixels"},
      {bmp(331, 225, 24),
       "a picture of 331 x 225 pixels; it must be a 24-bit BMP of 330 x 225 pixels"},
      {bmp(330, 225, 24, 0, 10), "the BMP's pixels are cut short"},
  };
  for (const auto& c : cases)
    EXPECT_EQ(resources::bitmapFault(c.bytes, 330, 225), c.fault);
}

TEST(ResourceCheck, IconsAndModules) {
  resources::Bytes icon = {0, 0, 1, 0, 1, 0,  16, 16, 0, 0, 1, 0, 32,
                           0, 4, 0, 0, 0, 22, 0,  0,  0, 1, 2, 3, 4};
  EXPECT_EQ(resources::iconFault(icon), "");
  icon.pop_back();
  EXPECT_EQ(resources::iconFault(icon), "icon image 1 is cut short");
  EXPECT_EQ(resources::iconFault(resources::Bytes(6, 0)), "not an icon file (.ico)");

  xmtest::Module module;
  module.patterns.push_back(xmtest::Pattern{});
  resources::Bytes whole = xmtest::writeXm(module);
  EXPECT_EQ(resources::moduleFault(whole), "");
  // A cut file is refused for embedding even where the player would play what remains.
  whole.resize(whole.size() - 1);
  EXPECT_EQ(resources::moduleFault(whole).rfind(
                "the file ends at byte " + std::to_string(whole.size()), 0),
            0u);
  EXPECT_EQ(resources::moduleFault(resources::Bytes(100, 'x')),
            "not a module (no XM, S3M or MOD signature, nor a 15-sample MOD's layout)");
  module.channels = 40;
  EXPECT_EQ(resources::moduleFault(xmtest::writeXm(module)),
            "has 40 channels (at most 32 are supported)");
}

TEST(ResourceCheck, CreditsBecomePagesOrNameTheLineAtFault) {
  std::string pages;
  std::string fault;
  ASSERT_TRUE(resources::creditsPages("one  \r\n\ntwo\n\f\nthree", pages, fault));
  EXPECT_EQ(pages, std::string("one  \r\rtwo\r\0three\r\0\0", 20));

  const struct {
    const char* text;
    const char* fault;
  } cases[] = {
      {"", "the credits are empty"},
      {"\f\nline\n", "line 1: page 1 has no lines"},
      {"line\n\f\n", "page 2 has no lines"},
      {"fine\ntab\there\n", "line 2 holds a byte that is not printable ASCII (9)"},
      {"caf\xc3\xa9\n", "line 1 holds a byte that is not printable ASCII (195)"},
  };
  for (const auto& c : cases) {
    EXPECT_FALSE(resources::creditsPages(c.text, pages, fault)) << c.text;
    EXPECT_EQ(fault, c.fault);
  }
  EXPECT_FALSE(resources::creditsPages(std::string(201, 'a'), pages, fault));
  EXPECT_EQ(fault, "line 1 is longer than 200 characters");
}

}  // namespace
