// How many screen pixels the desktop asks for each of the windows' pixels: a whole number, so that
// the pictures and the noise are drawn pixel for pixel at that multiple, never blurred.
#pragma once

#include <cstdint>

namespace app {

// The desktop's wishes, as the shell finds them: the GDK_SCALE and QT_SCALE_FACTOR variables and
// the X server's resource string (each null where there is none), and the usable size of the
// screen the windows go on (0 by 0 where it is not known).
struct DesktopScaling {
  const char* gdkScale;
  const char* qtScaleFactor;
  const char* xResources;
  std::int32_t usableWidth, usableHeight;
};

constexpr std::int32_t DPI_AT_SCALE_ONE = 96;

// A variable set to a whole number (1, 2, "2.0"...) decides, GDK_SCALE before QT_SCALE_FACTOR;
// otherwise X resources' Xft.dpi in whole multiples of 96; otherwise 1. A fraction asks for
// nothing. The result is lowered until both windows fit the usable area.
std::int32_t displayScale(const DesktopScaling& desktop);

}  // namespace app
