#include "cli/options.h"

#include <getopt.h>

#include <cstdio>

#include "cli/display_text.h"

namespace cli {

bool parseArguments(const char* command, const std::vector<std::string>& args,
                    const std::vector<OptionSpec>& specs, ParsedArguments& parsed) {
  std::vector<option> longOptions;
  std::string letters = ":";  // a missing value returns ':' rather than '?'
  for (std::size_t i = 0; i < specs.size(); ++i) {
    longOptions.push_back(option{specs[i].name,
                                 specs[i].takesValue ? required_argument : no_argument, nullptr,
                                 static_cast<int>(256 + i)});
    if (specs[i].letter != 0) {
      letters += specs[i].letter;
      if (specs[i].takesValue) letters += ':';
    }
  }
  longOptions.push_back(option{nullptr, 0, nullptr, 0});

  std::vector<std::string> storage;
  storage.reserve(args.size() + 1);
  storage.push_back(std::string("jingle ") + command);
  storage.insert(storage.end(), args.begin(), args.end());
  std::vector<char*> argv;
  for (std::string& arg : storage)
    argv.push_back(arg.data());
  argv.push_back(nullptr);

  opterr = 0;
  optind = 0;  // a fresh scan
  const int argc = static_cast<int>(storage.size());
  for (;;) {
    const int found = getopt_long(argc, argv.data(), letters.c_str(), longOptions.data(), nullptr);
    if (found == -1) break;
    // The argument just read, where getopt has moved it.
    const std::string given =
        optind >= 1 && optind <= argc ? argv[static_cast<std::size_t>(optind - 1)] : "";
    if (found == '?' || found == ':') {
      // optopt: the letter, or for a long option the value it was declared with.
      const bool known = optopt >= 256;
      const bool longName = optopt == 0 || optopt >= 256;
      const std::string name = longName ? given.substr(0, given.find('='))
                                        : std::string("-") + static_cast<char>(optopt);
      const char* problem = found == ':' ? "needs a value"
                            : known      ? "takes no value"
                                         : "is not an option of this command";
      std::fprintf(stderr, "jingle: %s: '%s' %s (see 'jingle %s --help')\n", command,
                   displayName(name).c_str(), problem, command);
      return false;
    }
    const OptionSpec* matched = nullptr;
    if (found >= 256) {
      matched = &specs[static_cast<std::size_t>(found - 256)];
    } else {
      for (const OptionSpec& candidate : specs)
        if (candidate.letter == found) matched = &candidate;
    }
    if (matched == nullptr) continue;
    parsed.options.push_back(ParsedOption{matched->name, optarg != nullptr ? optarg : ""});
  }
  for (int i = optind; i < argc; ++i)
    parsed.operands.push_back(argv[static_cast<std::size_t>(i)]);  // in the order getopt left
  return true;
}

bool hasOption(const ParsedArguments& parsed, const std::string& name) {
  for (const ParsedOption& option : parsed.options)
    if (option.name == name) return true;
  return false;
}

std::string optionValue(const ParsedArguments& parsed, const std::string& name) {
  std::string value;
  for (const ParsedOption& option : parsed.options)
    if (option.name == name) value = option.value;
  return value;
}

}  // namespace cli
