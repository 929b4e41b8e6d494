// The credits the About box scrolls: pages of lines ended by carriage returns, each page ended
// by a NUL, the list by an empty page. Generated at build time from the credits text file.
#pragma once

namespace app {

extern const char CREDITS[];
extern const unsigned long CREDITS_SIZE;

}  // namespace app
