// The windows' layout in pixels, as the dialog manager makes it from the templates at 96 DPI with
// the templates' font (Tahoma 8: dialog base units 6 by 13). Shells without a dialog manager
// place everything from here, so every shell puts the pictures and buttons at the same pixels.
#pragma once

#include <cstdint>

namespace app {

struct PixelRect {
  std::int32_t x, y, width, height;
};

struct DialogUnits {
  std::int32_t x, y, width, height;
};

struct BaseUnits {
  std::int32_t x, y;  // pixels per 4 horizontal and per 8 vertical dialog units
};
constexpr BaseUnits TAHOMA_8_AT_96_DPI{6, 13};

// Each of x, y, width and height scaled on its own, rounded half away from zero, as the dialog
// manager does.
PixelRect toPixels(DialogUnits units, BaseUnits base = TAHOMA_8_AT_96_DPI);

constexpr std::int32_t BACKGROUND_WIDTH = 330, BACKGROUND_HEIGHT = 225;
constexpr std::int32_t TITLE_WIDTH = 396, TITLE_HEIGHT = 25;
// The About box's animation area, in the box's client pixels.
constexpr PixelRect ANIMATION_AREA{1, 25, 394, 190};

struct MainLayout {
  PixelRect window;
  PixelRect frame;             // the grey frame control
  PixelRect background;        // the picture's control, which clips it
  std::int32_t pictureX;       // where the picture's left and top edges fall (it is centred in
  std::int32_t pictureY;       // its control, so they can lie outside the control)
  PixelRect aboutButton;
  PixelRect exitButton;
};

struct AboutLayout {
  PixelRect window;
  PixelRect title;  // a picture control takes its picture's size
  PixelRect frame;
  PixelRect closeButton;
  PixelRect animation;
};

MainLayout mainLayout();
AboutLayout aboutLayout();

}  // namespace app
