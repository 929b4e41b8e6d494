// The application's platform-independent parts as the page's shell (app/web/shell.mjs) calls them
// from WebAssembly: the layout, the button looks, the captions and the About box's frames, whose
// noise is rendered here into canvas pixels and whose credits lines are handed to the shell to
// draw as text.
#include <cstdint>
#include <initializer_list>

#include "app/button_look.h"
#include "app/credits.h"
#include "app/layout.h"
#include "app/random.h"
#include "app/scroller.h"

#define APP_EXPORT extern "C" __attribute__((used, visibility("default")))

namespace {

constexpr std::int32_t MAX_LINES = 64;

struct LineRecord {
  const char* text;
  std::int32_t length;
  std::int32_t right;
  std::int32_t top;
};

struct AboutFrame {
  std::uint32_t pixels[app::FRAME_WIDTH * app::FRAME_HEIGHT];   // top row first
  std::uint8_t rgba[app::FRAME_WIDTH * app::FRAME_HEIGHT * 4];  // the same as a canvas takes them
  LineRecord lines[MAX_LINES];
  std::int32_t lineCount;
};

AboutFrame about;
app::ScrollerState scroller{};
app::Caption caption;

std::int32_t* put(std::int32_t* out, const app::PixelRect& r) {
  out[0] = r.x;
  out[1] = r.y;
  out[2] = r.width;
  out[3] = r.height;
  return out + 4;
}

}  // namespace

// The main window's rectangles (window, frame, background control, About, Exit) as x, y, width,
// height, then the picture's left and top: 22 values.
APP_EXPORT void app_main_layout(std::int32_t* out) {
  const app::MainLayout layout = app::mainLayout();
  for (const app::PixelRect& r :
       {layout.window, layout.frame, layout.background, layout.aboutButton, layout.exitButton}) {
    out = put(out, r);
  }
  out[0] = layout.pictureX;
  out[1] = layout.pictureY;
}

// The About box's rectangles (window, title, frame, close button, animation): 20 values.
APP_EXPORT void app_about_layout(std::int32_t* out) {
  const app::AboutLayout layout = app::aboutLayout();
  for (const app::PixelRect& r :
       {layout.window, layout.title, layout.frame, layout.closeButton, layout.animation}) {
    out = put(out, r);
  }
}

// A button's look in a state: fill, outline and text colours (0x00BBGGRR), caption offset, focus
// rectangle (1 or 0), focus inset: 6 values.
APP_EXPORT void app_button_look(std::int32_t pressed, std::int32_t disabled, std::int32_t focused,
                                std::int32_t* out) {
  const app::ButtonLook look = app::buttonLook({pressed != 0, disabled != 0, focused != 0});
  out[0] = static_cast<std::int32_t>(look.fillColour);
  out[1] = static_cast<std::int32_t>(look.outlineColour);
  out[2] = static_cast<std::int32_t>(look.textColour);
  out[3] = look.captionOffset;
  out[4] = look.focusRectangle ? 1 : 0;
  out[5] = app::FOCUS_INSET;
}

// Where the shell puts what it passes in (a caption) and gets results back (the numbers above).
APP_EXPORT std::int32_t* app_scratch() {
  static std::int32_t scratch[64];
  return scratch;
}

// The caption to show for one with '&' marks (NUL-terminated); *underlined is the index of the
// access key's character, or -1.
APP_EXPORT const char* app_caption(const char* marked, std::int32_t* underlined) {
  caption = app::parseCaption(marked);
  *underlined = caption.underlined;
  return caption.text;
}

// Opens the About box: the generator seeded with seed, the credits on the page they were on, the
// text just below the frame.
APP_EXPORT void app_about_open(std::uint32_t seed) {
  app::Seed(app::noiseGenerator, seed);
  if (scroller.credits == nullptr) app::startCredits(scroller, app::CREDITS);
  app::openScroller(scroller);
}

// Renders the next frame: its pixels (FRAME_WIDTH x FRAME_HEIGHT, red, green, blue and alpha
// bytes, top row first) at the returned address, and its lines of credits for app_about_line.
APP_EXPORT const std::uint8_t* app_about_frame() {
  about.lineCount = 0;
  // The frame function's memory row 0 is the bottom row on screen: the last row here, the rows
  // before it following.
  std::uint32_t* lastRow = about.pixels + (app::FRAME_HEIGHT - 1) * app::FRAME_WIDTH;
  app::renderFrame(
      scroller, app::noiseGenerator, lastRow, -app::FRAME_WIDTH, [](const app::TextLine& line) {
        if (about.lineCount == MAX_LINES || line.length == 0) return;
        about.lines[about.lineCount++] = LineRecord{line.text, line.length, line.right, line.top};
      });
  // Blue, green, red, unused in memory order, as a device-independent section keeps them.
  for (std::int32_t i = 0; i < app::FRAME_WIDTH * app::FRAME_HEIGHT; ++i) {
    const std::uint32_t pixel = about.pixels[i];
    std::uint8_t* out = about.rgba + 4 * i;
    out[0] = static_cast<std::uint8_t>(pixel >> 16);
    out[1] = static_cast<std::uint8_t>(pixel >> 8);
    out[2] = static_cast<std::uint8_t>(pixel);
    out[3] = 255;
  }
  return about.rgba;
}

APP_EXPORT std::int32_t app_about_line_count() {
  return about.lineCount;
}

// Line index of the last frame: its bytes (not NUL-terminated), and length, right edge and top in
// out.
APP_EXPORT const char* app_about_line(std::int32_t index, std::int32_t* out) {
  const LineRecord& line = about.lines[index];
  out[0] = line.length;
  out[1] = line.right;
  out[2] = line.top;
  return line.text;
}
