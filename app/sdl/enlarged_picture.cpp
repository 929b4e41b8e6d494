// Pictures enlarged pixel for pixel: SDL's nearest-pixel stretch between two surfaces of one
// format repeats every pixel exactly scale times each way when the sizes are whole multiples.
#include "app/sdl/shell.h"

namespace app::sdl {

SDL_Surface* enlargedCopy(SDL_Surface* picture, std::int32_t scale) {
  if (picture == nullptr) return nullptr;
  SDL_Surface* pixels = SDL_ConvertSurfaceFormat(picture, SDL_PIXELFORMAT_RGB888, 0);
  if (pixels == nullptr || scale == 1) return pixels;
  SDL_Surface* large = SDL_CreateRGBSurfaceWithFormat(0, pixels->w * scale, pixels->h * scale, 32,
                                                      SDL_PIXELFORMAT_RGB888);
  if (large != nullptr && SDL_SoftStretch(pixels, nullptr, large, nullptr) != 0) {
    SDL_FreeSurface(large);
    large = nullptr;
  }
  SDL_FreeSurface(pixels);
  return large;
}

}  // namespace app::sdl
