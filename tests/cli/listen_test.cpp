// What listeners change with play and render: the interpolation, gain and stereo width of the
// output, and lists made of folders, in name order or shuffled.
#include <set>

#include "jingle/jingle.h"
#include "tests/cli/jingle_run.h"
#include "tests/cli/play_run.h"

namespace {

using clitest::quoted;

class Listening : public clitest::JingleTest {};

std::int16_t sampleAt(const std::string& pcm, std::size_t index) {
  return static_cast<std::int16_t>(static_cast<std::uint8_t>(pcm[2 * index]) |
                                   static_cast<std::uint8_t>(pcm[2 * index + 1]) << 8);
}

// A short song whose only sample is panned hard left: left and right differ in every frame.
xmtest::Module pannedSong() {
  xmtest::Module module = clitest::shortSong(8);
  module.instruments[0].samples[0].panning = 16;
  return module;
}

// Each setting against the render with none: the same bytes at the defaults (and the library's
// own 16-bit frames), mono at --stereo 0, every sample halved at --gain -6.
TEST_F(Listening, SoundOptionsChangeTheRenderOnlyAsAsked) {
  const std::string song = quoted(writeModule("song.xm", pannedSong()));
  const std::string plain = rendered(song);
  ASSERT_GT(plain.size(), 4000u);
  {
    ::jingle::Module module;
    ::jingle::Module::loadFile(path("song.xm").c_str(), module);
    ::jingle::Player player;
    ::jingle::Player::create(module, 44100, player);
    std::string library(plain.size(), '\0');
    player.render(reinterpret_cast<std::int16_t*>(library.data()), plain.size() / 4);
    EXPECT_EQ(library, plain);
  }
  enum Expect { SAME, MONO, HALF, OTHER };
  const struct {
    const char* options;
    Expect expect;
  } cases[] = {
      {"--interpolation linear --gain 0 --stereo 100", SAME},
      {"--stereo 0", MONO},
      {"--gain -6", HALF},
      {"--stereo 200", OTHER},
      {"--interpolation nearest", OTHER},
      {"--interpolation sinc", OTHER},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.options);
    const std::string changed = rendered(c.options + (" " + song));
    ASSERT_EQ(changed.size(), plain.size());
    if (c.expect == SAME) {
      EXPECT_EQ(changed, plain);
    } else if (c.expect == OTHER) {
      EXPECT_NE(changed, plain);
    }
    std::size_t wrong = 0;
    for (std::size_t i = 0; i < plain.size() / 2; ++i) {
      const int value = sampleAt(changed, i), full = sampleAt(plain, i);
      if (c.expect == MONO && i % 2 == 0 && value != sampleAt(changed, i + 1)) ++wrong;
      if (c.expect == HALF && (2 * value - full > 1 || full - 2 * value > 1)) ++wrong;
    }
    EXPECT_EQ(wrong, 0u);
  }
  EXPECT_TRUE(clitest::refused(jingle("render --stereo 201 " + song), 2, "--stereo takes"));
  EXPECT_TRUE(clitest::refused(jingle("render --gain 1e3 " + song), 2, "--gain takes"));
}

// A render that clips says how many samples and which gain to try; with that gain it does not.
TEST_F(Listening, ClippingIsCountedAndTheSuggestedGainAvoidsIt) {
  const std::string loud = quoted(writeModule("loud.xm", clitest::loudSong()));
  const clitest::Outcome clipped = jingle("render -q -o " + quoted(path("a.wav")) + " " + loud);
  EXPECT_EQ(clipped.exitCode, 0);
  const std::size_t at = clipped.err.find(" samples clipped; try --gain ");
  ASSERT_NE(at, std::string::npos) << clipped.err;
  const std::string gain = clipped.err.substr(at + 29, clipped.err.find('\n', at) - at - 29);
  const clitest::Outcome quiet =
      jingle("render -q --gain " + gain + " -o " + quoted(path("b.wav")) + " " + loud);
  EXPECT_EQ(quiet.exitCode, 0);
  EXPECT_EQ(quiet.err, "") << gain;
}

// A folder stands for its modules and those of its folders, in name order, whatever their
// extensions; any other file is skipped with one line. render mirrors the folders under -o.
TEST_F(Listening, FoldersRenderAndPlayEveryModuleSkippingOtherFiles) {
  std::filesystem::create_directories(path("mods/sub"));
  writeModule("mods/b.xm", clitest::shortSong(2));
  writeModule("mods/sub/c.dat", clitest::shortSong(3));
  writeModule("mods/a.mod", clitest::shortSong(4));
  write("mods/notes.txt", std::vector<std::uint8_t>(200, 'x'));
  const clitest::Outcome render =
      jingle("render -q " + quoted(path("mods")) + " -o " + quoted(path("out/")));
  EXPECT_EQ(render.exitCode, 0);
  EXPECT_EQ(render.errLines(), 1) << render.err;
  EXPECT_NE(render.err.find("notes.txt: skipped: "), std::string::npos) << render.err;
  for (const char* output : {"out/a.wav", "out/b.wav", "out/sub/c.wav"})
    EXPECT_TRUE(std::filesystem::exists(path(output))) << output;
  EXPECT_EQ(jingle("render -q " + quoted(path("mods/sub"))).exitCode, 0);
  EXPECT_TRUE(std::filesystem::exists(path("mods/sub/c.wav")));
  std::filesystem::remove(path("mods/sub/c.wav"));

  // The list as the screen shows it: "[k/3] NAME" as each module starts.
  const auto order = [&](const std::string& options) {
    const clitest::TerminalRun run = clitest::runOnTerminal(
        {"play", "--seconds=0.2", options, path("mods")}, {{"SDL_AUDIODRIVER", "dummy"}}, {});
    EXPECT_EQ(run.exitCode, 0) << run.screen;
    EXPECT_NE(run.screen.find("notes.txt: skipped: "), std::string::npos);
    std::vector<std::string> names;
    for (std::size_t at = 0; (at = run.screen.find("/3] ", at)) != std::string::npos; ++at) {
      const std::string line = run.screen.substr(at, run.screen.find('\r', at) - at);
      names.push_back(line.substr(line.rfind('/') + 1));
    }
    return names;
  };
  const std::vector<std::string> named = order("--stereo=100");
  EXPECT_EQ(named, (std::vector<std::string>{"a.mod", "b.xm", "c.dat"}));
  const std::vector<std::string> shuffled = order("--shuffle");
  EXPECT_NE(shuffled, named);
  EXPECT_EQ(std::set<std::string>(shuffled.begin(), shuffled.end()),
            std::set<std::string>(named.begin(), named.end()));
}

}  // namespace
