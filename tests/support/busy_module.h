// A module that keeps the replayer and the mixer busy on every channel, for tests and benchmarks
// of the mixing path: notes every few rows with vibrato, slides, portamento, arpeggio and
// key-offs, an instrument with envelopes, fadeout, auto-vibrato and a short ping-pong loop, so
// that ramps, twin voices, loop boundaries and frequency changes all keep happening.
#pragma once

#include <cstdint>
#include <vector>

namespace xmtest {

std::vector<std::uint8_t> busyModule(int channels);

}  // namespace xmtest
