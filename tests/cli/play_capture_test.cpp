// jingle play end to end: what it hands to a real-time sound device equals the offline render,
// and the command's exits (no device, bad input, signals, keys) leave everything tidy. The sound
// device is SDL's disk driver, which plays in real time into a file.
#include <gtest/gtest.h>
#include <pty.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <initializer_list>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "tests/support/xm_writer.h"

namespace {

constexpr std::size_t DEVICE_BUFFER_BYTES = 1024 * 4;  // the SDL device buffer jingle asks for

// Joins the pieces of a shell command one append at a time (GCC 12 warns wrongly about chains
// of string additions).
std::string command(std::initializer_list<std::string_view> pieces) {
  std::string text;
  for (std::string_view piece : pieces)
    text.append(piece);
  return text;
}

// The path quoted for the shell.
std::string quoted(const std::string& path) {
  return command({"'", path, "'"});
}

const std::string jingle = quoted(JINGLE_BINARY);

std::string tempPath(const std::string& name) {
  return (std::filesystem::path(::testing::TempDir()) /
          command({std::to_string(getpid()), "-", name}))
      .string();
}

// Exit code of a shell command, or -1 when it did not exit normally.
int run(const std::string& line) {
  const int status = std::system(line.c_str());
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

std::string readText(const std::string& path) {
  const std::vector<std::uint8_t> bytes = xmtest::readFile(path);
  return std::string(bytes.begin(), bytes.end());
}

// A corpus module that sounds from its first row, so the capture's start is unmistakable.
std::string captureModule() {
  const std::vector<std::string> modules = xmtest::corpusModules();
  for (const std::string& path : modules) {
    if (path.find("vor__mph.xm") != std::string::npos) return path;
  }
  return modules.empty() ? std::string() : modules.front();
}

TEST(PlayCommand, CapturedPlaybackEqualsTheOfflineRender) {
  const std::string module = captureModule();
  if (module.empty()) GTEST_SKIP() << "no module corpus beside the checkout";
  const std::string capturePath = tempPath("capture.raw");
  const std::string renderPath = tempPath("render.raw");

  // 3.5 s of play: the pre-rendered ring and more than a second rendered by the mixing thread.
  ASSERT_EQ(
      run(command({"SDL_AUDIODRIVER=disk SDL_DISKAUDIOFILE=", quoted(capturePath), " ", jingle,
                   " play --seconds 3.5 ", quoted(module), " </dev/null >/dev/null"})),
      0);
  const std::string renderErrors = tempPath("render-errors.txt");
  const int rendered = run(command({jingle, " render ", quoted(module), " --raw --seconds 8 -o ",
                                    quoted(renderPath), " 2>", quoted(renderErrors)}));
  const std::string renderText = readText(renderErrors);
  std::filesystem::remove(renderErrors);
  if (rendered != 0 && renderText.find("not available in this build") != std::string::npos) {
    std::filesystem::remove(capturePath);
    GTEST_SKIP() << "this build has no offline render to compare with";
  }
  ASSERT_EQ(rendered, 0) << renderText;
  std::vector<std::uint8_t> capture = xmtest::readFile(capturePath);
  const std::vector<std::uint8_t> render = xmtest::readFile(renderPath);
  std::filesystem::remove(capturePath);
  std::filesystem::remove(renderPath);

  // SDL writes whole device buffers, and silent ones while its device is paused: from opening
  // until the ring is handed over, and between the reset and the close at stop. Trailing silent
  // buffers are dropped (the render may be silent there too, which only shortens the check).
  while (capture.size() >= DEVICE_BUFFER_BYTES &&
         std::all_of(capture.end() - DEVICE_BUFFER_BYTES, capture.end(),
                     [](std::uint8_t b) { return b == 0; })) {
    capture.resize(capture.size() - DEVICE_BUFFER_BYTES);
  }
  ASSERT_EQ(capture.size() % DEVICE_BUFFER_BYTES, 0u);
  ASSERT_GE(capture.size(), 3u * 176400) << "less than 3 s of sound was handed over";
  ASSERT_GE(render.size(), capture.size());

  // The leading silence is a whole number of device buffers; after it the device got the ring
  // from frame 0. Exactly one such offset makes the rest equal the render, because the render
  // itself turns non-zero at one place.
  const std::size_t leadingZeros = static_cast<std::size_t>(
      std::find_if(capture.begin(), capture.end(), [](std::uint8_t b) { return b != 0; }) -
      capture.begin());
  ASSERT_LT(leadingZeros, capture.size()) << "the capture is silent";
  std::vector<std::size_t> matches;
  for (std::size_t offset = 0; offset <= leadingZeros; offset += DEVICE_BUFFER_BYTES) {
    if (std::equal(capture.begin() + static_cast<std::ptrdiff_t>(offset), capture.end(),
                   render.begin())) {
      matches.push_back(offset);
    }
  }
  ASSERT_EQ(matches.size(), 1u) << "no silent lead-in after which playback equals the render";
  EXPECT_LT(matches[0], 176400u) << "more than a second of silence before the ring";
  std::printf("captured %zu bytes after %zu bytes of silence before playback\n",
              capture.size() - matches[0], matches[0]);
}

TEST(PlayCommand, WithoutASoundDeviceItSaysSoAndSuggestsRender) {
  const std::vector<std::string> modules = xmtest::corpusModules();
  if (modules.empty()) GTEST_SKIP() << "no module corpus beside the checkout";
  const std::string errors = tempPath("nodevice.txt");
  // A driver name that does not exist makes SDL find no device on any machine.
  EXPECT_EQ(run(command({"SDL_AUDIODRIVER=no-such-driver ", jingle, " play ", quoted(modules[0]),
                         " </dev/null 2>", quoted(errors)})),
            3);
  const std::string text = readText(errors);
  std::filesystem::remove(errors);
  EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 1) << text;
  EXPECT_NE(text.find("no sound device"), std::string::npos) << text;
  EXPECT_NE(text.find("jingle render"), std::string::npos) << text;
}

TEST(PlayCommand, BadInputAndUsage) {
  EXPECT_EQ(run(command({jingle, " play /no/such/module.xm 2>/dev/null"})), 2);
  EXPECT_EQ(run(command({jingle, " /no/such/module.xm 2>/dev/null"})), 2);
  const std::string notModule = tempPath("not-a-module.xm");
  ASSERT_EQ(run(command({"echo 'not a module' >", quoted(notModule)})), 0);
  EXPECT_EQ(run(command({jingle, " play ", quoted(notModule), " 2>/dev/null"})), 2);
  std::filesystem::remove(notModule);
  EXPECT_EQ(run(command({jingle, " play 2>/dev/null"})), 2);
  EXPECT_EQ(run(command({jingle, " play a.xm b.xm 2>/dev/null"})), 2);
  EXPECT_EQ(run(command({jingle, " play --seconds 0 a.xm 2>/dev/null"})), 2);
  EXPECT_EQ(run(command({jingle, " play --volume 3 a.xm 2>/dev/null"})), 2);
}

TEST(PlayCommand, TerminationSignalStopsThroughTheStopPath) {
  const std::vector<std::string> modules = xmtest::corpusModules();
  if (modules.empty()) GTEST_SKIP() << "no module corpus beside the checkout";
  // Without a terminal it plays until a signal; the caught SIGTERM ends it with code 0.
  EXPECT_EQ(run(command({"SDL_AUDIODRIVER=dummy timeout --preserve-status -s TERM 1 ", jingle,
                         " play ", quoted(modules[0]), " </dev/null >/dev/null"})),
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

TEST(PlayCommand, KeysPauseResumeAndQuitOnATerminal) {
  const std::vector<std::string> modules = xmtest::corpusModules();
  if (modules.empty()) GTEST_SKIP() << "no module corpus beside the checkout";
  const TerminalRun run = runOnTerminal(modules[0], {{600, " "}, {400, " "}, {400, "q"}});
  EXPECT_EQ(run.exitCode, 0) << run.screen;
  EXPECT_NE(run.screen.find("order"), std::string::npos) << run.screen;
  EXPECT_NE(run.screen.find("row"), std::string::npos) << run.screen;
  EXPECT_NE(run.screen.find("[paused]"), std::string::npos) << run.screen;
  // Raw mode was undone: lines and echo again.
  EXPECT_NE(run.settings.c_lflag & ICANON, 0u);
  EXPECT_NE(run.settings.c_lflag & ECHO, 0u);
}

TEST(PlayCommand, CtrlCOnATerminalStopsAndRestoresIt) {
  const std::vector<std::string> modules = xmtest::corpusModules();
  if (modules.empty()) GTEST_SKIP() << "no module corpus beside the checkout";
  const TerminalRun run = runOnTerminal(modules[0], {{600, "\x03"}});
  EXPECT_EQ(run.exitCode, 0) << run.screen;
  EXPECT_NE(run.settings.c_lflag & ICANON, 0u);
  EXPECT_NE(run.settings.c_lflag & ECHO, 0u);
}

}  // namespace
