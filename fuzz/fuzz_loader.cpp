// libFuzzer target for the module loader, whatever format the bytes show (load_check.h says what
// it checks).
#include "fuzz/load_check.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  fuzzcheck::checkLoad(data, size);
  return 0;
}
