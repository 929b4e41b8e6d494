// The window's icon from the embedded icon file.
#pragma once

#include <SDL.h>

namespace app::sdl {

// Sets the 32-pixel image of an icon file (32-bit images only) as the window's icon.
void setWindowIcon(SDL_Window* window, const char* icoBytes, unsigned long size);

}  // namespace app::sdl
