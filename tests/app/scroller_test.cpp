// The About box's frames: noise and border, the page walk, scrolling and page changes.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/credits.h"
#include "app/scroller.h"

namespace {

struct Frame {
  std::vector<std::uint32_t> pixels =
      std::vector<std::uint32_t>(app::FRAME_WIDTH * app::FRAME_HEIGHT);
  std::vector<std::string> lines;
  std::vector<std::int32_t> tops;
};

Frame render(app::ScrollerState& state, app::MersenneTwister& generator) {
  Frame frame;
  app::renderFrame(state, generator, frame.pixels.data(), app::FRAME_WIDTH,
                   [&frame](const app::TextLine& line) {
                     EXPECT_EQ(line.right, app::TEXT_RIGHT);
                     frame.lines.emplace_back(line.text, line.length);
                     frame.tops.push_back(line.top);
                   });
  return frame;
}

// Pages joined with their NULs, plus the empty page that ends the list.
std::string pageList(std::initializer_list<std::string> pages) {
  std::string list;
  for (const std::string& page : pages)
    list += page + '\0';
  return list + '\0';
}

// Frames rendered from opening until the page changes.
int framesUntilPageChange(const std::string& credits) {
  app::ScrollerState state;
  app::startCredits(state, credits.data());
  app::openScroller(state);
  app::MersenneTwister generator;
  for (int frame = 1; frame < 10000; ++frame) {
    const char* page = state.page;
    render(state, generator);
    if (state.page != page || state.scrollY == app::FRAME_HEIGHT) return frame;
  }
  return -1;
}

TEST(Scroller, FrameHasABlackBorderAndOnlyTheTwoRedsInside) {
  app::ScrollerState state;
  app::startCredits(state, app::CREDITS);
  app::MersenneTwister generator;
  app::Seed(generator, 2024);
  const Frame frame = render(state, generator);
  int counts[2] = {0, 0};
  for (int row = 0; row < app::FRAME_HEIGHT; ++row) {
    for (int x = 0; x < app::FRAME_WIDTH; ++x) {
      const std::uint32_t pixel = frame.pixels[row * app::FRAME_WIDTH + x];
      const bool border =
          x == 0 || row == 0 || x == app::FRAME_WIDTH - 1 || row == app::FRAME_HEIGHT - 1;
      if (border) {
        ASSERT_EQ(pixel, 0u) << x << "," << row;
      } else {
        ASSERT_TRUE(pixel == 0xC3C00000u || pixel == 0xD3D00000u) << std::hex << pixel;
        ++counts[pixel == 0xD3D00000u];
      }
    }
  }
  EXPECT_GT(counts[0], 30000);
  EXPECT_GT(counts[1], 30000);
}

TEST(Scroller, FrameIsAPureFunctionOfStateAndGenerator) {
  app::ScrollerState state;
  app::startCredits(state, app::CREDITS);
  state.scrollY = 40;
  app::MersenneTwister generator;
  app::Seed(generator, 7);
  app::ScrollerState stateCopy = state;
  app::MersenneTwister generatorCopy = generator;
  const Frame a = render(state, generator);
  const Frame b = render(stateCopy, generatorCopy);
  EXPECT_EQ(a.pixels, b.pixels);
  EXPECT_EQ(a.lines, b.lines);
  EXPECT_EQ(a.tops, b.tops);
  EXPECT_EQ(state.scrollY, 39);

  // A top-down surface, walked from its last row upward, gets the same pixels.
  app::MersenneTwister again;
  app::Seed(again, 7);
  std::vector<std::uint32_t> topDown(app::FRAME_WIDTH * app::FRAME_HEIGHT);
  app::fillNoise(topDown.data() + (app::FRAME_HEIGHT - 1) * app::FRAME_WIDTH, -app::FRAME_WIDTH,
                 again);
  for (int row = 0; row < app::FRAME_HEIGHT; ++row) {
    ASSERT_EQ(topDown[(app::FRAME_HEIGHT - 1 - row) * app::FRAME_WIDTH + 5],
              a.pixels[row * app::FRAME_WIDTH + 5]);
  }
}

TEST(Scroller, PageWalkDrawsCompleteLinesFifteenPixelsApart) {
  const std::string page = std::string("one\rtwo") + '\x14' + "\rthree\rleft over";
  app::ScrollerState state;
  app::startCredits(state, page.c_str());
  state.scrollY = 100;
  std::vector<std::string> lines;
  std::vector<std::int32_t> tops;
  const std::int32_t height = app::walkPage(state, [&](const app::TextLine& line) {
    lines.emplace_back(line.text, line.length);
    tops.push_back(line.top);
  });
  EXPECT_EQ(lines, (std::vector<std::string>{"one", "two", "", "three"}));
  EXPECT_EQ(tops, (std::vector<std::int32_t>{100, 115, 130, 145}));
  EXPECT_EQ(height, 60);
}

TEST(Scroller, CycleLengthsFollowTheBlockHeight) {
  std::string twentyLines;
  for (int line = 0; line < 20; ++line)
    twentyLines += "credits line\r";
  const struct {
    std::string credits;
    int frames;
  } cases[] = {
      {pageList({twentyLines}), 491},    // 300 pixels: from 190 down to -300
      {pageList({"no line end"}), 191},  // nothing drawn: from 190 down to 0
      {pageList({"one line\r"}), 205},   // 15 pixels round down to 14
      {pageList({"a\rb\r", "c\r"}), 221},
  };
  for (const auto& c : cases)
    EXPECT_EQ(framesUntilPageChange(c.credits), c.frames);
}

TEST(Scroller, PagesAdvanceWrapAndSurviveReopening) {
  const std::string credits = pageList({"first\r", "second\r"});
  app::ScrollerState state;
  app::startCredits(state, credits.data());
  app::openScroller(state);
  app::MersenneTwister generator;
  std::vector<std::string> shown;
  for (int frame = 0; frame < 3 * 205; ++frame) {
    const Frame f = render(state, generator);
    if (frame % 205 == 0) shown.push_back(f.lines.at(0));
  }
  EXPECT_EQ(shown, (std::vector<std::string>{"first", "second", "first"}));

  render(state, generator);
  state.scrollY = 12;
  app::openScroller(state);  // the box closed and opened again
  EXPECT_EQ(state.scrollY, app::FRAME_HEIGHT);
  EXPECT_STREQ(state.page, "second\r");
}

}  // namespace
