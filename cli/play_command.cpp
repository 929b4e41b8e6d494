#include <cstdio>

#include "cli/commands.h"

namespace cli {

// Placeholder until the play command lands.
int runPlay(const std::vector<std::string>& args) {
  (void)args;
  std::fputs("jingle: play is not available in this build\n", stderr);
  return EXIT_BAD_INPUT;
}

}  // namespace cli
