// The replayer's per-channel state: everything that lives longer than one tick on a song channel.
#pragma once

#include <cstdint>

#include "player/mixer/voice.h"

namespace player {

constexpr int MAX_CHANNELS = 32;

// Update requests to the voice update, in Channel::flags.
constexpr std::uint8_t UPDATE_FREQUENCY = 0x01;
constexpr std::uint8_t UPDATE_VOLUME = 0x02;
constexpr std::uint8_t UPDATE_PAN = 0x04;
constexpr std::uint8_t UPDATE_TRIGGER = 0x08;
constexpr std::uint8_t UPDATE_REWIND = 0x20;

struct Channel {
  std::uint8_t note;   // 0-based note, index into the instrument's sample map
  std::uint8_t flags;  // update requests for this tick
  Voice* voice;        // the voice that sounds the channel now
  std::int32_t period;
  std::int32_t volume;
  std::int32_t pan;
  std::int32_t volumeDelta;          // this tick only
  std::int32_t periodDelta;          // this tick only
  std::int32_t periodDeltaFraction;  // 256ths of a period more, this tick only (exact rates)
  std::uint32_t volEnvTick;
  std::uint32_t volEnvPoint;
  std::int32_t volEnvFixed;  // 16.16
  std::int32_t volEnvValue;  // 0..64
  std::int32_t volEnvStep;   // 16.16 per tick
  std::uint8_t volEnvDone;
  std::uint32_t panEnvTick;
  std::uint32_t panEnvPoint;
  std::int32_t panEnvFixed;
  std::int32_t panEnvValue;  // 0..64, 32 = no offset
  std::int32_t panEnvStep;
  std::uint8_t panEnvDone;
  std::int32_t fadeVolume;    // 65536 full, 0 silent
  std::int32_t autoVibPos;    // 0..255
  std::int32_t autoVibSweep;  // 0..instrument sweep
  std::uint8_t keyOff;
  std::uint8_t instrument;  // 0-based
  std::uint8_t realNote;    // cell note + relative note - 1, in 8 bits
  std::int32_t notePeriod;
  std::uint8_t effect;  // effect of the current row
  std::int32_t sampleOffset;
  std::uint8_t portaDownSpeed;
  std::uint8_t portaUpSpeed;
  std::uint8_t xfinePortaDown;
  std::uint8_t xfinePortaUp;
  std::uint8_t volumeSlide;
  std::uint8_t panSlide;
  std::uint8_t retrigVolume;
  std::uint8_t retrigInterval;
  std::int32_t portaTarget;
  std::uint8_t portaSpeed;
  std::int8_t vibratoPos;  // -32..31
  std::uint8_t vibratoSpeed;
  std::uint8_t vibratoDepth;
  std::int8_t tremoloPos;  // -32..31
  std::uint8_t tremoloSpeed;
  std::uint8_t tremoloDepth;
  std::uint8_t tremorCount;
  std::uint8_t tremorOn;
  std::uint8_t tremorOff;
  std::uint8_t waveControl;  // low nibble vibrato, high nibble tremolo
  std::uint8_t fineVolumeSlide;
  std::uint8_t finePortaUp;
  std::uint8_t finePortaDown;
  // A letter effect (S3M, IT) as this row plays it: the effect and parameter it comes to.
  std::uint8_t playEffect;
  std::uint8_t playParam;
  std::uint8_t sharedMemory;    // Scream Tracker's one memory of D, E, F, I, J, K, L, Q, R, S
  std::uint8_t arpeggioMemory;  // Jxy's own, without the shared one
  std::uint8_t retrigCount;     // ticks since the last retrigger (RULE_RETRIGGER_COUNTS_ON)
  // 256ths of a period unit beyond period and notePeriod (RULE_EXACT_NOTE_RATES), 0 otherwise.
  std::uint8_t periodFraction;
  std::uint8_t notePeriodFraction;
};

}  // namespace player
