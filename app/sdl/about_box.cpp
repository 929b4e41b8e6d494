// The About box on SDL2: a second borderless window above the main one, whose animation is
// rendered into a 32-bit surface on a 30 ms clock.
#include "app/credits.h"
#include "app/random.h"
#include "app/sdl/shell.h"

namespace app::sdl {

bool openAbout(Shell& shell) {
  const AboutLayout layout = aboutLayout();
  const SDL_Rect size = toSdl(layout.window, shell.scale);
  // Centred in the usable area of the main window's display, as a centred dialog is.
  SDL_Rect area{0, 0, size.w, size.h};
  SDL_GetDisplayUsableBounds(SDL_GetWindowDisplayIndex(shell.main), &area);
  const int x = area.x + (area.w - size.w) / 2;
  const int y = area.y + (area.h - size.h) / 2;
  shell.about =
      SDL_CreateWindow("About jingle", x, y, size.w, size.h,
                       SDL_WINDOW_BORDERLESS | SDL_WINDOW_ALWAYS_ON_TOP | SDL_WINDOW_SKIP_TASKBAR);
  if (shell.about == nullptr) return false;
  shell.frame = SDL_CreateRGBSurfaceWithFormat(
      0, FRAME_WIDTH * shell.scale, FRAME_HEIGHT * shell.scale, 32, SDL_PIXELFORMAT_RGB888);
  shell.noise = shell.scale == 1 ? shell.frame
                                 : SDL_CreateRGBSurfaceWithFormat(0, FRAME_WIDTH, FRAME_HEIGHT, 32,
                                                                  SDL_PIXELFORMAT_RGB888);
  Seed(noiseGenerator, SDL_GetTicks());
  if (shell.scroller.credits == nullptr) startCredits(shell.scroller, CREDITS);
  openScroller(shell.scroller);
  shell.focus = ButtonId::NONE;
  renderAboutFrame(shell);
  shell.nextFrameMs = SDL_GetTicks64() + FRAME_PERIOD_MS;
  SDL_RaiseWindow(shell.about);
  paintAbout(shell);
  return true;
}

void closeAbout(Shell& shell) {
  if (shell.about == nullptr) return;
  SDL_DestroyWindow(shell.about);
  shell.about = nullptr;
  if (shell.noise != shell.frame) SDL_FreeSurface(shell.noise);
  SDL_FreeSurface(shell.frame);
  shell.noise = nullptr;
  shell.frame = nullptr;
  shell.focus = ButtonId::ABOUT;  // the button that opened the box has the focus again
  paintMain(shell);
}

void renderAboutFrame(Shell& shell) {
  SDL_Surface* noise = shell.noise;
  SDL_Surface* frame = shell.frame;
  if (noise == nullptr || frame == nullptr) return;
  // A plain software surface needs no lock. It is top-down: the frame's memory row 0 (its bottom
  // row on screen) is the surface's last row.
  auto* lastRow = reinterpret_cast<std::uint32_t*>(static_cast<Uint8*>(noise->pixels) +
                                                   (FRAME_HEIGHT - 1) * noise->pitch);
  // The noise is enlarged once it is complete, before the first line of text goes over it.
  bool enlarged = noise == frame;
  auto enlarge = [&] {
    if (!enlarged) SDL_SoftStretch(noise, nullptr, frame, nullptr);
    enlarged = true;
  };
  const SDL_Color colour{0xFE, 0xFE, 0xFE, 255};
  renderFrame(
      shell.scroller, noiseGenerator, lastRow, -noise->pitch / 4, [&](const TextLine& line) {
        enlarge();
        if (line.length == 0 || shell.creditsFont == nullptr) return;
        char text[256];
        const int length = line.length < 255 ? line.length : 255;
        SDL_memcpy(text, line.text, static_cast<size_t>(length));
        text[length] = 0;
        if (SDL_Surface* rendered = TTF_RenderText_Blended(shell.creditsFont, text, colour)) {
          SDL_Rect at{line.right * shell.scale - rendered->w, line.top * shell.scale, rendered->w,
                      rendered->h};
          SDL_BlitSurface(rendered, nullptr, frame, &at);
          SDL_FreeSurface(rendered);
        }
      });
  enlarge();
}

}  // namespace app::sdl
