// Command-line options in the GNU style every command shares: long options with their value after
// '=' or as the next argument, short options, options and operands in any order, and "--" to end
// the options. Parsed with the C library's getopt_long.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace cli {

// The values play and render both take, in one wording for both.
inline constexpr const char* SECONDS_TEXT =
    "--seconds takes a time above 0, such as 90, 1:30 or 1:30.5";
inline constexpr const char* START_TEXT = "--start takes a time such as 90, 1:30 or 1:30.5";
inline constexpr const char* LOOPS_TEXT = "--loops needs a whole number, 1 or more";
inline constexpr std::int64_t MAX_LOOPS = 1000000;

struct OptionSpec {
  const char* name;  // long name, without the dashes
  char letter;       // short name, or 0
  bool takesValue;
};

struct ParsedOption {
  std::string name;   // the long name, whichever way it was given
  std::string value;  // empty for an option without a value
};

struct ParsedArguments {
  std::vector<ParsedOption> options;  // in the order given
  std::vector<std::string> operands;
};

// True with parsed filled; false after one line on stderr ("jingle: COMMAND: ...") naming the
// option that is unknown or lacks its value. args are the arguments after the command's name.
bool parseArguments(const char* command, const std::vector<std::string>& args,
                    const std::vector<OptionSpec>& specs, ParsedArguments& parsed);

// True when the option was given (the last value wins where one is kept).
bool hasOption(const ParsedArguments& parsed, const std::string& name);
// The value of the last of the named options given; empty when none was.
std::string optionValue(const ParsedArguments& parsed, const std::string& name);

}  // namespace cli
