#include "app/sdl/window_icon.h"

#include <cstdint>

namespace app::sdl {

namespace {
std::uint32_t read(const unsigned char* b, int bytes) {
  std::uint32_t v = 0;
  for (int i = bytes - 1; i >= 0; --i) v = (v << 8) | b[i];
  return v;
}
}  // namespace

void setWindowIcon(SDL_Window* window, const char* icoBytes, unsigned long size) {
  const auto* ico = reinterpret_cast<const unsigned char*>(icoBytes);
  if (size < 6) return;
  const std::uint32_t count = read(ico + 4, 2);
  for (std::uint32_t i = 0; i < count && 6 + 16 * (i + 1) <= size; ++i) {
    const unsigned char* entry = ico + 6 + 16 * i;
    const std::uint32_t bytes = read(entry + 8, 4), offset = read(entry + 12, 4);
    if (entry[0] != 32 || offset + std::uint64_t{bytes} > size || bytes < 40 + 32 * 32 * 4) continue;
    const unsigned char* dib = ico + offset;
    if (read(dib + 14, 2) != 32) continue;
    SDL_Surface* icon = SDL_CreateRGBSurfaceWithFormat(0, 32, 32, 32, SDL_PIXELFORMAT_ARGB8888);
    if (icon == nullptr) return;
    const unsigned char* pixels = dib + read(dib, 4);
    for (int y = 0; y < 32; ++y) {  // bottom-up rows of blue, green, red, alpha
      auto* row = reinterpret_cast<std::uint32_t*>(static_cast<unsigned char*>(icon->pixels) + (31 - y) * icon->pitch);
      for (int x = 0; x < 32; ++x) row[x] = read(pixels + (y * 32 + x) * 4, 4);
    }
    SDL_SetWindowIcon(window, icon);
    SDL_FreeSurface(icon);
    return;
  }
}

}  // namespace app::sdl
