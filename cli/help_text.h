// What jingle says about itself: the overview of its commands and each command's help, with the
// exit codes every command shares.
#pragma once

#include <string>

namespace cli {

// The overview: every command in a line, the shortcut "jingle FILE...", the exit codes.
std::string overviewHelp();

// The help of play, render, info or help; empty for anything else.
std::string commandHelp(const std::string& command);

// True for the names of jingle's commands.
bool isCommand(const std::string& name);

// Prints the overview or a command's help on standard output; EXIT_OK, or EXIT_BAD_INPUT after a
// line on stderr for a topic that is no command. An empty topic gives the overview.
int printHelp(const std::string& topic);

}  // namespace cli
