#include "player/load/module_image.h"

#include <gtest/gtest.h>

#include "tests/support/xm_writer.h"

namespace {

TEST(ModuleImage, StoresTheByteCountLittleEndianBeforeTheBytes) {
  const std::vector<std::uint8_t> bytes{1, 2, 3, 4, 5};
  xmtest::ImagePtr image = xmtest::makeImage(bytes);
  ASSERT_NE(image, nullptr);
  EXPECT_EQ(player::moduleByteCount(image.get()), 5u);
  const auto* raw = reinterpret_cast<const std::uint8_t*>(image.get());
  EXPECT_EQ(raw[0], 5);
  EXPECT_EQ(raw[3], 0);
  EXPECT_EQ(std::vector<std::uint8_t>(player::moduleBytes(image.get()),
                                      player::moduleBytes(image.get()) + 5),
            bytes);
}

}  // namespace
