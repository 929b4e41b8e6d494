// What a loaded module holds: its facts and damage, its warnings, its length, its order table
// and patterns, the names of its instruments and samples.
#include <algorithm>
#include <cstring>

#include "lib/api_guard.h"
#include "lib/module_record.h"
#include "player/song_end.h"

namespace {

// Copies a record of the library's size into one of the caller's: what both know of.
template <typename Record>
jingle_status copyRecord(const Record& record, void* destination, std::size_t size) {
  std::memcpy(destination, &record, std::min(size, sizeof record));
  return JINGLE_OK;
}

template <typename Value>
bool inRange(Value index, std::size_t count) {
  return index >= 0 && static_cast<std::size_t>(index) < count;
}

}  // namespace

namespace jingle::internal {

std::int64_t moduleEndFrame(const jingle_module& module, std::int32_t rate, std::int32_t rounds) {
  const std::lock_guard<std::mutex> lock(module.endsMutex);
  for (const jingle_module::EndMemo& memo : module.ends) {
    if (memo.rate == rate && memo.rounds == rounds) return memo.frame;
  }
  const std::int64_t limit = std::int64_t{JINGLE_MAX_SECONDS} * rate;
  const std::int64_t frame = player::songEndFrame(module.song, rounds, limit, rate);
  if (frame >= 0) {  // a search that ran out of memory may succeed another time
    module.ends[module.nextEnd] = {rate, rounds, frame};
    module.nextEnd = (module.nextEnd + 1) % jingle_module::END_MEMOS;
  }
  return frame;
}

}  // namespace jingle::internal

extern "C" {

jingle_status jingle_module_get_info(const jingle_module* module, jingle_module_info* info,
                                     size_t info_size) {
  if (module == nullptr || info == nullptr) return JINGLE_NULL_ARGUMENT;
  return copyRecord(module->info, info, info_size);
}

jingle_status jingle_module_get_damage(const jingle_module* module, jingle_module_damage* damage,
                                       size_t damage_size) {
  if (module == nullptr || damage == nullptr) return JINGLE_NULL_ARGUMENT;
  return copyRecord(module->damage, damage, damage_size);
}

int32_t jingle_module_warning_count(const jingle_module* module) {
  return module != nullptr ? static_cast<std::int32_t>(module->warnings.size()) : 0;
}

const char* jingle_module_warning(const jingle_module* module, int32_t index) {
  if (module == nullptr || !inRange(index, module->warnings.size())) return nullptr;
  return module->warnings[static_cast<std::size_t>(index)].c_str();
}

jingle_status jingle_module_duration(const jingle_module* module, int32_t rate, int32_t rounds,
                                     int64_t* frames, int32_t* limited) {
  if (module == nullptr) return JINGLE_NULL_ARGUMENT;
  if (rate < JINGLE_MIN_RATE || rate > JINGLE_MAX_RATE || rounds < 1) {
    return JINGLE_INVALID_ARGUMENT;
  }
  const std::int64_t limit = std::int64_t{JINGLE_MAX_SECONDS} * rate;
  const std::int64_t end = jingle::internal::moduleEndFrame(*module, rate, rounds);
  if (frames != nullptr) *frames = end;
  if (limited != nullptr) *limited = end >= limit ? 1 : 0;
  return JINGLE_OK;
}

int32_t jingle_module_order_pattern(const jingle_module* module, int32_t order) {
  if (module == nullptr || order < 0 || order >= module->song->songLength) return -1;
  return module->song->orderTable[order];
}

int32_t jingle_module_pattern_rows(const jingle_module* module, int32_t pattern) {
  if (module == nullptr || pattern < 0 || pattern >= module->song->patternSlotCount) return -1;
  return module->song->patterns[pattern].rows;
}

const char* jingle_module_instrument_name(const jingle_module* module, int32_t index) {
  if (module == nullptr || !inRange(index, module->instrumentNames.size())) return nullptr;
  return module->instrumentNames[static_cast<std::size_t>(index)].c_str();
}

const char* jingle_module_sample_name(const jingle_module* module, int32_t index) {
  if (module == nullptr || !inRange(index, module->sampleNames.size())) return nullptr;
  return module->sampleNames[static_cast<std::size_t>(index)].c_str();
}

int32_t jingle_module_sample_instrument(const jingle_module* module, int32_t index) {
  if (module == nullptr || !inRange(index, module->sampleOwners.size())) return -1;
  return module->sampleOwners[static_cast<std::size_t>(index)];
}

}  // extern "C"
