#include "resources/tools/resource_checks.h"

#include "player/load/module_damage.h"
#include "player/load/module_fault_text.h"
#include "player/load/module_image.h"
#include "player/load/module_load.h"
#include "player/load/xm_loader.h"

namespace resources {

namespace {

std::uint32_t u16(const Bytes& b, std::size_t at) {
  return b[at] | (b[at + 1] << 8);
}
std::uint32_t u32(const Bytes& b, std::size_t at) {
  return u16(b, at) | (u16(b, at + 2) << 16);
}

std::string size(std::int32_t width, std::int32_t height) {
  return std::to_string(width) + " x " + std::to_string(height) + " pixels";
}

}  // namespace

std::string moduleFault(const Bytes& bytes) {
  player::ModuleImage* image =
      player::makeModuleImage(bytes.data(), static_cast<std::uint32_t>(bytes.size()));
  if (image == nullptr) return "not enough memory to check the module";
  // Whatever the player refuses, in its own words: the embedded tune is judged by exactly the
  // load that the tool and the library apply, for every format the player takes. A damaged file
  // that would still play in part is refused too: the application is not built around a tune
  // that is missing some of itself.
  player::LoadedModule loaded = player::loadModule(image);
  player::freeModuleImage(image);
  std::string fault = loaded.verdict == player::ModuleVerdict::LOADED ? "" : loaded.reason;
  if (fault.empty() && player::moduleDamaged(loaded.check.damage)) {
    fault = player::moduleDamageText(loaded.check.damage);
  }
  if (loaded.song != nullptr) player::freeSong(loaded.song);
  return fault;
}

std::string bitmapFault(const Bytes& bytes, std::int32_t width, std::int32_t height) {
  const std::string wanted = "; it must be a 24-bit BMP of " + size(width, height);
  if (bytes.size() < 54 || bytes[0] != 'B' || bytes[1] != 'M') return "not a BMP picture" + wanted;
  const std::uint32_t dataOffset = u32(bytes, 10);
  const std::uint32_t headerSize = u32(bytes, 14);
  const auto fileWidth = static_cast<std::int32_t>(u32(bytes, 18));
  const auto fileHeight = static_cast<std::int32_t>(u32(bytes, 22));
  const std::uint32_t bits = u16(bytes, 28);
  const std::uint32_t compression = u32(bytes, 30);
  if (headerSize < 40 || u16(bytes, 26) != 1) return "an unusual BMP header" + wanted;
  if (bits != 24 || compression != 0) {
    return "a " + std::to_string(bits) + "-bit" + (compression != 0 ? " compressed" : "") + " BMP" +
           wanted;
  }
  const std::int32_t rows = fileHeight < 0 ? -fileHeight : fileHeight;
  if (fileWidth != width || rows != height) return "a picture of " + size(fileWidth, rows) + wanted;
  const std::uint64_t rowBytes = (std::uint64_t{24} * width + 31) / 32 * 4;
  if (dataOffset < 14 + headerSize || dataOffset + rowBytes * rows > bytes.size()) {
    return "the BMP's pixels are cut short";
  }
  return "";
}

std::string iconFault(const Bytes& bytes) {
  if (bytes.size() < 6 || u16(bytes, 0) != 0 || u16(bytes, 2) != 1 || u16(bytes, 4) == 0) {
    return "not an icon file (.ico)";
  }
  const std::uint32_t count = u16(bytes, 4);
  if (bytes.size() < 6 + 16 * std::size_t{count}) return "the icon directory is cut short";
  for (std::uint32_t i = 0; i < count; ++i) {
    const std::size_t entry = 6 + 16 * std::size_t{i};
    const std::uint64_t end = std::uint64_t{u32(bytes, entry + 12)} + u32(bytes, entry + 8);
    if (u32(bytes, entry + 8) == 0 || end > bytes.size()) {
      return "icon image " + std::to_string(i + 1) + " is cut short";
    }
  }
  return "";
}

}  // namespace resources
