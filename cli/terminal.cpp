#include "cli/terminal.h"

#include <csignal>
#include <cstdio>
#include <cstdlib>

#include "cli/stop_signals.h"

#ifdef _WIN32
#include <windows.h>

#include <conio.h>
#include <io.h>
#else
#include <poll.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <ctime>
#endif

namespace cli {

namespace {

constexpr int DEFAULT_COLUMNS = 80;
volatile std::sig_atomic_t keyInput = 0;

}  // namespace

#ifdef _WIN32

bool stdinIsTerminal() {
  return _isatty(_fileno(stdin)) != 0;
}
bool stdoutIsTerminal() {
  return _isatty(_fileno(stdout)) != 0;
}

void beginKeyInput() {
  keyInput = stdinIsTerminal();
}
void endKeyInput() {
  keyInput = false;
}
void restoreTerminalNow() {}

int terminalColumns(bool standardError) {
  CONSOLE_SCREEN_BUFFER_INFO info;
  const HANDLE console = GetStdHandle(standardError ? STD_ERROR_HANDLE : STD_OUTPUT_HANDLE);
  if (GetConsoleScreenBufferInfo(console, &info) == 0) return DEFAULT_COLUMNS;
  return info.srWindow.Right - info.srWindow.Left + 1;
}
void watchTerminalSize() {}

int waitForKey(int timeoutMs) {
  for (int waited = 0; !stopSignalled(); waited += 10) {
    if (keyInput && _kbhit() != 0) {
      const int key = _getch();
      if (key != 0 && key != 224) return key;
      switch (_getch()) {  // a key sent as two codes
        case 72:
          return KEY_UP;
        case 80:
          return KEY_DOWN;
        case 77:
          return KEY_RIGHT;
        case 75:
          return KEY_LEFT;
        default:
          return -1;
      }
    }
    if (waited >= timeoutMs) break;
    Sleep(10);
  }
  return -1;
}

#else

namespace {

termios savedSettings;
termios rawSettings;

void onResize(int) {}  // only ends the wait

// Ctrl-Z: the terminal gets its own settings back while the command is suspended, and key input
// its settings again when the command is continued (fg).
void onSuspend(int) {
  const int savedErrno = errno;
  if (keyInput) tcsetattr(STDIN_FILENO, TCSANOW, &savedSettings);
  struct sigaction suspend {};
  suspend.sa_handler = SIG_DFL;
  sigemptyset(&suspend.sa_mask);
  struct sigaction ours {};
  sigaction(SIGTSTP, &suspend, &ours);
  raise(SIGTSTP);  // stops here until continued
  sigaction(SIGTSTP, &ours, nullptr);
  if (keyInput) tcsetattr(STDIN_FILENO, TCSANOW, &rawSettings);
  errno = savedErrno;
}

void sleepUnlessSignalled(int milliseconds) {
  timespec wait{milliseconds / 1000, static_cast<long>(milliseconds % 1000) * 1000000L};
  nanosleep(&wait, nullptr);  // a caught signal ends it early
}

constexpr unsigned char ESCAPE = 27;

// The byte that follows within a few milliseconds, or -1.
int followingByte() {
  pollfd input{STDIN_FILENO, POLLIN, 0};
  unsigned char byte = 0;
  if (poll(&input, 1, 30) <= 0 || read(STDIN_FILENO, &byte, 1) != 1) return -1;
  return byte;
}

// After an Esc: an arrow key's code for "[A" to "[D" (or "OA" to "OD"), else Esc itself.
int escapeSequence() {
  const int introducer = followingByte();
  if (introducer != '[' && introducer != 'O') return ESCAPE;
  switch (followingByte()) {
    case 'A':
      return KEY_UP;
    case 'B':
      return KEY_DOWN;
    case 'C':
      return KEY_RIGHT;
    case 'D':
      return KEY_LEFT;
    default:
      return -1;  // another key's sequence: ignored
  }
}

}  // namespace

bool stdinIsTerminal() {
  return isatty(STDIN_FILENO) != 0;
}
bool stdoutIsTerminal() {
  return isatty(STDOUT_FILENO) != 0;
}

void beginKeyInput() {
  if (keyInput || !stdinIsTerminal() || tcgetattr(STDIN_FILENO, &savedSettings) != 0) return;
  termios raw = savedSettings;
  // Keys arrive one by one and unechoed; Ctrl-C still raises SIGINT, which is caught.
  raw.c_lflag &= static_cast<tcflag_t>(~(ICANON | ECHO));
  raw.c_cc[VMIN] = 0;
  raw.c_cc[VTIME] = 0;
  if (tcsetattr(STDIN_FILENO, TCSANOW, &raw) != 0) return;
  rawSettings = raw;
  keyInput = true;
  struct sigaction suspend {};
  suspend.sa_handler = onSuspend;
  sigemptyset(&suspend.sa_mask);
  suspend.sa_flags = SA_NODEFER;  // the handler stops the process with this same signal
  sigaction(SIGTSTP, &suspend, nullptr);
  static bool registered = false;
  if (!registered) registered = std::atexit(endKeyInput) == 0;
}

void endKeyInput() {
  if (!keyInput) return;
  tcsetattr(STDIN_FILENO, TCSANOW, &savedSettings);
  keyInput = false;
}

void restoreTerminalNow() {
  if (keyInput) tcsetattr(STDIN_FILENO, TCSANOW, &savedSettings);
}

int terminalColumns(bool standardError) {
  winsize size{};
  if (ioctl(standardError ? STDERR_FILENO : STDOUT_FILENO, TIOCGWINSZ, &size) != 0 ||
      size.ws_col == 0) {
    return DEFAULT_COLUMNS;
  }
  return size.ws_col;
}

void watchTerminalSize() {
  struct sigaction resize {};
  resize.sa_handler = onResize;
  sigemptyset(&resize.sa_mask);
  resize.sa_flags = 0;  // no restart: the wait for a key returns
  sigaction(SIGWINCH, &resize, nullptr);
}

int waitForKey(int timeoutMs) {
  if (stopSignalled()) return -1;
  if (!keyInput) {
    sleepUnlessSignalled(timeoutMs);
    return -1;
  }
  pollfd input{STDIN_FILENO, POLLIN, 0};
  if (poll(&input, 1, timeoutMs) <= 0) return -1;  // timeout, or interrupted by a signal
  unsigned char key = 0;
  const ssize_t count = read(STDIN_FILENO, &key, 1);
  if (count == 1) return key == ESCAPE ? escapeSequence() : key;
  // The terminal is gone: nothing more will be typed, and nobody is left to stop the command.
  if ((input.revents & (POLLHUP | POLLERR)) != 0 ||
      (count < 0 && errno != EINTR && errno != EAGAIN)) {
    requestStop();
  }
  return -1;
}

#endif

}  // namespace cli
