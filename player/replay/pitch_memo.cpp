#include "player/replay/pitch_memo.h"

#include "player/mixer/voice.h"
#include "player/numeric.h"
#include "player/replay/pitch.h"
#include "player/replay/voice_step.h"

namespace player {
namespace {

constexpr std::int32_t AMIGA_CLOCK = 14317056;
constexpr std::int32_t AMIGA_PAL_CLOCK = 14187580;  // 4 x 3,546,895 Hz
constexpr double LINEAR_C4_FREQUENCY = 8363.0;
// One linear period unit as a fraction of an octave, rounded to single precision.
constexpr double LINEAR_OCTAVE_FRACTION = static_cast<double>(1.0f / 768.0f);

static_assert(PITCH_MEMO_ENTRIES == 1u << (32 - 22), "the slot is the hash's top 10 bits");

std::uint32_t slotOf(FrequencyTable table, std::int32_t argument) {
  const std::uint32_t key =
      static_cast<std::uint32_t>(argument) * 3u + static_cast<std::uint32_t>(table);
  return (key * 2654435761u) >> 22;
}

}  // namespace

std::int32_t frequencyOf(FrequencyTable table, std::int32_t argument) {
  if (table == FrequencyTable::AMIGA) return AMIGA_CLOCK / argument;
  if (table == FrequencyTable::AMIGA_PAL) return AMIGA_PAL_CLOCK / argument;
  if (table == FrequencyTable::SCREAM_TRACKER) return SCREAM_TRACKER_CLOCK / argument;
  const double octaves = static_cast<double>(argument) * LINEAR_OCTAVE_FRACTION;
  return roundToInt32(LINEAR_C4_FREQUENCY * power(2.0, octaves));
}

VoicePitch pitchOf(PitchMemo& memo, FrequencyTable table, std::int32_t argument,
                   std::int32_t rate) {
  PitchMemoEntry& entry = memo.entries[slotOf(table, argument)];
  if (!entry.filled || entry.table != table || entry.argument != argument) {
    entry.filled = true;
    entry.table = table;
    entry.argument = argument;
    entry.rate = 0;
    entry.pitch.frequency = frequencyOf(table, argument);
  }
  if (entry.rate != rate) {
    Voice voice{};
    // The clocks of MOD and S3M periods give the step exactly; XM's goes through whole hertz.
    if (table == FrequencyTable::AMIGA_PAL) {
      setVoiceStepOfPeriod(&voice, AMIGA_PAL_CLOCK, argument, rate);
    } else if (table == FrequencyTable::SCREAM_TRACKER) {
      setVoiceStepOfPeriod(&voice, SCREAM_TRACKER_CLOCK, argument, rate);
    } else {
      setVoiceStep(&voice, entry.pitch.frequency, rate);
    }
    entry.rate = rate;
    entry.pitch.step = voice.step;
    entry.pitch.stepFrac = voice.stepFrac;
  }
  return entry.pitch;
}

}  // namespace player
