// jingle play end to end: what it hands to a real-time sound device equals the offline render,
// the screen, seeks, and the command's exits (no device, signals, keys) leave everything tidy. The
// sound device is SDL's disk driver, which plays in real time into a file.
#include "tests/cli/play_run.h"

namespace {

using PlayCommand = clitest::JingleTest;
using clitest::BYTES_PER_SECOND;
using clitest::quoted;

// A song of 16 rows whose notes climb from base: 16 x 6 x 882 frames, 1.92 s.
xmtest::Module climbingSong(int base) {
  xmtest::Module module = clitest::shortSong(16);
  for (int row = 0; row < 16; row += 2)
    module.patterns[0].set(row, 1, xmtest::Cell{static_cast<std::uint8_t>(base + row), 1}, 2);
  return module;
}

TEST_F(PlayCommand, WithoutASoundDeviceItSaysSoAndSuggestsRender) {
  const std::string module = writeModule("tune.xm", climbingSong(30));
  // A driver name that does not exist makes SDL find no device on any machine.
  const clitest::Outcome run = jingle("play " + module, "SDL_AUDIODRIVER=no-such-driver");
  EXPECT_TRUE(clitest::refused(run, 3, "no sound device"));
  EXPECT_NE(run.err.find("jingle render"), std::string::npos) << run.err;
}

TEST_F(PlayCommand, TerminationSignalStopsThroughTheStopPath) {
  const std::string module = writeModule("tune.xm", climbingSong(30));
  // Without a terminal it plays until a signal; the caught SIGTERM ends it with code 0.
  EXPECT_EQ(jingle("play --endless " + module,
                   "SDL_AUDIODRIVER=dummy timeout --preserve-status -s TERM 1")
                .exitCode,
            0);
}

// Paused, the meters show nothing.
TEST_F(PlayCommand, KeysAndCtrlCOnATerminalStopPlayAndRestoreTheTerminal) {
  const std::string module = writeModule("tune.xm", climbingSong(30));
  struct Case {
    const char* what;
    std::vector<std::pair<int, std::string>> typing;  // milliseconds to wait, then keys
    bool pauses;
  } const cases[] = {
      {"space, space, q", {{600, " "}, {400, " "}, {400, "q"}}, true},
      {"Ctrl-C", {{600, "\x03"}}, false},
      {"Ctrl-\\", {{600, "\x1c"}}, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const clitest::TerminalRun run = clitest::runOnTerminal(
        {"play", "--endless", module}, {{"SDL_AUDIODRIVER", "dummy"}}, c.typing);
    EXPECT_EQ(run.exitCode, 0) << run.screen;
    EXPECT_EQ(run.screen.find("L[          ] R[          ] [paused]") != std::string::npos,
              c.pauses)
        << run.screen;
    // Raw mode was undone: lines and echo again.
    EXPECT_NE(run.settings.c_lflag & ICANON, 0u);
    EXPECT_NE(run.settings.c_lflag & ECHO, 0u);
  }
}

// Play ends by itself once the end, or the time asked for, has been heard: after less than a
// second of silence, the device was handed all of the offline render, as many times round as
// asked (two rounds outlast the ring prerendered at the start, so the mixing thread rendered the
// rest); a module that cannot be used is reported in one line and skipped.
TEST_F(PlayCommand, PlaysEachModuleToTheEndTheListenerHears) {
  const std::string a = writeModule("a.xm", climbingSong(30));
  const std::string b = writeModule("b.xm", climbingSong(50));
  const std::string bad = write("bad.xm", {'n', 'o', 't'});
  struct Case {
    std::string play, render;  // the capture holds the last module's render
    int exitCode;
  } const cases[] = {
      {a, a, 0},
      {"--loops=2 " + a, "--loops 2 " + a, 0},
      {"--seconds 0.5 --endless " + a, "--seconds 0.5 " + a, 0},
      {a + " " + bad + " " + b, b, 2},
  };
  const std::string device = "SDL_AUDIODRIVER=disk SDL_DISKAUDIOFILE=" + quoted(path("capture"));
  for (const Case& c : cases) {
    SCOPED_TRACE(c.play);
    const clitest::Outcome play = jingle("play " + c.play, device + " timeout 40");
    EXPECT_EQ(play.exitCode, c.exitCode) << play.err;
    EXPECT_EQ(play.errLines(), c.exitCode == 0 ? 0 : 1) << play.err;
    if (c.exitCode != 0) {
      EXPECT_NE(play.err.find("bad.xm"), std::string::npos) << play.err;
    }
    const std::string render = rendered(c.render);
    ASSERT_FALSE(render.empty());
    EXPECT_LT(clitest::renderOffsetInCapture(clitest::readText(path("capture")), render),
              BYTES_PER_SECOND)
        << "the device was not handed the whole render within a second";
  }
}

// The status lines are redrawn in place with the muted channels from the start (channels the
// module lacks ignored with a note, on stderr for --mute and on the screen for a key), and h shows
// and hides the keys there; on a narrow terminal every line is cut to its width.
TEST_F(PlayCommand, TheScreenShowsTheModuleAndKeysMoveThroughTheList) {
  xmtest::Module first = climbingSong(30);
  first.name = "Alpha\x1b[2J";  // a control byte in a name is shown as '?'
  const std::string a = writeModule("a.xm", first);
  const std::string b = writeModule("b.xm", climbingSong(50));
  const clitest::TerminalRun run = clitest::runOnTerminal(
      {"play", "--endless", "--mute=2,9", a, b}, {{"SDL_AUDIODRIVER", "dummy"}},
      {{700, "h"}, {300, "n"}, {700, "h7"}, {300, "p"}, {700, "n"}, {700, "n"}});
  EXPECT_EQ(run.exitCode, 0) << run.screen;  // the last 'n' ends the list
  const auto count = [&](const std::string& text) {
    std::size_t found = 0;
    for (std::size_t at = 0; (at = run.screen.find(text, at)) != std::string::npos; ++at)
      ++found;
    return found;
  };
  for (const char* name : {"[1/2] ", "/a.xm\r\n", "[2/2] ", "/b.xm\r\n"})  // a long name's end
    EXPECT_EQ(count(name), 2u) << name << run.screen;
  EXPECT_EQ(count("title: Alpha?[2J"), 2u) << run.screen;
  EXPECT_EQ(count("\x1b[2J"), 0u);
  EXPECT_NE(run.screen.find("2 channels, 1 orders, 1 patterns, 1 instruments"), std::string::npos);
  EXPECT_EQ(count("has 2 channels; --mute and --solo name channel 9 (ignored)"), 4u);
  EXPECT_NE(run.screen.find("muted: 2\x1b[K"), std::string::npos) << run.screen;
  EXPECT_NE(run.screen.find("muted: 2   (no channel 7: the module has 2)"), std::string::npos);
  // The keys were shown, then hidden again: status lines were drawn after the last of them.
  const std::size_t keys = run.screen.rfind("keys: space");
  ASSERT_NE(keys, std::string::npos) << run.screen;
  EXPECT_GT(count("keys: space"), 2u);  // in every redraw while shown
  EXPECT_EQ(run.screen.find("keys: space", run.screen.rfind("order ")), std::string::npos);
  // Both status lines, the first with what the block status adds.
  EXPECT_NE(run.screen.find("order   0/1    pattern   0  row"), std::string::npos) << run.screen;
  EXPECT_NE(run.screen.find("speed  6  bpm 125  voices"), std::string::npos) << run.screen;
  EXPECT_NE(run.screen.find(" / endless "), std::string::npos) << run.screen;
  EXPECT_NE(run.settings.c_lflag & ICANON, 0u);

  const clitest::TerminalRun narrow = clitest::runOnTerminal(
      {"play", "--endless", a}, {{"SDL_AUDIODRIVER", "dummy"}}, {{700, "h"}, {300, "q"}}, 40);
  std::string line;  // what one line of the screen shows, escape sequences left out
  for (std::size_t at = 0; at <= narrow.screen.size(); ++at) {
    const char c = at < narrow.screen.size() ? narrow.screen[at] : '\n';
    if (c == '\x1b') {
      at = narrow.screen.find_first_of("ABCDHJKm", at);
    } else if (c == '\r' || c == '\n') {
      EXPECT_LT(line.size(), 40u) << line;
      line.clear();
    } else {
      line += c;
    }
  }
}

// After a seek, by --start or by a key, the device is handed exactly the render from the 20 ms
// block that holds the target on: the song was replayed silently up to there.
TEST_F(PlayCommand, ASeekSoundsAsContinuousPlayDoesThere) {
  xmtest::Module module = climbingSong(30);
  module.patterns[0].rows = 8;
  module.orders = {0, 0, 0};  // three orders of 8 rows: 42,336 frames each
  const std::string file = writeModule("tune.xm", module);
  const std::string render = rendered(file);
  ASSERT_EQ(render.size(), 3u * 42336 * 4);
  const std::string capture = path("capture");
  struct Case {
    const char* what;
    std::vector<std::string> arguments;
    std::vector<std::pair<int, std::string>> typing;
    std::size_t target;  // the frame sought
  } const cases[] = {
      {"--start 1", {"play", "--start", "1", file}, {}, 44100},
      {"--start=0:01.5", {"play", "--start=0:01.5", file}, {}, 66150},
      {"up arrow: the next order", {"play", file}, {{400, "\x1b[A"}}, 42336},
  };
  constexpr std::size_t BLOCK_FRAMES = 44100 / 50 + 4;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const clitest::TerminalRun run = clitest::runOnTerminal(
        c.arguments, {{"SDL_AUDIODRIVER", "disk"}, {"SDL_DISKAUDIOFILE", capture}}, c.typing);
    EXPECT_EQ(run.exitCode, 0) << run.screen;  // ended by itself at the end
    // Each start of the device begins the capture anew: it holds what was played after the seek.
    const std::string captured = clitest::readText(capture);
    std::size_t from = c.target;
    while (from + BLOCK_FRAMES > c.target &&
           clitest::renderOffsetInCapture(captured, render.substr(4 * from)) == std::string::npos)
      --from;
    EXPECT_GT(from + BLOCK_FRAMES, c.target) << "the capture is not the render from the target";
  }
}

// Ctrl-Z in a shell with job control suspends play with the terminal as it was before play, and
// fg takes play up again in its own mode: checked in tmux, whose shell does job control.
TEST_F(PlayCommand, CtrlZSuspendsWithTheTerminalRestoredAndFgResumes) {
  if (std::system("tmux -V >/dev/null 2>&1") != 0) GTEST_SKIP() << "no tmux";
  const std::string module = writeModule("tune.xm", climbingSong(30));
  const std::string tmux = "tmux -S " + quoted(path("tmux.socket")) + " -f /dev/null ";
  const auto send = [&](const std::string& keys) {
    return std::system((tmux + "send-keys -t jingle " + keys).c_str()) == 0;
  };
  const auto waitFor = [&](const std::string& name) {
    for (int tries = 0; tries < 200 && !std::filesystem::exists(path(name)); ++tries)
      usleep(50000);
    usleep(100000);  // the shell has finished writing it
    return std::filesystem::exists(path(name));
  };
  ASSERT_EQ(std::system(
                (tmux + "new-session -d -s jingle -x 80 -y 24 'bash --norc --noprofile'").c_str()),
            0);
  ASSERT_TRUE(send(quoted("stty -a >" + path("before")) + " Enter"));
  ASSERT_TRUE(waitFor("before"));
  ASSERT_TRUE(send(
      quoted(std::string("SDL_AUDIODRIVER=dummy ") + JINGLE_BINARY + " play --endless " + module) +
      " Enter"));
  usleep(800000);  // play has taken the terminal
  ASSERT_TRUE(send("C-z"));
  usleep(300000);
  ASSERT_TRUE(send(quoted("stty -a >" + path("suspended") + "; fg") + " Enter"));
  ASSERT_TRUE(waitFor("suspended"));
  usleep(500000);
  ASSERT_TRUE(send("q"));
  usleep(500000);
  ASSERT_TRUE(send(quoted("echo $? >" + path("status")) + " Enter"));  // fg's: play's own
  const bool ended = waitFor("status");
  std::system((tmux + "capture-pane -p -t jingle >" + quoted(path("screen"))).c_str());
  std::system((tmux + "kill-server").c_str());
  ASSERT_TRUE(ended) << clitest::readText(path("screen"));
  EXPECT_EQ(clitest::readText(path("status")), "0\n");
  const std::string before = clitest::readText(path("before"));
  EXPECT_EQ(clitest::readText(path("suspended")), before);
  EXPECT_NE(before.find(" icanon"), std::string::npos);
  // After fg play redrew its status line.
  const std::string screen = clitest::readText(path("screen"));
  EXPECT_NE(screen.find("order"), std::string::npos) << screen;
}

// Rows past 255 are shown as they are, not as the low byte the position records keep.
TEST_F(PlayCommand, TheScreenShowsRowsPast255) {
  xmtest::Module module = clitest::shortSong(300);
  module.speed = 1;
  module.bpm = 255;  // 432 frames a row: row 265 at 2.6 s
  const clitest::TerminalRun run = clitest::runOnTerminal(
      {"play", "--start", "2.6", "--seconds", "0.5", writeModule("long.xm", module)},
      {{"SDL_AUDIODRIVER", "dummy"}}, {});
  EXPECT_EQ(run.exitCode, 0) << run.screen;
  const std::size_t row = run.screen.find("row ");
  ASSERT_NE(row, std::string::npos) << run.screen;
  const int shown = std::atoi(run.screen.c_str() + row + 4);
  EXPECT_GE(shown, 260) << run.screen;
  EXPECT_LE(shown, 299) << run.screen;
  EXPECT_NE(run.screen.find("/300 "), std::string::npos) << run.screen;
}

}  // namespace
