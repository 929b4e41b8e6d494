// The application on SDL2: one borderless window that plays the embedded module while it is
// open, with the About box over it. Exit stops the music at once; a close request (the window
// manager's close, Alt+F4, SIGTERM) fades the window out first. The exit code is 0.
#include <cstdio>
#include <cstring>
#include <initializer_list>

#include "app/embedded_files.h"
#include "app/sdl/shell.h"
#include "app/sdl/window_icon.h"
#include "player/load/module_image.h"
#include "player/player.h"

#ifndef JINGLE_FONT_DIR
#define JINGLE_FONT_DIR "/usr/share/fonts/truetype/liberation2"
#endif

namespace app::sdl {
namespace {

// The one player of the program.
player::Engine engine{};

SDL_Surface* embeddedPicture(const char* bytes, unsigned long size) {
  return SDL_LoadBMP_RW(SDL_RWFromConstMem(bytes, static_cast<int>(size)), 1);
}

// The templates' fonts: Tahoma 8 at 96 DPI for captions, bold Arial of 18-pixel cells for the
// credits, both through their metric twins, at the scale's size.
void openFonts(Shell& shell) {
  shell.dialogFont = TTF_OpenFont(JINGLE_FONT_DIR "/LiberationSans-Regular.ttf", 11 * shell.scale);
  shell.creditsFont = TTF_OpenFont(JINGLE_FONT_DIR "/LiberationSans-Bold.ttf", 16 * shell.scale);
  if (shell.dialogFont == nullptr || shell.creditsFont == nullptr) {
    std::fprintf(stderr, "jingle-app: fonts not found in %s; text is left out\n", JINGLE_FONT_DIR);
  }
}

// The button under screen pixel x, y of a window.
const Button* buttonAt(const Shell& shell, SDL_Window* window, int screenX, int screenY) {
  const int x = screenX / shell.scale, y = screenY / shell.scale;
  auto inside = [x, y](const Button& b) {
    return x >= b.rect.x && y >= b.rect.y && x < b.rect.x + b.rect.width &&
           y < b.rect.y + b.rect.height;
  };
  if (window == shell.main) {
    for (const Button& button : MAIN_BUTTONS) {
      if (inside(button)) return &button;
    }
  } else if (window == shell.about && inside(CLOSE_BUTTON)) {
    return &CLOSE_BUTTON;
  }
  return nullptr;
}

void repaint(Shell& shell, SDL_Window* window) {
  if (window == shell.main) paintMain(shell);
  if (window != nullptr && window == shell.about) paintAbout(shell);
}

// Fades the main window out over FADE_OUT_MS while the music plays on.
void fadeOut(Shell& shell) {
  closeAbout(shell);
  const Uint64 start = SDL_GetTicks64();
  for (Uint64 now = start; now - start < FADE_OUT_MS; now = SDL_GetTicks64()) {
    SDL_SetWindowOpacity(shell.main, 1.0f - static_cast<float>(now - start) / FADE_OUT_MS);
    SDL_Event ignored;
    while (SDL_PollEvent(&ignored)) {
    }
    SDL_Delay(16);
  }
  SDL_SetWindowOpacity(shell.main, 0.0f);
  SDL_HideWindow(shell.main);
}

// A drag keeps the window where the mouse has moved it since the press.
void followMouse(const Press& press) {
  int x = 0, y = 0;
  SDL_GetGlobalMouseState(&x, &y);
  SDL_SetWindowPosition(press.window, press.startWindowX + x - press.startMouseX,
                        press.startWindowY + y - press.startMouseY);
}

enum class Outcome { RUN, EXIT, CLOSE };

Outcome command(Shell& shell, ButtonId id) {
  switch (id) {
    case ButtonId::ABOUT:
      openAbout(shell);
      break;
    case ButtonId::EXIT:
      return Outcome::EXIT;
    case ButtonId::CLOSE:
      closeAbout(shell);
      break;
    case ButtonId::NONE:
      break;
  }
  return Outcome::RUN;
}

Outcome handle(Shell& shell, const SDL_Event& event) {
  switch (event.type) {
    case SDL_QUIT:
      return Outcome::CLOSE;
    case SDL_WINDOWEVENT: {
      SDL_Window* window = SDL_GetWindowFromID(event.window.windowID);
      if (event.window.event == SDL_WINDOWEVENT_CLOSE) {
        if (window != nullptr && window == shell.about) {
          closeAbout(shell);
          return Outcome::RUN;
        }
        return Outcome::CLOSE;
      }
      if (event.window.event == SDL_WINDOWEVENT_EXPOSED) repaint(shell, window);
      return Outcome::RUN;
    }
    case SDL_KEYDOWN:
      // Alt+F4 closes the window in front; Escape, Enter and every other key do nothing.
      if (event.key.keysym.sym == SDLK_F4 && (event.key.keysym.mod & KMOD_ALT) != 0) {
        if (shell.about == nullptr) return Outcome::CLOSE;
        closeAbout(shell);
      }
      return Outcome::RUN;
    case SDL_MOUSEBUTTONDOWN: {
      SDL_Window* window = SDL_GetWindowFromID(event.button.windowID);
      if (event.button.button != SDL_BUTTON_LEFT || window == nullptr) return Outcome::RUN;
      if (window == shell.main && shell.about != nullptr) {
        SDL_RaiseWindow(shell.about);  // the box is modal: the main window takes no input
        return Outcome::RUN;
      }
      const Button* button = buttonAt(shell, window, event.button.x, event.button.y);
      shell.press =
          Press{window, button != nullptr ? button->id : ButtonId::NONE, 0, 0, 0, 0, true};
      // Where the press happened, from the event itself: the mouse may have moved on since.
      SDL_GetWindowPosition(window, &shell.press.startWindowX, &shell.press.startWindowY);
      shell.press.startMouseX = shell.press.startWindowX + event.button.x;
      shell.press.startMouseY = shell.press.startWindowY + event.button.y;
      if (button != nullptr) shell.focus = button->id;
      SDL_CaptureMouse(SDL_TRUE);
      repaint(shell, window);
      return Outcome::RUN;
    }
    case SDL_MOUSEMOTION: {
      Press& press = shell.press;
      if (press.window == nullptr) return Outcome::RUN;
      if (press.button == ButtonId::NONE) {
        followMouse(press);
        return Outcome::RUN;
      }
      const Button* over = buttonAt(shell, press.window, event.motion.x, event.motion.y);
      const bool inside = over != nullptr && over->id == press.button;
      if (inside != press.inside) {
        press.inside = inside;
        repaint(shell, press.window);
      }
      return Outcome::RUN;
    }
    case SDL_MOUSEBUTTONUP: {
      if (event.button.button != SDL_BUTTON_LEFT || shell.press.window == nullptr)
        return Outcome::RUN;
      const Press press = shell.press;
      shell.press = Press{};
      SDL_CaptureMouse(SDL_FALSE);
      if (press.button == ButtonId::NONE) followMouse(press);
      repaint(shell, press.window);
      if (press.button != ButtonId::NONE && press.inside) return command(shell, press.button);
      return Outcome::RUN;
    }
    default:
      return Outcome::RUN;
  }
}

int run() {
  // X11 keeps window positions and opacity where Wayland would not; a compositor may show the
  // fade; the first click on a window that is not focused still counts.
  if (SDL_getenv("SDL_VIDEODRIVER") == nullptr && SDL_getenv("DISPLAY") != nullptr) {
    SDL_SetHint(SDL_HINT_VIDEODRIVER, "x11");
  }
  SDL_SetHint(SDL_HINT_MOUSE_FOCUS_CLICKTHROUGH, "1");
  // Window surfaces in plain memory, shown through X11 shared memory: a panel this size gains
  // nothing from a GL renderer, which would load a GL driver of tens of megabytes to show it.
  SDL_SetHint(SDL_HINT_FRAMEBUFFER_ACCELERATION, "0");
  SDL_SetHint(SDL_HINT_VIDEO_X11_NET_WM_BYPASS_COMPOSITOR, "0");
  if (SDL_Init(SDL_INIT_VIDEO) != 0) {
    std::fprintf(stderr, "jingle-app: cannot open a window: %s\n", SDL_GetError());
    return 1;
  }
  TTF_Init();
  Shell shell{};
  // The window is sized and shown once the scale its display asks for is known.
  const MainLayout layout = mainLayout();
  shell.main = SDL_CreateWindow("jingle", SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED,
                                layout.window.width, layout.window.height,
                                SDL_WINDOW_BORDERLESS | SDL_WINDOW_HIDDEN);
  if (shell.main == nullptr) {
    std::fprintf(stderr, "jingle-app: cannot open a window: %s\n", SDL_GetError());
    SDL_Quit();
    return 1;
  }
  shell.scale = desktopScale(shell.main);
  if (shell.scale > 1) {
    SDL_SetWindowSize(shell.main, layout.window.width * shell.scale,
                      layout.window.height * shell.scale);
    SDL_SetWindowPosition(shell.main, SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED);
  }
  openFonts(shell);
  shell.background = embeddedPicture(EMBEDDED_BACKGROUND, EMBEDDED_BACKGROUND_SIZE);
  shell.title = embeddedPicture(EMBEDDED_TITLE, EMBEDDED_TITLE_SIZE);
  if (shell.scale > 1) {
    for (SDL_Surface** picture : {&shell.background, &shell.title}) {
      SDL_Surface* large = enlargedCopy(*picture, shell.scale);
      SDL_FreeSurface(*picture);
      *picture = large;
    }
  }
  setWindowIcon(shell.main, EMBEDDED_ICON, EMBEDDED_ICON_SIZE);
  SDL_ShowWindow(shell.main);
  paintMain(shell);

  // Without a sound device, or with a module the player refuses, the window runs silently.
  player::ModuleImage* image =
      player::makeModuleImage(EMBEDDED_MODULE, static_cast<std::uint32_t>(EMBEDDED_MODULE_SIZE));
  if (image != nullptr) player::playModule(engine, image);

  Outcome outcome = Outcome::RUN;
  while (outcome == Outcome::RUN) {
    const Uint64 now = SDL_GetTicks64();
    int timeout = 250;
    if (shell.about != nullptr)
      timeout = now >= shell.nextFrameMs ? 0 : static_cast<int>(shell.nextFrameMs - now);
    SDL_Event event;
    if (SDL_WaitEventTimeout(&event, timeout) != 0) outcome = handle(shell, event);
    if (shell.about != nullptr && SDL_GetTicks64() >= shell.nextFrameMs) {
      renderAboutFrame(shell);
      paintAbout(shell);
      shell.nextFrameMs += FRAME_PERIOD_MS;
      if (shell.nextFrameMs < SDL_GetTicks64())
        shell.nextFrameMs = SDL_GetTicks64() + FRAME_PERIOD_MS;
    }
  }
  if (outcome == Outcome::CLOSE) fadeOut(shell);

  player::playModule(engine, nullptr);  // returns once the mixing thread has ended, device closed
  player::freeModuleImage(image);
  closeAbout(shell);
  SDL_DestroyWindow(shell.main);
  SDL_FreeSurface(shell.background);
  SDL_FreeSurface(shell.title);
  if (shell.dialogFont != nullptr) TTF_CloseFont(shell.dialogFont);
  if (shell.creditsFont != nullptr) TTF_CloseFont(shell.creditsFont);
  TTF_Quit();
  SDL_Quit();
  return 0;
}

}  // namespace
}  // namespace app::sdl

int main(int, char**) {
  return app::sdl::run();
}
