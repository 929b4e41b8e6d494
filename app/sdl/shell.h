// The application's shell on SDL2: the main window and the About box drawn into window surfaces,
// with the same pictures, layout, button looks and scroller as the Windows shell. Where the
// desktop asks for it, everything is drawn at a whole multiple of the layout's pixels: pictures
// and noise enlarged pixel for pixel, text rendered at the larger size.
#pragma once

#include <SDL.h>
#include <SDL_ttf.h>

#include <cstdint>

#include "app/button_look.h"
#include "app/layout.h"
#include "app/scroller.h"

namespace app::sdl {

// The system's grey of a frame control, as the Windows build shows it.
constexpr std::uint32_t FRAME_GREY = 0xA6A6A6;
constexpr std::uint32_t FRAME_PERIOD_MS = 30;
constexpr std::uint32_t FADE_OUT_MS = 1792;

enum class ButtonId { NONE, ABOUT, EXIT, CLOSE };

struct Button {
  ButtonId id;
  PixelRect rect;
  const char* caption;
};

// A press that started on a button or on a window's surface.
struct Press {
  SDL_Window* window;
  ButtonId button;  // NONE: the press drags the window
  int startMouseX, startMouseY;
  int startWindowX, startWindowY;
  bool inside;  // the mouse is still over the pressed button
};

struct Shell {
  SDL_Window* main;
  SDL_Window* about;
  std::int32_t scale;       // screen pixels per layout pixel, each way
  SDL_Surface* background;  // the pictures, already enlarged by scale
  SDL_Surface* title;
  SDL_Surface* noise;  // the About box's noise, 32-bit, top-down, at the layout's size
  SDL_Surface* frame;  // the noise enlarged by scale with the credits over it; noise itself at 1x
  TTF_Font* dialogFont;
  TTF_Font* creditsFont;
  ButtonId focus;
  Press press;
  ScrollerState scroller;
  std::uint64_t nextFrameMs;
};

extern const Button MAIN_BUTTONS[2];
extern const Button CLOSE_BUTTON;

// Fills an SDL rectangle from a layout rectangle, in screen pixels.
inline SDL_Rect toSdl(const PixelRect& r, std::int32_t scale) {
  return SDL_Rect{r.x * scale, r.y * scale, r.width * scale, r.height * scale};
}

// The scale the desktop asks for, from its variables and the X server's resources, for windows on
// window's display.
std::int32_t desktopScale(SDL_Window* window);
// A copy of a picture as 32-bit pixels, each repeated scale times each way; null on failure.
SDL_Surface* enlargedCopy(SDL_Surface* picture, std::int32_t scale);

// Paints a button in its state's look onto a window surface.
void drawButton(SDL_Surface* surface, const Button& button, ButtonState state, TTF_Font* font,
                std::int32_t scale);

// Paints either window completely and shows it.
void paintMain(Shell& shell);
void paintAbout(Shell& shell);

// The About box: created above the main window, its first frame rendered; and closed again.
bool openAbout(Shell& shell);
void closeAbout(Shell& shell);
// Renders the next frame of the animation.
void renderAboutFrame(Shell& shell);

}  // namespace app::sdl
