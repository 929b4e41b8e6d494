// Prints the windows' layout in pixels as shell assignments, for the scripts that use the
// application on a screen: they click and look where the shells draw.
#include <cstdio>

#include "app/layout.h"

namespace {

void print(const char* name, const app::PixelRect& r) {
  std::printf("%s_x=%d %s_y=%d %s_w=%d %s_h=%d\n", name, r.x, name, r.y, name, r.width, name,
              r.height);
}

}  // namespace

int main() {
  const app::MainLayout main = app::mainLayout();
  const app::AboutLayout about = app::aboutLayout();
  print("main", main.window);
  print("background", main.background);
  std::printf("picture_x=%d picture_y=%d\n", main.pictureX, main.pictureY);
  print("about_button", main.aboutButton);
  print("exit_button", main.exitButton);
  print("box", about.window);
  print("close_button", about.closeButton);
  print("animation", about.animation);
  return 0;
}
