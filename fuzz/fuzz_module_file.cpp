// libFuzzer target for the library's judgement of a module file, as jingle meets it: the check of
// the file's start and size, the load, and what info shows (facts, names, warnings, duration).
// What the first check refuses the load refuses in the same words; whatever passes it either
// loads or is refused with a reason.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "jingle/jingle.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::size_t head = size < JINGLE_HEAD_BYTES ? size : JINGLE_HEAD_BYTES;
  const jingle_status checked = jingle_check_file_head(data, head, size);
  if (size < JINGLE_MIN_FILE_BYTES && checked == JINGLE_OK) std::abort();
  const std::string fault = jingle_load_reason();
  jingle::Module module;
  const jingle_status loaded = jingle::Module::load(data, size, module);
  const std::string reason = jingle_load_reason();
  if (checked != JINGLE_OK && (loaded == JINGLE_OK || reason != fault)) std::abort();
  if (loaded != JINGLE_OK) {
    if (module || reason.empty()) std::abort();
    return 0;
  }
  jingle::ModuleInfo info{};
  jingle::ModuleDamage damage{};
  if (module.info(info) != JINGLE_OK || module.damage(damage) != JINGLE_OK) std::abort();
  for (std::int32_t i = 0; i < module.warningCount(); ++i)
    if (module.warning(i) == nullptr) std::abort();
  for (std::int32_t i = 0; module.sampleName(i) != nullptr; ++i)
    if (module.sampleInstrument(i) >= 0 &&
        module.instrumentName(module.sampleInstrument(i)) == nullptr)
      std::abort();
  if (module.durationFrames() < 0) std::abort();
  return 0;
}
