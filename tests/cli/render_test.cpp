// jingle render as a user runs it: output files and formats, lengths, and output failures.
#include <filesystem>

#include "player/offline_render.h"
#include "tests/cli/jingle_run.h"

namespace {

using RenderCommand = clitest::JingleTest;

using clitest::shortSong;

std::uint32_t u32At(const std::string& bytes, std::size_t at) {
  std::uint32_t value = 0;
  for (std::size_t k = 4; k-- > 0;)
    value = value << 8 | static_cast<std::uint8_t>(bytes[at + k]);
  return value;
}

TEST_F(RenderCommand, WritesACanonicalWavNextToTheModuleByDefault) {
  const clitest::Outcome run = jingle("render " + writeModule("tune.song.xm", shortSong()));
  ASSERT_EQ(run.exitCode, 0) << run.err;
  const std::string wav = clitest::readText(path("tune.song.wav"));
  const std::uint32_t dataBytes = 4 * 6 * 882 * 4;
  ASSERT_EQ(wav.size(), 44 + dataBytes);
  EXPECT_EQ(wav.substr(0, 4), "RIFF");
  EXPECT_EQ(wav.substr(8, 8), "WAVEfmt ");
  EXPECT_EQ(wav.substr(36, 4), "data");
  const std::uint32_t fields[][2] = {
      {4, 36 + dataBytes}, {16, 16},        {20, 1u | 2u << 16},   // PCM, 2 channels
      {24, 44100},         {28, 44100 * 4}, {32, 4u | 16u << 16},  // 4 bytes a frame, 16 bits
      {40, dataBytes}};
  for (const auto& [offset, value] : fields)
    EXPECT_EQ(u32At(wav, offset), value) << "offset " << offset;
}

TEST_F(RenderCommand, RawOutputIsTheLibrarysRenderAndTheSameEveryTime) {
  xmtest::Module module = shortSong(64);
  for (int r = 0; r < 64; r += 4)
    module.patterns[0].set(r, 1, xmtest::Cell{static_cast<std::uint8_t>(30 + r / 2), 1}, 2);
  const std::string file = writeModule("long.xm", module);
  const clitest::Outcome first = jingle("render " + file + " --raw -o -");
  const clitest::Outcome second = jingle("render " + file + " -o - --raw");
  ASSERT_EQ(first.exitCode, 0) << first.err;
  ASSERT_EQ(first.out.size(), 64u * 6 * 882 * 4);
  EXPECT_EQ(first.out, second.out);
  EXPECT_NE(first.out, std::string(first.out.size(), '\0'));

  xmtest::SongPtr song = xmtest::loadModule(module);
  ASSERT_TRUE(player::startOfflineRender(song.get(), 1));
  const std::size_t blockBytes = static_cast<std::size_t>(player::offlineBlockFrames()) * 4;
  std::string library;
  while (library.size() < first.out.size())
    library.append(reinterpret_cast<const char*>(player::renderNextBlock()), blockBytes);
  player::stopOfflineRender();
  library.resize(first.out.size());
  EXPECT_TRUE(library == first.out) << "the command's audio differs from the library's";

  ASSERT_EQ(jingle("render " + file + " -o " + path("out.wav")).exitCode, 0);
  EXPECT_TRUE(clitest::readText(path("out.wav")).substr(44) == first.out);
}

TEST_F(RenderCommand, SecondsAndLoopsSetTheLength) {
  const std::string module = writeModule("tune.xm", shortSong());
  struct Case {
    std::string options;
    std::size_t frames;
  };
  for (const Case& c : {Case{"--seconds 1.5", 66150}, Case{"--seconds 0.00001", 0},
                        Case{"--seconds 2", 88200}, Case{"--loops 3", 3 * 4 * 6 * 882}}) {
    const clitest::Outcome run = jingle("render " + module + " --raw -o - " + c.options);
    ASSERT_EQ(run.exitCode, 0) << c.options << ": " << run.err;
    EXPECT_EQ(run.out.size(), c.frames * 4) << c.options;
  }
}

TEST_F(RenderCommand, InfoGivesTheLengthThatRenderWrites) {
  xmtest::Module module = shortSong(8);
  module.patterns[0].set(1, 1, xmtest::Cell{0, 0, 0, 0x0E, 0x60}, 2);  // a pattern loop
  module.patterns[0].set(3, 1, xmtest::Cell{0, 0, 0, 0x0E, 0x62}, 2);
  module.patterns[0].set(4, 1, xmtest::Cell{0, 0, 0, 0x0F, 0x55}, 2);  // a tempo change
  module.patterns[0].set(6, 0, xmtest::Cell{0, 0, 0, 0x0E, 0xE3}, 2);  // a pattern delay
  const std::string file = writeModule("tune.xm", module);
  const clitest::Outcome info = jingle("info --json " + file);
  const clitest::Outcome render = jingle("render " + file + " --raw -o -");
  ASSERT_EQ(info.exitCode, 0) << info.err;
  ASSERT_EQ(render.exitCode, 0) << render.err;
  const std::size_t key = info.out.find("\"frames\": ");
  ASSERT_NE(key, std::string::npos) << info.out;
  EXPECT_EQ(std::stoull(info.out.substr(key + 10)), render.out.size() / 4) << info.out;
}

// The end search leaves the song as loaded, so rendering to the natural end gives the bytes that
// rendering the same length by --seconds gives, for a song whose E5y changes a sample's finetune.
TEST_F(RenderCommand, TheNaturalEndAndTheSameSecondsRenderTheSameBytes) {
  xmtest::Module module = shortSong();
  module.patterns[0].set(1, 0, xmtest::Cell{49, 1, 0, 0x0E, 0x57}, 2);
  module.patterns[0].set(2, 1, xmtest::Cell{52, 1}, 2);
  const std::string file = writeModule("tune.xm", module);
  const clitest::Outcome natural = jingle("render " + file + " --raw -o -");
  const clitest::Outcome seconds = jingle("render " + file + " --raw -o - --seconds 0.48");
  ASSERT_EQ(natural.exitCode, 0) << natural.err;
  ASSERT_EQ(natural.out.size(), 4u * 6 * 882 * 4);  // 0.48 s
  EXPECT_TRUE(natural.out == seconds.out);
}

}  // namespace
