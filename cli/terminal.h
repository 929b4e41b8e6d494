// The terminal as an interactive command uses it: single key presses without echo, given back as
// it was found at the end (and while suspended), and the terminal's size.
#pragma once

namespace cli {

bool stdinIsTerminal();
bool stdoutIsTerminal();

// Reads keys one at a time without echo until endKeyInput, which is also run at exit. Does
// nothing when standard input is not a terminal.
void beginKeyInput();
// Restores the terminal's settings; safe to call more than once.
void endKeyInput();
// The same from a signal handler: only restores the settings (async-signal-safe).
void restoreTerminalNow();

// Keys that arrive as escape sequences, as waitForKey returns them.
constexpr int KEY_UP = 0x101;
constexpr int KEY_DOWN = 0x102;
constexpr int KEY_RIGHT = 0x103;
constexpr int KEY_LEFT = 0x104;

// The next key pressed within timeoutMs, or -1: a byte, or one of the KEY_ codes for the arrow
// keys (a lone Esc is 27). Without key input it only waits; a stop signal ends the wait early.
int waitForKey(int timeoutMs);

// The columns of the terminal that standard output (or standard error) is; 80 when that is no
// terminal or does not say.
int terminalColumns(bool standardError = false);
// From now on a change of the terminal's size ends a wait for a key at once, so that the screen
// is drawn again for the new size.
void watchTerminalSize();

}  // namespace cli
