// libFuzzer target for the S3M loader: the bytes with "SCRM" written at 44, so that every input
// of 48 bytes or more is read as an S3M. load_check.h says what it checks.
#include <cstring>
#include <vector>

#include "fuzz/load_check.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::vector<std::uint8_t> bytes(data, data + size);
  if (bytes.size() >= 48) std::memcpy(bytes.data() + 44, "SCRM", 4);
  fuzzcheck::checkLoad(bytes.data(), bytes.size());
  return 0;
}
