// The terminal as an interactive command uses it: single key presses without echo, and the
// signals that ask the command to stop (Ctrl-C, termination), caught so that the command can end
// through its own stop path and leave the terminal as it found it.
#pragma once

namespace cli {

bool stdinIsTerminal();
bool stdoutIsTerminal();

// Reads keys one at a time without echo until endKeyInput, which is also run at exit. Does
// nothing when standard input is not a terminal.
void beginKeyInput();
// Restores the terminal's settings; safe to call more than once.
void endKeyInput();

// Keys that arrive as escape sequences, as waitForKey returns them.
constexpr int KEY_UP = 0x101;
constexpr int KEY_DOWN = 0x102;
constexpr int KEY_RIGHT = 0x103;
constexpr int KEY_LEFT = 0x104;

// The next key pressed within timeoutMs, or -1: a byte, or one of the KEY_ codes for the arrow
// keys (a lone Esc is 27). Without key input it only waits; a stop signal ends the wait early.
int waitForKey(int timeoutMs);

// From now on Ctrl-C and termination requests set a flag instead of ending the process.
void catchStopSignals();
bool stopSignalled();

// A write to a closed pipe, or past the file-size limit, fails with an error that the command
// reports instead of ending the process.
void ignoreWriteSignals();

}  // namespace cli
