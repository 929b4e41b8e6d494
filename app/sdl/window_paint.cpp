// Painting the two windows in the order the dialog manager stacks their controls: what lies
// lowest first, the buttons last.
#include "app/colours.h"
#include "app/sdl/shell.h"

namespace app::sdl {

const Button MAIN_BUTTONS[2] = {
    {ButtonId::ABOUT, mainLayout().aboutButton, "&About"},
    {ButtonId::EXIT, mainLayout().exitButton, "E&xit"},
};
const Button CLOSE_BUTTON{ButtonId::CLOSE, aboutLayout().closeButton, "X"};

namespace {

Uint32 mapped(SDL_Surface* surface, std::uint32_t colour) {
  return SDL_MapRGB(surface->format, redOf(colour), greenOf(colour), blueOf(colour));
}

// The one-pixel outline of a frame control.
void greyFrame(SDL_Surface* surface, const PixelRect& r, std::int32_t scale) {
  const Uint32 grey = mapped(surface, FRAME_GREY);
  const PixelRect sides[4] = {{r.x, r.y, r.width, 1},
                              {r.x, r.y + r.height - 1, r.width, 1},
                              {r.x, r.y, 1, r.height},
                              {r.x + r.width - 1, r.y, 1, r.height}};
  for (const PixelRect& side : sides) {
    const SDL_Rect rect = toSdl(side, scale);
    SDL_FillRect(surface, &rect, grey);
  }
}

// The colour of a picture's top-left pixel, which fills a centring picture control around it.
Uint32 cornerColour(SDL_Surface* picture, SDL_Surface* target) {
  SDL_Surface* corner = SDL_CreateRGBSurfaceWithFormat(0, 1, 1, 32, SDL_PIXELFORMAT_RGB888);
  if (corner == nullptr) return mapped(target, BLACK);
  SDL_Rect one{0, 0, 1, 1};
  SDL_BlitSurface(picture, &one, corner, nullptr);
  Uint8 r = 0, g = 0, b = 0;
  SDL_GetRGB(*static_cast<Uint32*>(corner->pixels), corner->format, &r, &g, &b);
  SDL_FreeSurface(corner);
  return SDL_MapRGB(target->format, r, g, b);
}

ButtonState stateOf(const Shell& shell, ButtonId id) {
  return ButtonState{shell.press.button == id && shell.press.inside, false, shell.focus == id};
}

}  // namespace

void paintMain(Shell& shell) {
  SDL_Surface* surface = SDL_GetWindowSurface(shell.main);
  if (surface == nullptr) return;
  const MainLayout layout = mainLayout();
  const std::int32_t scale = shell.scale;
  SDL_FillRect(surface, nullptr, mapped(surface, BLACK));
  greyFrame(surface, layout.frame, scale);
  if (shell.background != nullptr) {
    SDL_Rect control = toSdl(layout.background, scale);
    SDL_FillRect(surface, &control, cornerColour(shell.background, surface));
    SDL_SetClipRect(surface, &control);
    SDL_Rect at =
        toSdl({layout.pictureX, layout.pictureY, BACKGROUND_WIDTH, BACKGROUND_HEIGHT}, scale);
    SDL_BlitSurface(shell.background, nullptr, surface, &at);
    SDL_SetClipRect(surface, nullptr);
  }
  for (const Button& button : MAIN_BUTTONS) {
    drawButton(surface, button, stateOf(shell, button.id), shell.dialogFont, scale);
  }
  SDL_UpdateWindowSurface(shell.main);
}

void paintAbout(Shell& shell) {
  if (shell.about == nullptr) return;
  SDL_Surface* surface = SDL_GetWindowSurface(shell.about);
  if (surface == nullptr) return;
  const AboutLayout layout = aboutLayout();
  const std::int32_t scale = shell.scale;
  SDL_FillRect(surface, nullptr, mapped(surface, BLACK));
  greyFrame(surface, layout.frame, scale);
  // The animation is the box's own painting, which covers the frame's right and bottom edges.
  if (shell.frame != nullptr) {
    SDL_Rect at = toSdl(layout.animation, scale);
    SDL_BlitSurface(shell.frame, nullptr, surface, &at);
  }
  if (shell.title != nullptr) {
    SDL_Rect at = toSdl(layout.title, scale);
    SDL_BlitSurface(shell.title, nullptr, surface, &at);
  }
  drawButton(surface, CLOSE_BUTTON, stateOf(shell, ButtonId::CLOSE), shell.dialogFont, scale);
  SDL_UpdateWindowSurface(shell.about);
}

}  // namespace app::sdl
