// jingle: plays XM modules, renders them to WAV and shows what they hold.
#include <cstdio>
#include <new>
#include <string>
#include <vector>

#include "cli/commands.h"
#include "cli/terminal.h"

namespace {

const char* const USAGE =
    "usage: jingle [play] FILE [--seconds S]\n"
    "                                    play FILE on the sound device (S seconds at most)\n"
    "       jingle render FILE [-o OUT] [--seconds S | --loops N] [--raw]\n"
    "                                    render FILE to a WAV file (or raw PCM)\n"
    "       jingle info FILE              show what FILE holds\n"
    "       jingle --help | --version\n"
    "\n"
    "render: 44,100 Hz 16-bit stereo; OUT defaults to FILE with .wav, '-' is standard output;\n"
    "without --seconds the module plays to its natural end, --loops times (default 1).\n"
    "play: space pauses and resumes, q or Ctrl-C stops.\n";

int run(int argc, char** argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  if (args.empty()) {
    std::fputs(USAGE, stderr);
    return cli::EXIT_BAD_INPUT;
  }
  const std::string command = args.front();
  if (command == "--help" || command == "-h" || command == "help") {
    std::fputs(USAGE, stdout);
    return cli::EXIT_OK;
  }
  if (command == "--version") {
    std::printf("jingle %s\n", JINGLE_VERSION);
    return cli::EXIT_OK;
  }
  const std::vector<std::string> rest(args.begin() + 1, args.end());
  if (command == "info") return cli::runInfo(rest);
  if (command == "render") return cli::runRender(rest);
  if (command == "play") return cli::runPlay(rest);
  if (!command.empty() && command[0] == '-') {
    std::fprintf(stderr, "jingle: unknown option '%s'\n%s", command.c_str(), USAGE);
    return cli::EXIT_BAD_INPUT;
  }
  return cli::runPlay(args);  // jingle FILE
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
