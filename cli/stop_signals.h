// The signals that end a command. Every signal whose default action ends the process (Ctrl-C,
// Ctrl-\, termination, hang-up, the alarms, the user and real-time signals and the rest) sets a
// flag instead, so that the command stops through its own path: a render removes the file it was
// writing and keeps the old output, play gives the terminal back as it found it. A fault of the
// program itself (a crash) cannot go on: it still removes the new file and restores the terminal
// before it takes its course. A signal ignored when the command starts (nohup's hang-up, say)
// stays ignored.
#pragma once

namespace cli {

// From now on the signals above set the flag instead of ending the process.
void catchStopSignals();
bool stopSignalled();
// Sets the flag as a signal does (the terminal is gone, say).
void requestStop();

// A write to a closed pipe, or past the file-size limit, fails with an error that the command
// reports instead of ending the process.
void ignoreWriteSignals();

// The file a crash removes (the render's new file while it is written); null for none. The name
// is copied.
void removeOnCrash(const char* path);

}  // namespace cli
