// Instrument-driven shaping of every note: volume and panning envelopes, fadeout, auto-vibrato.
#pragma once

#include <cstdint>

#include "player/load/song.h"
#include "player/replay/channel.h"

namespace player {

// The state fields of one envelope of a channel.
struct EnvelopeState {
  std::uint32_t* tick;
  std::uint32_t* point;
  std::int32_t* fixed;
  std::int32_t* value;
  std::int32_t* step;
  std::uint8_t* done;
};

// One tick of one envelope; sets updateBit in the channel's flags.
void envelopeStep(Channel* channel, const EnvelopeState& state, const EnvelopePoint* points,
                  std::uint8_t pointCount, std::uint8_t loopEnd, std::uint8_t loopStart,
                  std::uint8_t sustainPoint, std::uint8_t envelopeFlags, std::uint8_t updateBit);

// The envelope and fadeout stage of one channel for one tick.
void updateEnvelopes(Channel* channel, const Instrument* instrument, bool tickZero);

// The instrument's vibrato for one tick, added to periodDelta.
void autoVibrato(Channel* channel, const Instrument* instrument);

}  // namespace player
