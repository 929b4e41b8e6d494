#include <cstdio>

#include "cli/commands.h"

namespace cli {

// Placeholder until the render command lands.
int runRender(const std::vector<std::string>& args) {
  (void)args;
  std::fputs("jingle: render is not available in this build\n", stderr);
  return EXIT_BAD_INPUT;
}

}  // namespace cli
