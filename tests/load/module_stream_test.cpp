// The module image and the stream over it: seeks and reads never leave the image, whatever the
// offset, mode or count.
#include "player/load/module_stream.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <numeric>
#include <vector>

#include "tests/support/xm_writer.h"

namespace {

// An open stream over count bytes 1, 2, 3, ...; closes the handle at the end of the test.
class StreamTest : public ::testing::Test {
 protected:
  void open(std::size_t count) {
    std::vector<std::uint8_t> bytes(count);
    std::iota(bytes.begin(), bytes.end(), std::uint8_t{1});
    image_ = xmtest::makeImage(bytes);
    handle_ = player::openStream(image_.get());
    ASSERT_NE(handle_, nullptr);
  }
  void TearDown() override { player::closeStream(handle_); }

  xmtest::ImagePtr image_;
  player::StreamHandle* handle_ = nullptr;
};

TEST_F(StreamTest, OpensOverTheBytesBehindTheLittleEndianCount) {
  open(600);
  const auto* raw = reinterpret_cast<const std::uint8_t*>(image_.get());
  EXPECT_EQ((std::vector<int>{raw[0], raw[1], raw[2], raw[3]}), (std::vector<int>{88, 2, 0, 0}));
  EXPECT_EQ(player::moduleByteCount(image_.get()), 600u);
  EXPECT_EQ(handle_->base, player::moduleBytes(image_.get()));
  EXPECT_EQ(handle_->base[599], static_cast<std::uint8_t>(600));
  EXPECT_EQ(handle_->length, 600);
  EXPECT_EQ(handle_->position, 0);
  EXPECT_EQ(player::openStream(xmtest::makeImage({}).get()), nullptr);
  EXPECT_EQ(player::openStream(nullptr), nullptr);
}

TEST_F(StreamTest, SeeksStayWithinTheImage) {
  constexpr std::int32_t MIN = std::numeric_limits<std::int32_t>::min();
  constexpr std::int32_t MAX = std::numeric_limits<std::int32_t>::max();
  struct Case {
    std::int32_t from, offset;
    int mode;
    std::int32_t position;
  } const cases[] = {
      {0, 1000, 0, 600},   {0, 0, 2, 600},  {0, -4, 2, 596}, {100, -30, 1, 70},
      {100, 1000, 1, 600}, {5, 300, 3, 5},  // an unknown mode leaves the position
      {10, -11, 1, 0},     {0, -601, 2, 0}, {0, MIN, 0, 0},  {599, MAX, 1, 600},
  };
  open(600);
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::Message()
                 << "seek " << c.offset << " mode " << c.mode << " from " << c.from);
    player::seek(handle_, c.from, 0);
    player::seek(handle_, c.offset, c.mode);
    EXPECT_EQ(handle_->position, c.position);
  }
  player::seek(nullptr, 0, 0);
  EXPECT_EQ(handle_->position, 600) << "a null handle does nothing";
}

TEST_F(StreamTest, ReadsCopyOnlyWhatRemains) {
  struct Case {
    std::int32_t from;
    std::uint32_t count;
    int copied;
  } const cases[] = {
      {0, 17, 10},
      {10, 17, 0},
      {3, 0, 0},
      {4, std::numeric_limits<std::uint32_t>::max(), 6},  // position + count wraps around 2^32
  };
  open(10);
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::Message() << "read " << c.count << " from " << c.from);
    std::uint8_t buffer[17];
    std::fill(std::begin(buffer), std::end(buffer), 0xEE);
    player::seek(handle_, c.from, 0);
    player::read(buffer, c.count, handle_);
    EXPECT_EQ(handle_->position, c.from + c.copied);
    for (int k = 0; k < 17; ++k)
      EXPECT_EQ(buffer[k], k < c.copied ? c.from + k + 1 : 0xEE) << k;
  }
  std::uint8_t byte = 0xEE;
  player::seek(handle_, 4, 0);
  player::read(&byte, 1, nullptr);
  EXPECT_EQ(byte, 0xEE) << "a null handle reads nothing";
  EXPECT_EQ(handle_->position, 4);
}

}  // namespace
