// What the desktop says about scaling, gathered for the layout's rule: its variables, the
// resources the X server held when SDL opened the display (Xft.dpi), and the screen's usable area.
#include <SDL_syswm.h>

#include "app/display_scale.h"
#include "app/sdl/shell.h"

namespace app::sdl {

std::int32_t desktopScale(SDL_Window* window) {
  const char* resources = nullptr;
#if defined(JINGLE_HAVE_X11) && defined(SDL_VIDEO_DRIVER_X11)
  SDL_SysWMinfo info;
  SDL_VERSION(&info.version);
  if (SDL_GetWindowWMInfo(window, &info) == SDL_TRUE && info.subsystem == SDL_SYSWM_X11) {
    resources = XResourceManagerString(info.info.x11.display);
  }
#endif
  SDL_Rect usable{0, 0, 0, 0};
  if (SDL_GetDisplayUsableBounds(SDL_GetWindowDisplayIndex(window), &usable) != 0) usable = {};
  return displayScale(DesktopScaling{SDL_getenv("GDK_SCALE"), SDL_getenv("QT_SCALE_FACTOR"),
                                     resources, usable.w, usable.h});
}

}  // namespace app::sdl
