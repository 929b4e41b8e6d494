#include "player/load/module_stream.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <numeric>
#include <vector>

#include "tests/support/xm_writer.h"

namespace {

using player::moduleStream;

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

TEST_F(StreamTest, OpenPointsAtTheBytesBehindTheCount) {
  open(600);
  EXPECT_EQ(moduleStream.base, player::moduleBytes(image_.get()));
  EXPECT_EQ(moduleStream.length, 600);
  EXPECT_EQ(moduleStream.position, 0);
}

TEST(ModuleStream, AnEmptyImageIsNotOpened) {
  xmtest::ImagePtr image = xmtest::makeImage({});
  EXPECT_EQ(player::openStream(image.get()), nullptr);
  EXPECT_EQ(player::openStream(nullptr), nullptr);
}

TEST_F(StreamTest, ReadCopiesWhatRemainsAndStopsAtTheEnd) {
  open(10);
  std::uint8_t buffer[17];
  std::fill(std::begin(buffer), std::end(buffer), 0xEE);
  player::read(buffer, 17, handle_);
  EXPECT_EQ(moduleStream.position, 10);
  for (int k = 0; k < 10; ++k)
    EXPECT_EQ(buffer[k], k + 1);
  for (int k = 10; k < 17; ++k)
    EXPECT_EQ(buffer[k], 0xEE) << "bytes past the copied ones keep their value";

  std::fill(std::begin(buffer), std::end(buffer), 0xEE);
  player::read(buffer, 17, handle_);
  EXPECT_EQ(moduleStream.position, 10);
  EXPECT_EQ(buffer[0], 0xEE);
}

TEST_F(StreamTest, ReadOfZeroBytesChangesNothing) {
  open(10);
  player::seek(handle_, 3, 0);
  std::uint8_t byte = 0xEE;
  player::read(&byte, 0, handle_);
  EXPECT_EQ(byte, 0xEE);
  EXPECT_EQ(moduleStream.position, 3);
}

TEST_F(StreamTest, HugeCountsNeverReadPastTheImage) {
  open(10);
  player::seek(handle_, 4, 0);
  std::uint8_t buffer[16] = {};
  // position + count wraps around 2^32; only the six remaining bytes may be copied.
  player::read(buffer, std::numeric_limits<std::uint32_t>::max(), handle_);
  EXPECT_EQ(moduleStream.position, 10);
  EXPECT_EQ(buffer[0], 5);
  EXPECT_EQ(buffer[5], 10);
  EXPECT_EQ(buffer[6], 0);
}

TEST_F(StreamTest, SeekModes) {
  open(600);
  player::seek(handle_, 1000, 0);
  EXPECT_EQ(moduleStream.position, 600) << "mode 0 past the end stops at the end";
  player::seek(handle_, 0, 2);
  EXPECT_EQ(moduleStream.position, 600);
  player::seek(handle_, -4, 2);
  EXPECT_EQ(moduleStream.position, 596);
  std::uint8_t bytes[4];
  player::read(bytes, 4, handle_);
  EXPECT_EQ(bytes[3], static_cast<std::uint8_t>(600));
  player::seek(handle_, 100, 0);
  player::seek(handle_, -30, 1);
  EXPECT_EQ(moduleStream.position, 70);
  player::seek(handle_, 1000, 1);
  EXPECT_EQ(moduleStream.position, 600);
  player::seek(handle_, 5, 0);
  player::seek(handle_, 300, 3);
  EXPECT_EQ(moduleStream.position, 5) << "an unknown mode leaves the position";
}

TEST_F(StreamTest, SeeksBelowTheStartStopAtZero) {
  open(600);
  player::seek(handle_, 10, 0);
  player::seek(handle_, -11, 1);
  EXPECT_EQ(moduleStream.position, 0);
  player::seek(handle_, -601, 2);
  EXPECT_EQ(moduleStream.position, 0);
  player::seek(handle_, std::numeric_limits<std::int32_t>::min(), 0);
  EXPECT_EQ(moduleStream.position, 0);
  player::seek(handle_, 599, 0);
  player::seek(handle_, std::numeric_limits<std::int32_t>::max(), 1);
  EXPECT_EQ(moduleStream.position, 600) << "no overflow on a relative seek";
  std::uint8_t byte = 0xEE;
  player::read(&byte, 1, handle_);
  EXPECT_EQ(byte, 0xEE);
}

TEST_F(StreamTest, ANullHandleDoesNothing) {
  open(10);
  player::seek(handle_, 4, 0);
  std::uint8_t byte = 0xEE;
  player::read(&byte, 1, nullptr);
  EXPECT_EQ(byte, 0xEE);
  player::seek(nullptr, 0, 0);
  EXPECT_EQ(moduleStream.position, 4);
}

}  // namespace
