// The windows' pixel layout from the templates, and the buttons' looks.
#include <gtest/gtest.h>

#include <array>
#include <cstring>

#include "app/button_look.h"
#include "app/colours.h"
#include "app/layout.h"

namespace {

// A rectangle as {x, y, width, height}, to be compared whole.
using Box = std::array<std::int32_t, 4>;
Box box(const app::PixelRect& r) {
  return {r.x, r.y, r.width, r.height};
}

TEST(Layout, TemplatesGiveTheWindowsTheirPixelsAtTahomaEight) {
  const app::MainLayout main = app::mainLayout();
  EXPECT_EQ(box(main.window), (Box{0, 0, 300, 229}));
  EXPECT_EQ(box(main.background), (Box{2, 2, 297, 226}));
  EXPECT_EQ(main.pictureX, 2 + 148 - 165);  // 330 pixels centred in 297
  EXPECT_EQ(main.pictureY, 2 + 113 - 112);
  EXPECT_EQ(box(main.aboutButton), (Box{11, 190, 62, 23}));
  EXPECT_EQ(box(main.exitButton), (Box{251, 192, 38, 24}));

  const app::AboutLayout about = app::aboutLayout();
  EXPECT_EQ(box(about.window), (Box{0, 0, 306, 202}));
  EXPECT_EQ(box(about.title), (Box{0, 0, 396, 25}));
  EXPECT_EQ(box(about.frame), (Box{0, 23, 306, 179}));
  EXPECT_EQ(box(about.closeButton), (Box{278, 3, 17, 18}));
  EXPECT_EQ(box(about.animation), (Box{1, 25, 394, 190}));
}

TEST(Layout, DialogUnitsRoundHalfAwayFromZero) {
  EXPECT_EQ(box(app::toPixels({1, 1, 3, 4}, {6, 13})), (Box{2, 2, 5, 7}));
  EXPECT_EQ(box(app::toPixels({-1, -1, 2, 8}, {6, 13})), (Box{-2, -2, 3, 13}));
}

TEST(ButtonLook, EachStateHasItsFillOffsetAndFocus) {
  const struct {
    app::ButtonState state;
    app::ButtonFill fill;
    std::uint32_t colour;
    std::int32_t offset;
  } cases[] = {
      {{false, false, false}, app::ButtonFill::REST, app::BUTTON_BLUE, 0},
      {{true, false, true}, app::ButtonFill::PRESSED, app::BLACK, 1},
      {{true, true, false}, app::ButtonFill::PRESSED, app::BLACK, 1},
      {{false, true, true}, app::ButtonFill::DISABLED, app::BUTTON_BLUE, 0},
  };
  for (const auto& c : cases) {
    const app::ButtonLook look = app::buttonLook(c.state);
    EXPECT_EQ(look.fill, c.fill);
    EXPECT_EQ(look.fillColour, c.colour);
    EXPECT_EQ(look.captionOffset, c.offset);
    EXPECT_EQ(look.focusRectangle, c.state.focused);
    EXPECT_EQ(look.outlineColour, app::WHITE);
    EXPECT_EQ(look.textColour, app::WHITE);
  }
  EXPECT_EQ(app::redOf(app::BUTTON_BLUE), 0);
  EXPECT_EQ(app::greenOf(app::BUTTON_BLUE), 174);
  EXPECT_EQ(app::blueOf(app::BUTTON_BLUE), 255);
}

TEST(ButtonLook, CaptionsLoseTheirAccessMarks) {
  const struct {
    const char* caption;
    const char* text;
    std::int32_t underlined;
  } cases[] = {
      {"&About", "About", 0}, {"E&xit", "Exit", 1}, {"X", "X", -1},
      {"a&&b", "a&b", -1},    {"end&", "end", -1},  {"0123456789abcdefgh", "0123456789abcde", -1},
  };
  for (const auto& c : cases) {
    const app::Caption caption = app::parseCaption(c.caption);
    EXPECT_STREQ(caption.text, c.text);
    EXPECT_EQ(caption.underlined, c.underlined) << c.caption;
  }
}

}  // namespace
