#include "player/load/module_file.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>

#include "player/load/module_fault_text.h"
#include "player/load/module_format.h"

namespace player {
namespace {

// 268435456 -> "268,435,456".
std::string withThousands(std::uint64_t value) {
  const std::string digits = std::to_string(value);
  std::string text;
  for (std::size_t i = 0; i < digits.size(); ++i) {
    if (i > 0 && (digits.size() - i) % 3 == 0) text += ',';
    text += digits[i];
  }
  return text;
}

ModuleVerdict refuse(ModuleVerdict verdict, std::string& reason, std::string text) {
  reason = std::move(text);
  return verdict;
}

std::string readError(int code) {
  return code == EACCES ? std::string("cannot be read: permission denied")
                        : "cannot be read: " + std::string(std::strerror(code));
}

}  // namespace

ModuleVerdict judgeModuleHead(const std::uint8_t* head, std::size_t headBytes,
                              std::uint64_t fileBytes, std::string& reason) {
  const ModuleVerdict notModule = ModuleVerdict::NOT_A_MODULE;
  reason.clear();
  if (fileBytes == 0) return refuse(notModule, reason, "not a module (the file is empty)");
  // No format the player takes fits in fewer bytes than an XM's header (an S3M's takes 96, an
  // IT's 192, a MOD's 600): a shorter file is refused unread. Otherwise only an XM tells from its
  // first bytes what it is; the other formats are told apart once the whole file is read
  // (module_format.h).
  if (fileBytes < MODULE_HEAD_BYTES) {
    const bool xm = detectFormat(head, headBytes) == ModuleFormat::XM;
    return refuse(notModule, reason,
                  std::string(xm ? "not an XM module (" : "not a module (") +
                      std::to_string(fileBytes) + " bytes, too short for " +
                      (xm ? "its header)" : "any module's header)"));
  }
  if (fileBytes > MAX_MODULE_BYTES) {
    return refuse(ModuleVerdict::TOO_LARGE, reason,
                  "too large to be a module (" + withThousands(fileBytes) + " bytes, at most " +
                      withThousands(MAX_MODULE_BYTES) + ")");
  }
  return ModuleVerdict::LOADED;
}

ModuleVerdict readModuleFile(const char* path, ModuleImage*& image, std::string& reason) {
  image = nullptr;
  std::error_code error;
  const auto status = std::filesystem::status(path, error);
  if (status.type() == std::filesystem::file_type::not_found) {
    return refuse(ModuleVerdict::CANNOT_READ, reason, "cannot be read: no such file");
  }
  if (status.type() == std::filesystem::file_type::directory) {
    return refuse(ModuleVerdict::CANNOT_READ, reason, "cannot be read: it is a directory");
  }
  const std::unique_ptr<std::FILE, int (*)(std::FILE*)> open(std::fopen(path, "rb"), std::fclose);
  std::FILE* file = open.get();
  if (file == nullptr) return refuse(ModuleVerdict::CANNOT_READ, reason, readError(errno));
  // A file whose size is not known beforehand (a pipe, a device) is read up to one byte more
  // than a module may have, and judged by what it held.
  const bool sized = status.type() == std::filesystem::file_type::regular;
  std::uint64_t size = sized ? std::filesystem::file_size(path, error) : 0;
  std::uint8_t head[MODULE_HEAD_BYTES] = {};
  const std::size_t headBytes = std::fread(head, 1, sizeof head, file);
  const bool unsized = !sized || error;
  // Unsized, the head is judged as all there is until the rest is read; sized, the file may
  // have grown past its size since it was taken.
  if (unsized || size < headBytes) size = headBytes;
  ModuleVerdict verdict = judgeModuleHead(head, headBytes, size, reason);
  std::unique_ptr<ModuleImage, void (*)(ModuleImage*)> made(nullptr, freeModuleImage);
  if (verdict == ModuleVerdict::LOADED && unsized) {
    std::string body(reinterpret_cast<const char*>(head), headBytes);
    char chunk[65536];
    while (body.size() <= MAX_MODULE_BYTES) {
      const std::size_t got = std::fread(chunk, 1, sizeof chunk, file);
      if (got == 0) break;
      body.append(chunk, got);
    }
    verdict = judgeModuleHead(head, headBytes, body.size(), reason);
    if (verdict == ModuleVerdict::LOADED) {
      made.reset(makeModuleImage(body.data(), static_cast<std::uint32_t>(body.size())));
    }
  } else if (verdict == ModuleVerdict::LOADED) {
    made.reset(makeModuleImage(nullptr, static_cast<std::uint32_t>(size)));
    if (made != nullptr) {
      std::uint8_t* bytes = moduleBytesToFill(made.get());
      std::memcpy(bytes, head, headBytes);
      const std::size_t got =
          headBytes +
          std::fread(bytes + headBytes, 1, static_cast<std::size_t>(size) - headBytes, file);
      if (got < size) {  // the file shrank since its size was taken
        made.reset(makeModuleImage(bytes, static_cast<std::uint32_t>(got)));
      }
    }
  }
  if (verdict == ModuleVerdict::LOADED && made == nullptr) {
    verdict = refuse(ModuleVerdict::NO_MEMORY, reason, NOT_ENOUGH_MEMORY_TEXT);
  }
  if (verdict == ModuleVerdict::LOADED && std::ferror(file) != 0) {
    verdict = refuse(ModuleVerdict::CANNOT_READ, reason, "cannot be read: read error");
  }
  if (verdict == ModuleVerdict::LOADED) image = made.release();
  return verdict;
}

}  // namespace player
