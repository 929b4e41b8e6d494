// Where a render's output goes without putting anything at risk: a file is written under a new
// name beside it and renamed into place only when the render is complete, so a render that fails
// or is stopped leaves whatever was there as it was. jingle removes only that new file; the file
// it replaces keeps its owner, group and mode where the process may set them. Devices, pipes and
// standard output, which cannot be replaced, are written in place (also when named through
// /dev/stdout or /dev/fd/N); a terminal is no place for audio.
#pragma once

#include <filesystem>
#include <string>

#include "cli/pcm_output.h"

namespace cli {

enum class OutputOpening {
  OPENED,
  IS_INPUT,     // the output is the module being rendered (the same file, through links too)
  IS_TERMINAL,  // the output is a terminal
  FAILED,       // the output cannot be written; output.error says why
};

// Opens path ("-" is standard output) for a render of the module at inputPath, before anything is
// rendered. Symbolic links are followed: the file they lead to is the one replaced.
OutputOpening openPcmOutput(const std::string& path, const std::string& inputPath,
                            PcmOutput& output);

// Flushes and closes, and puts a finished file in place. False when anything written did not
// reach the output or the output was marked failed; the new file is then removed, and the output
// path left as it was.
bool finishPcmOutput(PcmOutput& output);

// Closes and removes the new file: nothing of the render stays (a render stopped by a signal).
void abandonPcmOutput(PcmOutput& output);

// The path with its symbolic links followed as far as they lead; a link to nothing gives the path
// it names, where an output is then made.
std::filesystem::path followLinks(std::filesystem::path path);

// Whether the path names a file through the descriptor the process has it open by
// (/dev/stdin, /dev/fd/N, /proc/self/fd/N, its links followed): a name that is no file's own.
bool namesOpenFile(const std::string& path);

}  // namespace cli
