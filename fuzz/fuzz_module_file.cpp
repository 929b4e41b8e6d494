// libFuzzer target for the tool's own checks of a module file, as jingle makes them before and
// around the loader: the check of the file's start and size, the module check and the load, and
// the duration that jingle info shows. Whatever passes the first check either loads or is refused
// with a reason.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "cli/commands.h"
#include "cli/duration_text.h"
#include "cli/module_file.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::size_t head = size < cli::MODULE_HEAD_BYTES ? size : cli::MODULE_HEAD_BYTES;
  const std::string fault = cli::moduleHeadFault(data, head, size);
  if (size < cli::MODULE_HEAD_BYTES && fault.empty()) std::abort();
  if (!fault.empty()) return 0;
  player::ModuleImage* image = player::makeModuleImage(data, static_cast<std::uint32_t>(size));
  if (image == nullptr) return 0;
  cli::ModuleFile file;
  std::string reason;
  if (cli::loadModuleImage(image, file, reason) != cli::EXIT_OK) {
    if (reason.empty()) std::abort();
    return 0;
  }
  if (cli::naturalDurationText(file.song).empty()) std::abort();
  cli::closeModuleFile(file);
  return 0;
}
