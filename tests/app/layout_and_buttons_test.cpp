// The windows' pixel layout from the templates, and the buttons' looks.
#include <gtest/gtest.h>

#include <cstring>

#include "app/button_look.h"
#include "app/colours.h"
#include "app/layout.h"

namespace {

void expectRect(const app::PixelRect& r, std::int32_t x, std::int32_t y, std::int32_t w, std::int32_t h) {
  EXPECT_EQ(r.x, x);
  EXPECT_EQ(r.y, y);
  EXPECT_EQ(r.width, w);
  EXPECT_EQ(r.height, h);
}

TEST(Layout, TemplatesGiveTheWindowsTheirPixelsAtTahomaEight) {
  const app::MainLayout main = app::mainLayout();
  expectRect(main.window, 0, 0, 300, 229);
  expectRect(main.background, 2, 2, 297, 226);
  EXPECT_EQ(main.pictureX, 2 + 148 - 165);  // 330 pixels centred in 297
  EXPECT_EQ(main.pictureY, 2 + 113 - 112);
  expectRect(main.aboutButton, 11, 190, 62, 23);
  expectRect(main.exitButton, 251, 192, 38, 24);

  const app::AboutLayout about = app::aboutLayout();
  expectRect(about.window, 0, 0, 306, 202);
  expectRect(about.title, 0, 0, 396, 25);
  expectRect(about.frame, 0, 23, 306, 179);
  expectRect(about.closeButton, 278, 3, 17, 18);
  expectRect(about.animation, 1, 25, 394, 190);
}

TEST(Layout, DialogUnitsRoundHalfAwayFromZero) {
  expectRect(app::toPixels({1, 1, 3, 4}, {6, 13}), 2, 2, 5, 7);
  expectRect(app::toPixels({-1, -1, 2, 8}, {6, 13}), -2, -2, 3, 13);
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
      {"&About", "About", 0}, {"E&xit", "Exit", 1},   {"X", "X", -1},
      {"a&&b", "a&b", -1},    {"end&", "end", -1},    {"0123456789abcdefgh", "0123456789abcde", -1},
  };
  for (const auto& c : cases) {
    const app::Caption caption = app::parseCaption(c.caption);
    EXPECT_STREQ(caption.text, c.text);
    EXPECT_EQ(caption.underlined, c.underlined) << c.caption;
  }
}

}  // namespace
