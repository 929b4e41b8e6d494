#include "player/load/module_format.h"

#include <cstring>

#include "player/load/mod_format.h"
#include "player/load/s3m_format.h"
#include "player/load/xm_format.h"

namespace player {

ModuleFormat detectFormat(const std::uint8_t* bytes, std::uint64_t count) {
  if (bytes == nullptr) return ModuleFormat::UNKNOWN;
  static const char xmSignature[] = "Extended Module: ";
  if (count >= XM_SIGNATURE_LENGTH && std::memcmp(bytes, xmSignature, XM_SIGNATURE_LENGTH) == 0) {
    return ModuleFormat::XM;
  }
  if (count >= 4 && std::memcmp(bytes, "IMPM", 4) == 0) return ModuleFormat::IT;
  if (isS3m(bytes, count)) return ModuleFormat::S3M;
  if (isMod(bytes, count)) return ModuleFormat::MOD;
  return ModuleFormat::UNKNOWN;
}

ModuleFormat moduleFormatOf(const ModuleImage* image) {
  if (image == nullptr) return ModuleFormat::UNKNOWN;
  return detectFormat(moduleBytes(image), moduleByteCount(image));
}

const char* formatName(ModuleFormat format) {
  switch (format) {
    case ModuleFormat::XM:
      return "XM";
    case ModuleFormat::MOD:
      return "MOD";
    case ModuleFormat::S3M:
      return "S3M";
    case ModuleFormat::IT:
      return "IT";
    case ModuleFormat::UNKNOWN:
      break;
  }
  return "";
}

}  // namespace player
