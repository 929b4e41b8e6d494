// jingle: plays modules, renders them to WAV and shows what they hold.
#include <cstdio>
#include <filesystem>
#include <new>
#include <string>
#include <vector>

#include "cli/commands.h"
#include "cli/display_text.h"
#include "cli/help_text.h"
#include "cli/stop_signals.h"

namespace {

int run(int argc, char** argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  if (args.empty()) {
    std::fputs(cli::overviewHelp().c_str(), stderr);
    return cli::EXIT_BAD_INPUT;
  }
  const std::string command = args.front();
  const std::vector<std::string> rest(args.begin() + 1, args.end());
  if (command == "--help" || command == "-h") return cli::printHelp("");
  if (command == "help") {
    if (rest.size() > 1) {
      std::fputs("jingle: help: one COMMAND at most (see 'jingle help')\n", stderr);
      return cli::EXIT_BAD_INPUT;
    }
    return cli::printHelp(rest.empty() ? "" : rest.front());
  }
  if (command == "--version") {
    std::printf("jingle %s\n", JINGLE_VERSION);
    if (std::fflush(stdout) == 0 && std::ferror(stdout) == 0) return cli::EXIT_OK;
    std::fputs("jingle: cannot write to standard output\n", stderr);
    return cli::EXIT_OUTPUT_FAILED;
  }
  if (command == "info") return cli::runInfo(rest);
  if (command == "render") return cli::runRender(rest);
  if (command == "play") return cli::runPlay(rest);
  // "jingle [OPTION]... FILE..." plays.
  if (command.size() > 1 && command[0] == '-') return cli::runPlay(args);
  // "jingle FILE..." plays; a word that names no file and looks like no file name is taken for a
  // mistyped command.
  std::error_code error;
  if (command.find_first_of("./\\") == std::string::npos &&
      !std::filesystem::exists(command, error)) {
    std::fprintf(stderr, "jingle: '%s' is not a command (see 'jingle help')\n",
                 cli::displayName(command).c_str());
    return cli::EXIT_BAD_INPUT;
  }
  return cli::runPlay(args);
}

}  // namespace

int main(int argc, char** argv) {
  cli::ignoreWriteSignals();
  // The commands allocate little beyond the module and the player's buffers, which report a
  // failure themselves; whatever else runs out of memory ends here rather than in an abort.
  try {
    return run(argc, argv);
  } catch (const std::bad_alloc&) {
    std::fputs("jingle: not enough memory\n", stderr);
    return cli::EXIT_BAD_INPUT;
  }
}
