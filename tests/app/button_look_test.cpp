// The buttons' looks in every state and the captions' access keys: the application checks see
// only the buttons at rest and pressed, and captions that all carry one '&'.
#include <gtest/gtest.h>

#include <string>

#include "app/button_look.h"
#include "app/colours.h"

namespace {

using app::ButtonFill;

TEST(ButtonLook, EveryStateHasItsFillCaptionPlaceAndFocusRectangle) {
  for (int bits = 0; bits < 8; ++bits) {
    const app::ButtonState state{(bits & 1) != 0, (bits & 2) != 0, (bits & 4) != 0};
    const app::ButtonLook look = app::buttonLook(state);
    SCOPED_TRACE(bits);
    // A press shows even on a disabled button.
    const ButtonFill fill = state.pressed    ? ButtonFill::PRESSED
                            : state.disabled ? ButtonFill::DISABLED
                                             : ButtonFill::REST;
    EXPECT_EQ(look.fill, fill);
    EXPECT_EQ(look.fillColour, state.pressed ? app::BLACK : app::BUTTON_BLUE);
    EXPECT_EQ(look.outlineColour, app::WHITE);
    EXPECT_EQ(look.textColour, app::WHITE);
    EXPECT_EQ(look.captionOffset, state.pressed ? 1 : 0);
    EXPECT_EQ(look.focusRectangle, state.focused);
  }
}

TEST(ButtonLook, CaptionsShowTheirTextAndUnderlineTheFirstMarkedCharacter) {
  const struct {
    const char* caption;
    const char* text;
    int underlined;
  } cases[] = {
      {"&About", "About", 0}, {"E&xit", "Exit", 1},
      {"a&&b", "a&b", -1},    {"Close", "Close", -1},
      {"&a&b", "ab", 0},      {"end&", "end", -1},
      {"", "", -1},           {"Sixteen letters!", "Sixteen letters", -1},
  };
  for (const auto& c : cases) {
    const app::Caption parsed = app::parseCaption(c.caption);
    EXPECT_EQ(std::string(parsed.text), c.text) << c.caption;
    EXPECT_EQ(parsed.underlined, c.underlined) << c.caption;
  }
}

}  // namespace
