// The multiple the windows are drawn at, from what the desktop says.
#include <gtest/gtest.h>

#include "app/display_scale.h"

namespace {

TEST(DisplayScale, WholeMultiplesTheDesktopAsksForThatFitTheScreen) {
  const char* resources192 = "Xft.antialias:\t1\nXft.dpi:\t192\nXft.hinting:\t1\n";
  const struct {
    app::DesktopScaling desktop;
    std::int32_t scale;
  } cases[] = {
      {{nullptr, nullptr, nullptr, 0, 0}, 1},
      {{"2", nullptr, nullptr, 0, 0}, 2},
      {{"3", "2", resources192, 0, 0}, 3},      // GDK_SCALE first
      {{"1", nullptr, resources192, 0, 0}, 1},  // a variable set to 1 asks for 1x
      {{"1.5", "2.0", nullptr, 0, 0}, 2},       // a fraction asks for nothing
      {{nullptr, "1.25", resources192, 0, 0}, 2},
      {{"", "x2", nullptr, 0, 0}, 1},
      {{"0", nullptr, nullptr, 0, 0}, 1},
      {{nullptr, nullptr, "Xft.dpi: 191.9", 0, 0}, 1},
      {{nullptr, nullptr, "Xft.dpi:\t288.0", 0, 0}, 3},
      {{nullptr, nullptr, "Xft.dpix:\t192\n*dpi:\t192\n", 0, 0}, 1},
      {{"99999999999", nullptr, nullptr, 0, 0}, 16},
      {{"4", nullptr, nullptr, 1920, 1080}, 4},  // 1224 x 916
      {{"4", nullptr, nullptr, 1024, 768}, 3},   // 918 x 687
      {{"2", nullptr, nullptr, 611, 458}, 1},    // the About box is 306 wide
  };
  for (const auto& c : cases) {
    const app::DesktopScaling& d = c.desktop;
    EXPECT_EQ(app::displayScale(d), c.scale)
        << (d.gdkScale ? d.gdkScale : "-") << " " << (d.qtScaleFactor ? d.qtScaleFactor : "-")
        << " " << (d.xResources ? d.xResources : "-") << " " << d.usableWidth;
  }
}

}  // namespace
