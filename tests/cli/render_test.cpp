// jingle render as a user runs it: the library's bytes, the length asked for or found, muted
// channels, and the progress bar.
#include <cstring>
#include <filesystem>

#include "tests/cli/play_run.h"
#include "tests/support/render_digests.h"

namespace {

using RenderCommand = clitest::JingleTest;

using clitest::shortSong;

// To the natural end, or for the table's seconds when the song is longer.
TEST_F(RenderCommand, EverySongGivesTheTablesDigest) {
  xmtest::expectTableDigests(
      xmtest::digestSongs(), [&](const xmtest::DigestSong& song, std::int64_t frames, auto) {
        const xmtest::Digest* row = xmtest::expectedDigest(song.name);
        const bool whole = row != nullptr && row->naturalFrames == frames;
        const std::string raw = rendered(write("song.xm", song.file) + " --threads 3" +
                                         (whole ? std::string() : " --seconds 10"));
        EXPECT_EQ(raw.size(), static_cast<std::size_t>(frames) * 4);
        return xmtest::digestOf(reinterpret_cast<const std::int16_t*>(raw.data()), raw.size() / 2);
      });
}

TEST_F(RenderCommand, SecondsAndLoopsSetTheLength) {
  const std::string module = writeModule("tune.xm", shortSong());
  struct Case {
    std::string options;
    std::size_t frames;
  };
  for (const Case& c : {Case{"--seconds 1.5", 66150}, Case{"--seconds 0.00001", 0},
                        Case{"--seconds 2", 88200}, Case{"--loops 3", 3 * 4 * 6 * 882}}) {
    EXPECT_EQ(rendered(module + " " + c.options).size(), c.frames * 4) << c.options;
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
  ASSERT_EQ(info.exitCode, 0) << info.err;
  const std::size_t key = info.out.find("\"frames\": ");
  ASSERT_NE(key, std::string::npos) << info.out;
  EXPECT_EQ(std::stoull(info.out.substr(key + 10)), rendered(file).size() / 4) << info.out;
}

// A muted channel's notes are not heard and nothing else changes: muting channels 2 to 8 renders
// what the song without their notes renders, in every spelling.
TEST_F(RenderCommand, MuteAndSoloSilenceExactlyTheChannelsListed) {
  const xmtest::Module all = clitest::loudSong();
  xmtest::Module firstOnly = all;
  for (int row = 0; row < 8; ++row)
    for (int channel = 1; channel < all.channels; ++channel)
      firstOnly.patterns[0].set(row, channel, xmtest::Cell{}, all.channels);
  xmtest::Module none = firstOnly;
  for (int row = 0; row < 8; ++row)
    none.patterns[0].set(row, 0, xmtest::Cell{}, all.channels);
  const std::string file = writeModule("all.xm", all);
  const std::string unmuted = rendered(file);
  const std::string first = rendered(writeModule("first.xm", firstOnly));
  const std::string silent = rendered(writeModule("none.xm", none));
  ASSERT_NE(first, unmuted);
  struct Case {
    const char* options;
    const std::string& expected;
  } const cases[] = {
      {"--mute 2-8", first},   {"--solo=1", first},           {"--mute 1-8", silent},
      {"--solo 1-8", unmuted}, {"--solo 2 --mute 2", silent}, {"--mute 2,3-5 --mute=6-8", first},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.options);
    EXPECT_TRUE(rendered(file + " " + c.options) == c.expected);
  }
}

// On a terminal the bar is drawn on standard error, at most ten times a second, and cleared at the
// end; -q and pipes never see it. Audio is never written to a terminal.
TEST_F(RenderCommand, TheProgressBarShowsOnlyOnATerminal) {
  const std::string module = writeModule("tune.xm", shortSong(64));
  const auto typescript = [&](const std::string& options) {
    std::ofstream(path("run.sh")) << clitest::quoted(JINGLE_BINARY) << " render " << module
                                  << " -o " << path("out.wav") << " " << options << "\n";
    const std::string command = "script -q -e -c " + clitest::quoted("sh " + path("run.sh")) + " " +
                                path("typescript") + " </dev/null >/dev/null 2>&1";
    EXPECT_EQ(std::system(command.c_str()), 0) << options;
    return clitest::readText(path("typescript"));
  };
  const auto start = std::chrono::steady_clock::now();
  const std::string shown = typescript("");
  const double seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  EXPECT_NE(shown.find("[##############################] 100%"), std::string::npos) << shown;
  EXPECT_LE(std::count(shown.begin(), shown.end(), '%'), 2 + 10 * seconds) << shown;
  EXPECT_NE(shown.find("tune.xm"), std::string::npos) << shown;
  EXPECT_EQ(typescript("-q").find('#'), std::string::npos);
  const clitest::Outcome piped = jingle("render " + module + " -o " + path("out.wav"));
  EXPECT_EQ(piped.exitCode, 0);
  EXPECT_EQ(piped.err, "");
  for (const char* output : {"-", "/dev/tty"}) {
    const clitest::TerminalRun run =
        clitest::runOnTerminal({"render", module, "-o", output}, {}, {});
    EXPECT_EQ(run.exitCode, 2) << run.screen;
    EXPECT_NE(run.screen.find(": is a terminal"), std::string::npos) << run.screen;
  }
}

}  // namespace
