// How an owner-drawn button looks in each state: the fill behind its one-pixel white outline,
// where its caption goes and whether it shows a focus rectangle. Both windows draw their buttons
// this way, in every shell.
#pragma once

#include <cstdint>

namespace app {

// The three fills, one per drawing object the shells make at start-up.
enum class ButtonFill { PRESSED, DISABLED, REST };

struct ButtonState {
  bool pressed;
  bool disabled;
  bool focused;
};

struct ButtonLook {
  ButtonFill fill;
  std::uint32_t fillColour;
  std::uint32_t outlineColour;
  std::uint32_t textColour;
  std::int32_t captionOffset;  // pixels right and down
  bool focusRectangle;
};

constexpr std::int32_t FOCUS_INSET = 4;  // the focus rectangle lies this far inside the outline
constexpr std::int32_t CAPTION_CHARS = 15;  // the longest caption read back from a button

ButtonLook buttonLook(ButtonState state);

// A caption with its '&' access-key marks: the text to show and which character (-1: none) is
// underlined. "&&" shows one ampersand.
struct Caption {
  char text[CAPTION_CHARS + 1];
  std::int32_t underlined;
};
Caption parseCaption(const char* caption);

}  // namespace app
