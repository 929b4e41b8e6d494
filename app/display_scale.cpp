#include "app/display_scale.h"

#include <cstring>

#include "app/layout.h"

namespace app {

namespace {

// No desktop asks for more; a larger number is a typing error, not a screen.
constexpr std::int32_t MAX_SCALE = 16;

// The whole number text holds: digits, then a fraction (which must be all zeros when
// fractionMustBeZero) and blanks up to the end of the text or line; 0 for anything else.
std::int32_t wholeNumber(const char* text, bool fractionMustBeZero) {
  if (text == nullptr) return 0;
  std::int32_t value = 0;
  const char* p = text;
  for (; *p >= '0' && *p <= '9'; ++p) {
    if (value <= MAX_SCALE * DPI_AT_SCALE_ONE) value = value * 10 + (*p - '0');
  }
  if (p == text) return 0;
  if (*p == '.') {
    for (++p; *p >= '0' && *p <= '9'; ++p) {
      if (*p != '0' && fractionMustBeZero) return 0;
    }
  }
  while (*p == ' ' || *p == '\t')
    ++p;
  return *p == 0 || *p == '\n' ? value : 0;
}

// The value of the resource line "Xft.dpi:", or null.
const char* xftDpi(const char* resources) {
  static constexpr char NAME[] = "Xft.dpi";
  for (const char* line = resources; line != nullptr && *line != 0;) {
    if (std::strncmp(line, NAME, sizeof NAME - 1) == 0) {
      const char* p = line + sizeof NAME - 1;
      while (*p == ' ' || *p == '\t')
        ++p;
      if (*p == ':') {
        for (++p; *p == ' ' || *p == '\t';)
          ++p;
        return p;
      }
    }
    line = std::strchr(line, '\n');
    if (line != nullptr) ++line;
  }
  return nullptr;
}

}  // namespace

std::int32_t displayScale(const DesktopScaling& desktop) {
  std::int32_t scale = wholeNumber(desktop.gdkScale, true);
  if (scale == 0) scale = wholeNumber(desktop.qtScaleFactor, true);
  if (scale == 0) scale = wholeNumber(xftDpi(desktop.xResources), false) / DPI_AT_SCALE_ONE;
  if (scale < 1) scale = 1;
  if (scale > MAX_SCALE) scale = MAX_SCALE;
  const PixelRect main = mainLayout().window, about = aboutLayout().window;
  const std::int32_t width = main.width > about.width ? main.width : about.width;
  const std::int32_t height = main.height > about.height ? main.height : about.height;
  if (desktop.usableWidth > 0 && desktop.usableHeight > 0) {
    while (scale > 1 &&
           (width * scale > desktop.usableWidth || height * scale > desktop.usableHeight)) {
      --scale;
    }
  }
  return scale;
}

}  // namespace app
