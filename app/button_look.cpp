#include "app/button_look.h"

#include "app/colours.h"

namespace app {

ButtonLook buttonLook(ButtonState state) {
  ButtonLook look{ButtonFill::REST, BUTTON_BLUE, WHITE, WHITE, 0, state.focused};
  if (state.pressed) {
    look.fill = ButtonFill::PRESSED;
    look.fillColour = BLACK;
    look.captionOffset = 1;
  } else if (state.disabled) {
    look.fill = ButtonFill::DISABLED;
  }
  return look;
}

Caption parseCaption(const char* caption) {
  Caption result{{}, -1};
  std::int32_t length = 0;
  for (const char* p = caption; *p != 0 && length < CAPTION_CHARS; ++p) {
    if (*p == '&') {
      if (p[1] == 0) break;
      ++p;
      if (*p != '&' && result.underlined < 0) result.underlined = length;
    }
    result.text[length++] = *p;
  }
  result.text[length] = 0;
  return result;
}

}  // namespace app
