#include "cli/module_file.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#endif

#include "cli/commands.h"
#include "cli/display_text.h"
#include "cli/terminal.h"

namespace cli {
namespace {

int refuse(const std::string& path, const std::string& reason) {
  std::fprintf(stderr, "jingle: %s: %s\n", inputName(path).c_str(), reason.c_str());
  return EXIT_BAD_INPUT;
}

// Standard input up to one byte more than a module may have, its first bytes judged before the
// rest is read; false with the reason when it cannot be a module.
bool readStandardInput(std::uint8_t*& bytes, std::size_t& count, std::string& reason) {
  if (stdinIsTerminal()) {
    reason = "cannot be read: standard input is a terminal";
    return false;
  }
#ifdef _WIN32
  _setmode(_fileno(stdin), _O_BINARY);
#endif
  std::size_t capacity = 65536;
  bytes = static_cast<std::uint8_t*>(std::malloc(capacity));
  count = bytes != nullptr ? std::fread(bytes, 1, JINGLE_HEAD_BYTES, stdin) : 0;
  if (bytes != nullptr && jingle_check_file_head(bytes, count, count) != JINGLE_OK) {
    reason = jingle_load_reason();
    return false;
  }
  while (bytes != nullptr && count <= JINGLE_MAX_FILE_BYTES) {
    if (count == capacity) {
      capacity =
          capacity * 2 > JINGLE_MAX_FILE_BYTES + 1 ? JINGLE_MAX_FILE_BYTES + 1 : capacity * 2;
      auto* grown = static_cast<std::uint8_t*>(std::realloc(bytes, capacity));
      if (grown == nullptr) std::free(bytes);
      bytes = grown;
      if (bytes == nullptr) break;
    }
    const std::size_t got = std::fread(bytes + count, 1, capacity - count, stdin);
    count += got;
    if (got == 0) break;
  }
  if (bytes == nullptr) {
    reason = jingle_status_text(JINGLE_OUT_OF_MEMORY);
    return false;
  }
  if (std::ferror(stdin) != 0) {
    reason = "cannot be read: read error";
    return false;
  }
  return true;
}

}  // namespace

int openModule(const std::string& path, jingle::Module& module) {
  module.reset();
  if (path != "-") {
    if (jingle::Module::loadFile(path.c_str(), module) != JINGLE_OK) {
      return refuse(path, jingle_load_reason());
    }
    return EXIT_OK;
  }
  std::uint8_t* bytes = nullptr;
  std::size_t count = 0;
  std::string reason;
  const bool read = readStandardInput(bytes, count, reason);
  if (read && jingle::Module::load(bytes, count, module) != JINGLE_OK)
    reason = jingle_load_reason();
  std::free(bytes);
  return module ? EXIT_OK : refuse(path, reason);
}

void warnOfDamage(const std::string& path, const jingle::Module& module) {
  for (std::int32_t i = 0; i < module.warningCount(); ++i)
    std::fprintf(stderr, "jingle: %s: damaged: %s\n", inputName(path).c_str(), module.warning(i));
}

}  // namespace cli
