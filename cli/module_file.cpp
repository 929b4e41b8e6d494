#include "cli/module_file.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#endif

#include "cli/commands.h"
#include "cli/display_text.h"
#include "cli/number_text.h"
#include "cli/terminal.h"
#include "player/load/module_check.h"
#include "player/load/module_fault_text.h"
#include "player/load/module_format.h"
#include "player/load/xm_loader.h"

namespace cli {
namespace {

const char* const NOT_ENOUGH_MEMORY = player::NOT_ENOUGH_MEMORY_TEXT;

int refuse(const std::string& path, const std::string& reason) {
  std::fprintf(stderr, "jingle: %s: %s\n", inputName(path).c_str(), reason.c_str());
  return EXIT_BAD_INPUT;
}

std::string readError(int code) {
  return code == EACCES ? std::string("cannot be read: permission denied")
                        : "cannot be read: " + std::string(std::strerror(code));
}

// The rest of a file whose size is not known beforehand (a pipe, a device), after the head
// bytes, up to one byte more than a module may have. Null when memory runs out.
std::uint8_t* readUnsized(std::FILE* file, const std::uint8_t* head, std::size_t headBytes,
                          std::size_t& count) {
  std::size_t capacity = 65536;
  auto* bytes = static_cast<std::uint8_t*>(std::malloc(capacity));
  if (bytes == nullptr) return nullptr;
  std::memcpy(bytes, head, headBytes);
  count = headBytes;
  while (count <= MAX_MODULE_BYTES) {
    if (count == capacity) {
      capacity = capacity * 2 > MAX_MODULE_BYTES + 1 ? MAX_MODULE_BYTES + 1 : capacity * 2;
      auto* grown = static_cast<std::uint8_t*>(std::realloc(bytes, capacity));
      if (grown == nullptr) {
        std::free(bytes);
        return nullptr;
      }
      bytes = grown;
    }
    const std::size_t got = std::fread(bytes + count, 1, capacity - count, file);
    count += got;
    if (got == 0) break;
  }
  return bytes;
}

// The whole file as a module image, or null with the reason.
player::ModuleImage* readModuleImage(const std::string& path, std::string& reason) {
  const bool standardInput = path == "-";
  if (standardInput && stdinIsTerminal()) {
    reason = "cannot be read: standard input is a terminal";
    return nullptr;
  }
  std::error_code error;
  const auto status = standardInput ? std::filesystem::file_status(std::filesystem::file_type::fifo)
                                    : std::filesystem::status(path, error);
  if (status.type() == std::filesystem::file_type::not_found) {
    reason = "cannot be read: no such file";
    return nullptr;
  }
  if (status.type() == std::filesystem::file_type::directory) {
    reason = "cannot be read: it is a directory";
    return nullptr;
  }
#ifdef _WIN32
  if (standardInput) _setmode(_fileno(stdin), _O_BINARY);
#endif
  std::FILE* file = standardInput ? stdin : std::fopen(path.c_str(), "rb");
  if (file == nullptr) {
    reason = readError(errno);
    return nullptr;
  }
  const bool sized = status.type() == std::filesystem::file_type::regular;
  const std::uint64_t size = sized ? std::filesystem::file_size(path, error) : 0;
  std::uint8_t head[MODULE_HEAD_BYTES] = {};
  const std::size_t headBytes = std::fread(head, 1, sizeof head, file);
  reason = moduleHeadFault(head, headBytes, sized && !error ? size : headBytes);

  player::ModuleImage* image = nullptr;
  if (reason.empty() && sized && !error && size >= headBytes) {
    image = player::makeModuleImage(nullptr, static_cast<std::uint32_t>(size));
    if (image != nullptr) {
      std::uint8_t* bytes = player::moduleBytesToFill(image);
      std::memcpy(bytes, head, headBytes);
      const std::size_t got =
          headBytes +
          std::fread(bytes + headBytes, 1, static_cast<std::size_t>(size) - headBytes, file);
      if (got < size) {  // the file shrank since its size was taken
        player::ModuleImage* whole =
            player::makeModuleImage(bytes, static_cast<std::uint32_t>(got));
        player::freeModuleImage(image);
        image = whole;
      }
    }
    if (image == nullptr) reason = NOT_ENOUGH_MEMORY;
  } else if (reason.empty()) {
    std::size_t count = 0;
    std::uint8_t* bytes = readUnsized(file, head, headBytes, count);
    if (bytes != nullptr) {
      reason = moduleHeadFault(head, headBytes, count);
      if (reason.empty()) image = player::makeModuleImage(bytes, static_cast<std::uint32_t>(count));
      std::free(bytes);
    }
    if (reason.empty() && image == nullptr) reason = NOT_ENOUGH_MEMORY;
  }
  if (reason.empty() && std::ferror(file) != 0) reason = "cannot be read: read error";
  if (!standardInput) std::fclose(file);
  if (!reason.empty()) {
    player::freeModuleImage(image);
    return nullptr;
  }
  return image;
}

}  // namespace

std::string moduleHeadFault(const std::uint8_t* head, std::size_t headBytes,
                            std::uint64_t fileBytes) {
  if (fileBytes == 0) return "not a module (the file is empty)";
  // Only an XM file tells from its first bytes that it is cut short; the other formats are told
  // apart, and checked, once the whole file is read.
  if (player::detectFormat(head, headBytes) == player::ModuleFormat::XM &&
      fileBytes < MODULE_HEAD_BYTES) {
    return "not an XM module (" + std::to_string(fileBytes) + " bytes, too short for its header)";
  }
  if (fileBytes > MAX_MODULE_BYTES) {
    return "too large to be a module (" + withThousands(fileBytes) + " bytes, at most " +
           withThousands(MAX_MODULE_BYTES) + ")";
  }
  return "";
}

int loadModuleImage(player::ModuleImage* image, ModuleFile& file, std::string& reason) {
  file = ModuleFile{};
  const player::ModuleCheck check = player::checkModule(image);
  reason = player::moduleFaultText(check);
  if (reason.empty() && player::nothingPlayableRemains(check.damage)) {
    reason = player::moduleDamageText(check.damage);
  }
  player::Song* song = reason.empty() ? player::loadSong(image, nullptr) : nullptr;
  if (song == nullptr) {
    if (reason.empty()) reason = NOT_ENOUGH_MEMORY;
    player::freeModuleImage(image);
    return EXIT_BAD_INPUT;
  }
  file.image = image;
  file.song = song;
  file.damage = check.damage;
  return EXIT_OK;
}

void warnOfDamage(const std::string& path, const ModuleFile& file) {
  if (!player::moduleDamaged(file.damage)) return;
  std::fprintf(stderr, "jingle: %s: damaged: %s\n", inputName(path).c_str(),
               player::moduleDamageText(file.damage).c_str());
}

int openModuleFile(const std::string& path, ModuleFile& file) {
  file = ModuleFile{};
  std::string reason;
  player::ModuleImage* image = readModuleImage(path, reason);
  if (image == nullptr) return refuse(path, reason);
  if (loadModuleImage(image, file, reason) != EXIT_OK) return refuse(path, reason);
  return EXIT_OK;
}

void closeModuleFile(ModuleFile& file) {
  player::freeSong(file.song);
  player::freeModuleImage(file.image);
  file = ModuleFile{};
}

}  // namespace cli
