// jingle render as a user runs it: output files and formats, lengths, and failures.
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include <gtest/gtest.h>

#include "player/offline_render.h"
#include "tests/support/xm_writer.h"

namespace {

namespace fs = std::filesystem;

struct Outcome {
  int exitCode = -1;
  std::vector<std::uint8_t> out;
  std::string err;
};

class RenderCommand : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = fs::temp_directory_path() /
           ("jingle-render-" + std::to_string(::getpid()) + "-" +
            ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(dir_);
    fs::create_directories(dir_);
  }
  void TearDown() override { fs::remove_all(dir_); }

  // A 4-row song at speed 6 and 125 BPM with a note on row 0: 4 x 6 x 882 frames long.
  static xmtest::Module shortSong() {
    xmtest::Module module;
    module.channels = 2;
    module.patterns.resize(1);
    module.patterns[0].rows = 4;
    module.patterns[0].set(0, 0, xmtest::Cell{49, 1}, 2);
    std::vector<int> values;
    for (int i = 0; i < 3000; ++i)
      values.push_back((i * 13) % 120 - 60);
    module.instruments.push_back(xmtest::simpleInstrument(values));
    module.instruments[0].samples[0].loopType = 1;
    module.instruments[0].samples[0].loopLength = 3000;
    return module;
  }

  std::string writeModule(const std::string& name, const xmtest::Module& module) {
    const std::vector<std::uint8_t> bytes = xmtest::writeXm(module);
    const fs::path path = dir_ / name;
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()),
               static_cast<std::streamsize>(bytes.size()));
    return path.string();
  }

  Outcome jingle(const std::string& arguments) {
    const fs::path out = dir_ / "stdout", err = dir_ / "stderr";
    const std::string command =
        std::string(JINGLE_BINARY) + " " + arguments + " >" + out.string() + " 2>" + err.string();
    Outcome run;
    const int status = std::system(command.c_str());
    run.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    run.out = xmtest::readFile(out.string());
    const std::vector<std::uint8_t> text = xmtest::readFile(err.string());
    run.err.assign(text.begin(), text.end());
    return run;
  }

  fs::path dir_;
};

std::uint32_t u32At(const std::vector<std::uint8_t>& bytes, std::size_t at) {
  return bytes[at] | bytes[at + 1] << 8 | bytes[at + 2] << 16 |
         static_cast<std::uint32_t>(bytes[at + 3]) << 24;
}

TEST_F(RenderCommand, WritesACanonicalWavNextToTheModuleByDefault) {
  const std::string module = writeModule("tune.song.xm", shortSong());
  const Outcome run = jingle("render " + module);
  ASSERT_EQ(run.exitCode, 0) << run.err;
  const std::vector<std::uint8_t> wav = xmtest::readFile((dir_ / "tune.song.wav").string());
  const std::uint32_t frames = 4 * 6 * 882;
  ASSERT_EQ(wav.size(), 44 + frames * 4);
  EXPECT_EQ(std::string(wav.begin(), wav.begin() + 4), "RIFF");
  EXPECT_EQ(u32At(wav, 4), 36 + frames * 4);
  EXPECT_EQ(std::string(wav.begin() + 8, wav.begin() + 16), "WAVEfmt ");
  EXPECT_EQ(u32At(wav, 16), 16u);
  EXPECT_EQ(u32At(wav, 20), 1u | 2u << 16);  // PCM, 2 channels
  EXPECT_EQ(u32At(wav, 24), 44100u);
  EXPECT_EQ(u32At(wav, 28), 44100u * 4);
  EXPECT_EQ(u32At(wav, 32), 4u | 16u << 16);  // 4 bytes a frame, 16 bits
  EXPECT_EQ(std::string(wav.begin() + 36, wav.begin() + 40), "data");
  EXPECT_EQ(u32At(wav, 40), frames * 4);
}

TEST_F(RenderCommand, RawOutputOnStandardOutputIsTheSameAudioEveryTime) {
  const std::string module = writeModule("tune.xm", shortSong());
  const Outcome first = jingle("render " + module + " --raw -o -");
  const Outcome second = jingle("render " + module + " -o - --raw");
  ASSERT_EQ(first.exitCode, 0) << first.err;
  EXPECT_EQ(first.out.size(), 4u * 6 * 882 * 4);
  EXPECT_EQ(first.out, second.out);
  EXPECT_NE(std::count(first.out.begin(), first.out.end(), 0),
            static_cast<std::ptrdiff_t>(first.out.size()));

  const Outcome wav = jingle("render " + module + " -o " + (dir_ / "out.wav").string());
  ASSERT_EQ(wav.exitCode, 0) << wav.err;
  const std::vector<std::uint8_t> file = xmtest::readFile((dir_ / "out.wav").string());
  EXPECT_EQ(std::vector<std::uint8_t>(file.begin() + 44, file.end()), first.out);
}

