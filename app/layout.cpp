#include "app/layout.h"

#include "app/templates.h"

namespace app {

namespace {

std::int32_t scale(std::int32_t value, std::int32_t numerator, std::int32_t denominator) {
  const std::int64_t product = std::int64_t{value} * numerator;
  const std::int64_t half = denominator / 2;
  return static_cast<std::int32_t>(product >= 0 ? (product + half) / denominator
                                                : (product - half) / denominator);
}

PixelRect pixels(std::int32_t x, std::int32_t y, std::int32_t width, std::int32_t height) {
  return toPixels(DialogUnits{x, y, width, height});
}

}  // namespace

PixelRect toPixels(DialogUnits units, BaseUnits base) {
  return PixelRect{scale(units.x, base.x, 4), scale(units.y, base.y, 8),
                   scale(units.width, base.x, 4), scale(units.height, base.y, 8)};
}

MainLayout mainLayout() {
  MainLayout layout{};
  layout.window = pixels(MAIN_DLU);
  layout.frame = pixels(MAIN_FRAME_DLU);
  layout.background = pixels(MAIN_BACKGROUND_DLU);
  // Centred as the picture control centres: half the control less half the picture, each halved
  // on its own.
  layout.pictureX = layout.background.x + layout.background.width / 2 - BACKGROUND_WIDTH / 2;
  layout.pictureY = layout.background.y + layout.background.height / 2 - BACKGROUND_HEIGHT / 2;
  layout.aboutButton = pixels(ABOUT_BUTTON_DLU);
  layout.exitButton = pixels(EXIT_BUTTON_DLU);
  return layout;
}

AboutLayout aboutLayout() {
  AboutLayout layout{};
  layout.window = pixels(ABOUT_DLU);
  const PixelRect title = pixels(ABOUT_TITLE_DLU);
  layout.title = PixelRect{title.x, title.y, TITLE_WIDTH, TITLE_HEIGHT};
  layout.frame = pixels(ABOUT_FRAME_DLU);
  layout.closeButton = pixels(CLOSE_BUTTON_DLU);
  layout.animation = ANIMATION_AREA;
  return layout;
}

}  // namespace app
