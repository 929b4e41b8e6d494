// The application's shell on SDL2: the main window and the About box drawn into window surfaces,
// with the same pictures, layout, button looks and scroller as the Windows shell.
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
  SDL_Surface* background;
  SDL_Surface* title;
  SDL_Surface* frame;  // the About box's animation, 32-bit, top-down
  TTF_Font* dialogFont;
  TTF_Font* creditsFont;
  ButtonId focus;
  Press press;
  ScrollerState scroller;
  std::uint64_t nextFrameMs;
};

extern const Button MAIN_BUTTONS[2];
extern const Button CLOSE_BUTTON;

// Fills an SDL rectangle from a layout rectangle.
inline SDL_Rect toSdl(const PixelRect& r) { return SDL_Rect{r.x, r.y, r.width, r.height}; }

// Paints a button in its state's look onto a window surface.
void drawButton(SDL_Surface* surface, const Button& button, ButtonState state, TTF_Font* font);

// Paints either window completely and shows it.
void paintMain(Shell& shell);
void paintAbout(Shell& shell);

// The About box: created above the main window, its first frame rendered; and closed again.
bool openAbout(Shell& shell);
void closeAbout(Shell& shell);
// Renders the next frame of the animation.
void renderAboutFrame(Shell& shell);

}  // namespace app::sdl
