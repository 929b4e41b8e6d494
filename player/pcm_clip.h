// The conversion of the mixed float frames to the 16-bit PCM the device plays.
#pragma once

#include <cstddef>
#include <cstdint>

namespace player {

// Converts count stereo float frames to 16-bit PCM: each value rounded to the nearest integer
// (ties to even) and clamped to -32768..32767; a value beyond 32 bits (or NaN) counts as
// -2^31. Nothing happens for a count below 1 or a null address. Vectorised where the target
// has SSE2; clipToPcmPlain converts one value at a time and gives the same values.
void clipToPcm(std::int16_t* destination, const float* source, std::int32_t count);
void clipToPcmPlain(std::int16_t* destination, const float* source, std::int32_t count);

// What clipToPcm clips in values float values (half as many frames): their number is added to
// clipped, and peak raised to their largest magnitude where that is larger. The values are at
// the 16-bit scale (32768 is full scale); a value is clipped when it rounds outside the 16-bit
// range.
void measureClipping(const float* source, std::size_t values, std::uint64_t& clipped, float& peak);

}  // namespace player
