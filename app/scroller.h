// The About box's animation: a field of red noise with a black border, and the credits text
// scrolling upward over it one pixel a frame, page after page. Everything here is independent of
// the window system; the shell supplies the text drawing and shows the frame.
#pragma once

#include <cstddef>
#include <cstdint>

#include "app/random.h"

namespace app {

// The frame buffer: 32-bit pixels, stored bottom-up as a device-independent section keeps them
// (memory row 0 is the bottom row on screen); text coordinates run top-down.
constexpr std::int32_t FRAME_WIDTH = 394;
constexpr std::int32_t FRAME_HEIGHT = 190;
// Where each line's right edge is drawn, and how far apart the lines are.
constexpr std::int32_t TEXT_RIGHT = 384;
constexpr std::int32_t LINE_HEIGHT = 15;
constexpr std::uint32_t TEXT_COLOUR = 0xFEFEFE;  // as a 0x00BBGGRR colour reference
// The two noise pixels, blue-green-red-unused in memory order: red 192 and red 208.
constexpr std::uint32_t noisePixel(std::uint32_t r) { return ((60 + r) * 257) << 20; }

// Credits pages follow one another, each ended by a NUL byte; an empty page ends the list.
// Inside a page a line ends with byte 13 or byte 20.
constexpr bool isLineEnd(char c) { return c == 13 || c == 20; }

struct ScrollerState {
  const char* credits;   // the first page
  const char* page;      // the page on show; kept when the box closes and opens again
  std::int32_t scrollY;  // top of the text block, in frame rows from the top
};

// Points the scroller at its credits, on the first page. Call once per process.
void startCredits(ScrollerState& state, const char* credits);
// Every opening of the box starts the text just below the frame.
inline void openScroller(ScrollerState& state) { state.scrollY = FRAME_HEIGHT; }

// Writes the noise: pixels in memory order, one Random(2) per interior pixel, black border.
// row0 is memory row 0 and rowStride the distance in pixels to the next memory row (negative for
// a top-down surface whose last row is memory row 0).
void fillNoise(std::uint32_t* row0, std::ptrdiff_t rowStride, MersenneTwister& generator);

// One line of the page to draw: its bytes, and where its right edge and top go.
struct TextLine {
  const char* text;
  std::int32_t length;
  std::int32_t right;
  std::int32_t top;
};

// Hands every complete line of the current page to draw, top to bottom; text after the page's
// last line end is not drawn. Returns the block height rounded down to an even number.
template <class DrawLine>
std::int32_t walkPage(const ScrollerState& state, DrawLine&& draw) {
  std::int32_t y = state.scrollY;
  const char* lineStart = state.page;
  for (const char* p = state.page; *p != 0; ++p) {
    if (!isLineEnd(*p)) continue;
    draw(TextLine{lineStart, static_cast<std::int32_t>(p - lineStart), TEXT_RIGHT, y});
    y += LINE_HEIGHT;
    lineStart = p + 1;
  }
  return (y - state.scrollY) / 2 * 2;
}

// Moves the text up one pixel; once the block's bottom has left the top of the frame, the next
// page (or the first again, after the last) starts from the bottom.
void scrollOnce(ScrollerState& state, std::int32_t blockHeight);

// One whole frame: noise, the page's lines, then the scroll. The pixels depend only on the state
// and the generator (and on how the shell draws text).
template <class DrawLine>
void renderFrame(ScrollerState& state, MersenneTwister& generator, std::uint32_t* row0,
                 std::ptrdiff_t rowStride, DrawLine&& draw) {
  fillNoise(row0, rowStride, generator);
  scrollOnce(state, walkPage(state, draw));
}

}  // namespace app
