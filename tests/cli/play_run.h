// Running jingle play as its users do: on a pseudo-terminal with keys typed at given moments, and
// with SDL's disk driver, which plays in real time into a file, so that what the device was handed
// can be compared with the offline render.
#pragma once

#include <pty.h>
#include <sys/select.h>
#include <termios.h>

#include <chrono>
#include <csignal>

#include "tests/cli/jingle_run.h"

namespace clitest {

constexpr std::size_t DEVICE_BUFFER_BYTES = 1024 * 4;  // the SDL device buffer jingle asks for
constexpr std::size_t BYTES_PER_SECOND = 44100 * 4;

// What jingle showed on the terminal, how it ended, and the terminal's settings afterwards.
struct TerminalRun {
  std::string screen;
  int exitCode = -1;
  termios settings{};
};

// Runs jingle with arguments (after "jingle") on a new pseudo-terminal of 24 lines and the columns
// given with the environment settings given, typing each string after waiting its milliseconds;
// the command gets 5 s to end after the last key before it is killed.
inline TerminalRun runOnTerminal(
    const std::vector<std::string>& arguments,
    const std::vector<std::pair<std::string, std::string>>& environment,
    const std::vector<std::pair<int, std::string>>& typing, unsigned short columns = 80) {
  TerminalRun result;
  int terminal = -1;
  winsize size{};
  size.ws_row = 24;
  size.ws_col = columns;
  const pid_t child = forkpty(&terminal, nullptr, nullptr, &size);
  if (child < 0) return result;
  if (child == 0) {
    for (const auto& [name, value] : environment)
      setenv(name.c_str(), value.c_str(), 1);
    std::vector<char*> argv{const_cast<char*>("jingle")};
    for (const std::string& argument : arguments)
      argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);
    execv(JINGLE_BINARY, argv.data());
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

// Where in a disk driver's capture the render starts: SDL writes whole device buffers, silent ones
// while its device is paused before the ring is handed over, so the render starts at a whole
// number of buffers within the leading silence. The offset at which the capture holds all of
// render, or npos when there is none.
inline std::size_t renderOffsetInCapture(const std::string& capture, const std::string& render) {
  const std::size_t leadingZeros = capture.find_first_not_of('\0');
  if (leadingZeros == std::string::npos) return std::string::npos;
  for (std::size_t offset = 0; offset <= leadingZeros; offset += DEVICE_BUFFER_BYTES) {
    if (capture.size() - offset >= render.size() &&
        capture.compare(offset, render.size(), render) == 0) {
      return offset;
    }
  }
  return std::string::npos;
}

}  // namespace clitest
