// jingle play end to end: what it hands to a real-time sound device equals the offline render,
// and the command's exits (no device, signals, keys) leave everything tidy. The sound device is
// SDL's disk driver, which plays in real time into a file.
#include <pty.h>
#include <termios.h>

#include <chrono>

#include "tests/cli/jingle_run.h"

namespace {

using PlayCommand = clitest::JingleTest;
using clitest::quoted;

constexpr std::size_t DEVICE_BUFFER_BYTES = 1024 * 4;  // the SDL device buffer jingle asks for
constexpr std::size_t BYTES_PER_SECOND = 44100 * 4;

// A corpus module that sounds from its first row, so the capture's start is unmistakable.
std::string captureModule() {
  const std::vector<std::string> modules = xmtest::corpusModules();
  for (const std::string& path : modules) {
    if (path.find("vor__mph.xm") != std::string::npos) return path;
  }
  return modules.empty() ? std::string() : modules.front();
}

TEST_F(PlayCommand, CapturedPlaybackEqualsTheOfflineRender) {
  const std::string module = captureModule();
  if (module.empty()) GTEST_SKIP() << "no module corpus beside the checkout";
  // 3.5 s of play: the pre-rendered ring and more than a second rendered by the mixing thread.
  const clitest::Outcome play =
      jingle("play --seconds 3.5 " + quoted(module),
             "SDL_AUDIODRIVER=disk SDL_DISKAUDIOFILE=" + quoted(path("capture.raw")));
  ASSERT_EQ(play.exitCode, 0) << play.err;
  const clitest::Outcome render = jingle("render " + quoted(module) + " --raw --seconds 8 -o -");
  ASSERT_EQ(render.exitCode, 0) << render.err;
  std::string capture = clitest::readText(path("capture.raw"));

  // SDL writes whole device buffers, and silent ones while its device is paused: from opening
  // until the ring is handed over, and between the reset and the close at stop. Trailing silent
  // buffers are dropped (the render may be silent there too, which only shortens the check).
  const std::string silentBuffer(DEVICE_BUFFER_BYTES, '\0');
  while (capture.size() >= DEVICE_BUFFER_BYTES &&
         capture.compare(capture.size() - DEVICE_BUFFER_BYTES, DEVICE_BUFFER_BYTES, silentBuffer) ==
             0) {
    capture.resize(capture.size() - DEVICE_BUFFER_BYTES);
  }
  ASSERT_EQ(capture.size() % DEVICE_BUFFER_BYTES, 0u);
  ASSERT_GE(capture.size(), 3 * BYTES_PER_SECOND) << "less than 3 s of sound was handed over";
  ASSERT_GE(render.out.size(), capture.size());

  // The leading silence is a whole number of device buffers; after it the device got the ring
  // from frame 0. Exactly one such offset makes the rest equal the render, because the render
  // itself turns non-zero at one place.
  const std::size_t leadingZeros = capture.find_first_not_of('\0');
  ASSERT_NE(leadingZeros, std::string::npos) << "the capture is silent";
  std::vector<std::size_t> matches;
  for (std::size_t offset = 0; offset <= leadingZeros; offset += DEVICE_BUFFER_BYTES) {
    if (render.out.compare(0, capture.size() - offset, capture, offset) == 0)
      matches.push_back(offset);
  }
  ASSERT_EQ(matches.size(), 1u) << "no silent lead-in after which playback equals the render";
  EXPECT_LT(matches[0], BYTES_PER_SECOND) << "more than a second of silence before the ring";
}

TEST_F(PlayCommand, WithoutASoundDeviceItSaysSoAndSuggestsRender) {
  const std::string module = captureModule();
  if (module.empty()) GTEST_SKIP() << "no module corpus beside the checkout";
  // A driver name that does not exist makes SDL find no device on any machine.
  const clitest::Outcome run = jingle("play " + quoted(module), "SDL_AUDIODRIVER=no-such-driver");
  EXPECT_EQ(run.exitCode, 3);
  EXPECT_EQ(run.errLines(), 1) << run.err;
  EXPECT_NE(run.err.find("no sound device"), std::string::npos) << run.err;
  EXPECT_NE(run.err.find("jingle render"), std::string::npos) << run.err;
}

TEST_F(PlayCommand, TerminationSignalStopsThroughTheStopPath) {
  const std::string module = captureModule();
  if (module.empty()) GTEST_SKIP() << "no module corpus beside the checkout";
  // Without a terminal it plays until a signal; the caught SIGTERM ends it with code 0.
  EXPECT_EQ(
      jingle("play " + quoted(module), "SDL_AUDIODRIVER=dummy timeout --preserve-status -s TERM 1")
          .exitCode,
      0);
}

// Runs jingle play on a pseudo-terminal, types keys, and returns what it showed and how it ended;
// settings receives the terminal's settings after the command has exited.
struct TerminalRun {
  std::string screen;
  int exitCode = -1;
  termios settings{};
};

TerminalRun runOnTerminal(const std::string& module,
                          const std::vector<std::pair<int, std::string>>& typing) {
  TerminalRun result;
  int terminal = -1;
  const pid_t child = forkpty(&terminal, nullptr, nullptr, nullptr);
  if (child < 0) return result;
  if (child == 0) {
    setenv("SDL_AUDIODRIVER", "dummy", 1);
    execl(JINGLE_BINARY, "jingle", "play", module.c_str(), static_cast<char*>(nullptr));
    _exit(127);
  }
  auto readAvailable = [&](int milliseconds) {
    const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(milliseconds);
    while (std::chrono::steady_clock::now() < until) {
      char buffer[4096];
      fd_set readable;
      FD_ZERO(&readable);
      FD_SET(terminal, &readable);
      timeval wait{0, 20000};
      if (select(terminal + 1, &readable, nullptr, nullptr, &wait) > 0) {
        const ssize_t count = read(terminal, buffer, sizeof buffer);
        if (count <= 0) return;
        result.screen.append(buffer, static_cast<std::size_t>(count));
      }
    }
  };
  for (const auto& [waitMs, keys] : typing) {
    readAvailable(waitMs);
    if (write(terminal, keys.data(), keys.size()) != static_cast<ssize_t>(keys.size())) break;
  }
  int status = 0;
  for (int tries = 0; tries < 500 && waitpid(child, &status, WNOHANG) == 0; ++tries)
    readAvailable(10);
  if (waitpid(child, &status, WNOHANG) == 0) {
    kill(child, SIGKILL);
    waitpid(child, &status, 0);
  }
  readAvailable(50);
  tcgetattr(terminal, &result.settings);
  close(terminal);
  result.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return result;
}

TEST_F(PlayCommand, KeysAndCtrlCOnATerminalStopPlayAndRestoreTheTerminal) {
  const std::string module = captureModule();
  if (module.empty()) GTEST_SKIP() << "no module corpus beside the checkout";
  struct Case {
    const char* what;
    std::vector<std::pair<int, std::string>> typing;  // milliseconds to wait, then keys
    bool pauses;
  } const cases[] = {
      {"space, space, q", {{600, " "}, {400, " "}, {400, "q"}}, true},
      {"Ctrl-C", {{600, "\x03"}}, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const TerminalRun run = runOnTerminal(module, c.typing);
    EXPECT_EQ(run.exitCode, 0) << run.screen;
    EXPECT_NE(run.screen.find("order"), std::string::npos) << run.screen;
    EXPECT_NE(run.screen.find("row"), std::string::npos) << run.screen;
    EXPECT_EQ(run.screen.find("[paused]") != std::string::npos, c.pauses) << run.screen;
    // Raw mode was undone: lines and echo again.
    EXPECT_NE(run.settings.c_lflag & ICANON, 0u);
    EXPECT_NE(run.settings.c_lflag & ECHO, 0u);
  }
}

}  // namespace
