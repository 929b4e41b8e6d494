// The subcommands of jingle. Each takes the arguments after its name and returns the exit code.
#pragma once

#include <string>
#include <vector>

namespace cli {

// Exit codes shared by every command.
constexpr int EXIT_OK = 0;
constexpr int EXIT_OUTPUT_FAILED = 1;  // an output could not be written
constexpr int EXIT_BAD_INPUT = 2;      // unusable module or bad usage
constexpr int EXIT_NO_DEVICE = 3;      // no sound device to play on

// The rate play plays at, render renders at unless told otherwise, and info counts in.
constexpr int DEFAULT_RATE = 44100;

int runInfo(const std::vector<std::string>& args);
int runRender(const std::vector<std::string>& args);
int runPlay(const std::vector<std::string>& args);

}  // namespace cli
