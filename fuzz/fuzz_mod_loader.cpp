// libFuzzer target for the MOD loader: the bytes with one of the MOD tags written at 1080 (chosen
// by the first byte; none for Soundtracker's 15-sample layout), so that every input is read as a
// MOD. load_check.h says what it checks.
#include <cstring>
#include <vector>

#include "fuzz/load_check.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const char* const TAGS[] = {"M.K.", "6CHN", "FLT8", "32CH", "CD81", "12CN", nullptr};
  std::vector<std::uint8_t> bytes(data, data + size);
  const char* tag = size > 0 ? TAGS[data[0] % (sizeof TAGS / sizeof TAGS[0])] : nullptr;
  if (tag != nullptr && bytes.size() >= 1084) std::memcpy(bytes.data() + 1080, tag, 4);
  fuzzcheck::checkLoad(bytes.data(), bytes.size());
  return 0;
}