TEST_F(RenderCommand, TheStreamIsTheOfflineRenderOfTheLibrary) {
  xmtest::Module module = shortSong();
  module.patterns[0].rows = 64;
  for (int r = 0; r < 64; r += 4)
    module.patterns[0].set(r, 1, xmtest::Cell{static_cast<std::uint8_t>(30 + r / 2), 1}, 2);
  const std::string path = writeModule("long.xm", module);
  const Outcome run = jingle("render " + path + " --raw -o -");
  ASSERT_EQ(run.exitCode, 0) << run.err;

  xmtest::SongPtr song = xmtest::loadModule(module);
  ASSERT_NE(song, nullptr);
  ASSERT_TRUE(player::startOfflineRender(song.get(), 1));
  const std::size_t blockBytes = static_cast<std::size_t>(player::offlineBlockFrames()) * 4;
  bool equal = true;
  for (std::size_t at = 0; at < run.out.size(); at += blockBytes) {
    const auto* block = reinterpret_cast<const std::uint8_t*>(player::renderNextBlock());
    const std::size_t count = std::min(blockBytes, run.out.size() - at);
    equal = equal &&
            std::equal(block, block + count, run.out.begin() + static_cast<std::ptrdiff_t>(at));
  }
  player::stopOfflineRender();
  EXPECT_TRUE(equal);
  EXPECT_EQ(run.out.size(), 64u * 6 * 882 * 4);
}

TEST_F(RenderCommand, SecondsAndLoopsSetTheLength) {
  const std::string module = writeModule("tune.xm", shortSong());
  struct Case {
    std::string options;
    std::size_t frames;
  };
  for (const Case& c : {Case{"--seconds 1.5", 66150}, Case{"--seconds 0.00001", 0},
                        Case{"--seconds 2", 88200}, Case{"--loops 3", 3 * 4 * 6 * 882}}) {
    const Outcome run = jingle("render " + module + " --raw -o - " + c.options);
    ASSERT_EQ(run.exitCode, 0) << c.options << ": " << run.err;
    EXPECT_EQ(run.out.size(), c.frames * 4) << c.options;
  }
}

TEST_F(RenderCommand, InfoGivesTheLengthThatRenderWrites) {
  xmtest::Module module = shortSong();
  module.patterns[0].rows = 8;
  module.patterns[0].set(1, 1, xmtest::Cell{0, 0, 0, 0x0E, 0x60}, 2);
  module.patterns[0].set(3, 1, xmtest::Cell{0, 0, 0, 0x0E, 0x62}, 2);
  module.patterns[0].set(4, 1, xmtest::Cell{0, 0, 0, 0x0F, 0x55}, 2);
  module.patterns[0].set(6, 0, xmtest::Cell{0, 0, 0, 0x0E, 0xE3}, 2);
  const std::string path = writeModule("tune.xm", module);
  const Outcome info = jingle("info " + path);
  const Outcome render = jingle("render " + path + " --raw -o -");
  ASSERT_EQ(info.exitCode, 0) << info.err;
  ASSERT_EQ(render.exitCode, 0) << render.err;
  const std::string text(info.out.begin(), info.out.end());
  const std::size_t line = text.find("duration: ");
  ASSERT_NE(line, std::string::npos) << text;
  const std::size_t open = text.find('(', line);
  EXPECT_EQ(std::stoull(text.substr(open + 1)), render.out.size() / 4) << text;
}

TEST_F(RenderCommand, BadInputIsReportedAsInfoReportsIt) {
  const std::string missing = (dir_ / "missing.xm").string();
  const std::string notXm = (dir_ / "text.xm").string();
  std::ofstream(notXm) << "not a module at all, just some text";
  for (const std::string& path : {missing, notXm}) {
    const Outcome render = jingle("render " + path + " -o " + (dir_ / "x.wav").string());
    const Outcome info = jingle("info " + path);
    EXPECT_EQ(render.exitCode, 2) << path;
    EXPECT_EQ(render.err, info.err);
    EXPECT_EQ(std::count(render.err.begin(), render.err.end(), '\n'), 1) << render.err;
    EXPECT_FALSE(fs::exists(dir_ / "x.wav"));
  }
}

TEST_F(RenderCommand, BadUsageExitsWithTwo) {
  const std::string module = writeModule("tune.xm", shortSong());
  for (const std::string& arguments :
       {std::string("render"), "render " + module + " --seconds",
        "render " + module + " --seconds x", "render " + module + " --seconds -1",
        "render " + module + " --loops 0", "render " + module + " --seconds 1 --loops 2",
        "render " + module + " --frobnicate", "render " + module + " " + module}) {
    EXPECT_EQ(jingle(arguments).exitCode, 2) << arguments;
  }
}

TEST_F(RenderCommand, AnOutputThatCannotBeWrittenExitsWithOne) {
  const std::string module = writeModule("tune.xm", shortSong());
  std::vector<std::string> outputs{(dir_ / "no-such-dir" / "out.wav").string()};
  if (fs::exists("/dev/full")) outputs.emplace_back("/dev/full");
  for (const std::string& output : outputs) {
    const Outcome run = jingle("render " + module + " -o " + output);
    EXPECT_EQ(run.exitCode, 1) << output;
    EXPECT_EQ(std::count(run.err.begin(), run.err.end(), '\n'), 1) << run.err;
    EXPECT_NE(run.err.find(output), std::string::npos) << run.err;
  }
}

}  // namespace
