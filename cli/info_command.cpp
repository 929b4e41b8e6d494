#include <cstdio>

#include "cli/commands.h"

namespace cli {

// Placeholder until the info command lands.
int runInfo(const std::vector<std::string>& args) {
  (void)args;
  std::fputs("jingle: info is not available in this build\n", stderr);
  return EXIT_BAD_INPUT;
}

}  // namespace cli
