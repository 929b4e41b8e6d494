#include "cli/stop_signals.h"

#include <atomic>
#include <csignal>
#include <cstring>

#include "cli/terminal.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <unistd.h>
#endif

namespace cli {
namespace {

// Set by the handlers, read by the render's threads too: a lock-free atomic serves both.
std::atomic<int> stopRequested{0};
static_assert(std::atomic<int>::is_always_lock_free);

// The name a crash removes, and whether it is set; written only outside the handlers.
char crashFile[4096];
volatile std::sig_atomic_t crashFileSet = 0;

}  // namespace

bool stopSignalled() {
  return stopRequested != 0;
}

void requestStop() {
  stopRequested = 1;
}

void removeOnCrash(const char* path) {
  crashFileSet = 0;
  if (path == nullptr || std::strlen(path) >= sizeof crashFile) return;
  std::memcpy(crashFile, path, std::strlen(path) + 1);
  crashFileSet = 1;
}

#ifdef _WIN32

namespace {

BOOL WINAPI onConsoleEvent(DWORD) {
  stopRequested = 1;  // Ctrl-C, Ctrl-Break, the console closed, logoff, shutdown
  return TRUE;
}

}  // namespace

void catchStopSignals() {
  SetConsoleCtrlHandler(onConsoleEvent, TRUE);
}

void ignoreWriteSignals() {}

#else

namespace {

// The signals that can report a fault of the program; the others are only ever sent to it.
constexpr int FAULTS[] = {SIGILL, SIGTRAP, SIGABRT, SIGBUS, SIGFPE, SIGSEGV, SIGSYS};
constexpr int OTHERS[] = {
    SIGHUP,    SIGINT, SIGQUIT, SIGUSR1, SIGUSR2, SIGALRM, SIGTERM, SIGXCPU, SIGVTALRM, SIGPROF,
#ifdef SIGSTKFLT
    SIGSTKFLT,
#endif
#ifdef SIGIO
    SIGIO,
#endif
#ifdef SIGPWR
    SIGPWR,
#endif
};

struct sigaction faultActions[sizeof FAULTS / sizeof FAULTS[0]];

void onStopSignal(int) {
  stopRequested = 1;
}

// A signal ignored when the command started stays ignored: nohup's hang-up, say.
void catchUnlessIgnored(int signal, const struct sigaction& action) {
  struct sigaction old {};
  if (sigaction(signal, nullptr, &old) == 0 && old.sa_handler == SIG_IGN) return;
  sigaction(signal, &action, nullptr);
}

// A fault signal sent by another process (kill) asks to stop like any other; one the program
// raised itself (a crash, abort) removes the new file, restores the terminal and goes on to what
// was there before, which ends the process.
void onFaultSignal(int signal, siginfo_t* info, void*) {
  if (info != nullptr && (info->si_code == SI_USER || info->si_code == SI_QUEUE)) {
    stopRequested = 1;
    return;
  }
  if (crashFileSet != 0) unlink(crashFile);
  restoreTerminalNow();
  for (std::size_t i = 0; i < sizeof FAULTS / sizeof FAULTS[0]; ++i)
    if (FAULTS[i] == signal) sigaction(signal, &faultActions[i], nullptr);
  // Returning runs the faulting instruction again, or lets abort go on, under the old action.
}

}  // namespace

void catchStopSignals() {
  static bool caught = false;  // the actions saved for faults must be the ones from before
  if (caught) return;
  caught = true;
  struct sigaction action {};
  action.sa_handler = onStopSignal;
  sigemptyset(&action.sa_mask);
  action.sa_flags = 0;  // no restart: a waiting poll, sleep or open returns at once
  for (const int signal : OTHERS)
    catchUnlessIgnored(signal, action);
  for (int signal = SIGRTMIN; signal <= SIGRTMAX; ++signal)
    catchUnlessIgnored(signal, action);
  struct sigaction fault {};
  fault.sa_sigaction = onFaultSignal;
  sigemptyset(&fault.sa_mask);
  fault.sa_flags = SA_SIGINFO;
  for (std::size_t i = 0; i < sizeof FAULTS / sizeof FAULTS[0]; ++i)
    sigaction(FAULTS[i], &fault, &faultActions[i]);
}

void ignoreWriteSignals() {
  std::signal(SIGPIPE, SIG_IGN);
  std::signal(SIGXFSZ, SIG_IGN);
}

#endif

}  // namespace cli
