#include "cli/render_audio.h"

#include <cmath>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif
#include <vector>

#include "cli/channel_list.h"
#include "cli/stop_signals.h"

namespace cli {
namespace {

// Frames rendered and written at a time.
constexpr std::size_t CHUNK_FRAMES = 8192;

void writeFrames(AudioSink& sink, const std::int16_t* pcm, const float* floats,
                 std::int32_t count) {
  if (sink.format == AudioFormat::FLAC) return writeFlacFrames(sink.flac, pcm, count);
  if (sink.floatSamples) return writeFloatFrames(*sink.output, floats, count);
  writePcmFrames(*sink.output, pcm, count);
}

// The float frames as 16-bit ones: times 32768, rounded to nearest-even and clipped, as the
// library's own 16-bit frames are made; what is clipped is counted and the peak kept. Scaling by
// a power of two is exact; within the 16-bit range, adding and taking away 1.5 x 2^23 rounds a
// float to a whole number, to nearest-even (as SSE2's conversion does in the default rounding).
std::int16_t roundOne(float value, float& peak, std::uint64_t& clipped) {
  constexpr float ROUNDER = 12582912.0f;
  const float scaled = value * 32768.0f;
  const float magnitude = std::fabs(value);
  peak = magnitude > peak ? magnitude : peak;
  if (scaled >= 32767.5f || scaled < -32768.5f) {
    ++clipped;
    return scaled > 0.0f ? 32767 : -32768;
  }
  return static_cast<std::int16_t>((scaled + ROUNDER) - ROUNDER);
}

void roundToPcm(const float* floats, std::int16_t* pcm, std::size_t values, Clipping& clipping) {
  float peak = 0.0f;
  std::uint64_t clipped = 0;
  std::size_t i = 0;
#if defined(__SSE2__)
  const __m128 scale = _mm_set1_ps(32768.0f);
  const __m128 top = _mm_set1_ps(32767.5f), bottom = _mm_set1_ps(-32768.5f);
  // Far beyond the 16-bit range but within 32 bits, where packing saturates.
  const __m128 highest = _mm_set1_ps(65536.0f), lowest = _mm_set1_ps(-65536.0f);
  const __m128 noSign = _mm_castsi128_ps(_mm_set1_epi32(0x7FFFFFFF));
  __m128 peaks = _mm_setzero_ps();
  for (; i + 8 <= values; i += 8) {
    const __m128 a = _mm_loadu_ps(floats + i), b = _mm_loadu_ps(floats + i + 4);
    const __m128 sa = _mm_mul_ps(a, scale), sb = _mm_mul_ps(b, scale);
    peaks = _mm_max_ps(peaks, _mm_max_ps(_mm_and_ps(a, noSign), _mm_and_ps(b, noSign)));
    const int outside =
        _mm_movemask_ps(_mm_or_ps(_mm_cmpge_ps(sa, top), _mm_cmplt_ps(sa, bottom))) |
        _mm_movemask_ps(_mm_or_ps(_mm_cmpge_ps(sb, top), _mm_cmplt_ps(sb, bottom))) << 4;
    for (int lanes = outside; lanes != 0; lanes &= lanes - 1)  // rare: no clipping, no loop
      ++clipped;
    const __m128i ra = _mm_cvtps_epi32(_mm_min_ps(_mm_max_ps(sa, lowest), highest));
    const __m128i rb = _mm_cvtps_epi32(_mm_min_ps(_mm_max_ps(sb, lowest), highest));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(pcm + i), _mm_packs_epi32(ra, rb));
  }
  alignas(16) float lanes[4];
  _mm_store_ps(lanes, peaks);
  for (const float lane : lanes)
    peak = lane > peak ? lane : peak;
#endif
  for (; i < values; ++i)
    pcm[i] = roundOne(floats[i], peak, clipped);
  if (peak > clipping.peak) clipping.peak = peak;
  clipping.samples += clipped;
}

}  // namespace

Rendered renderAudio(const jingle::Module& module, const AudioRequest& request, AudioSink& sink,
                     ProgressBar& bar, Clipping& clipping) {
  jingle::Player player;
  if (jingle::Player::create(module, request.rate, player) != JINGLE_OK) return Rendered::NO_MEMORY;
  player.setRounds(request.endless ? JINGLE_ENDLESS : request.loops);
  player.setFrameLimit(request.frames);
  jingle::ModuleInfo info{};
  module.info(info);
  muteChannels(player, request.muted, info.channels);
  applySoundOptions(player, request.sound);

  std::vector<std::int16_t> pcm(sink.floatSamples ? 0 : CHUNK_FRAMES * 2);
  std::vector<float> floats(CHUNK_FRAMES * 2);
  std::int64_t written = 0;
  while (written < request.frames && !sink.output->failed && !stopSignalled()) {
    const std::int64_t left = request.frames - written;
    const std::size_t asked = left < static_cast<std::int64_t>(CHUNK_FRAMES)
                                  ? static_cast<std::size_t>(left)
                                  : CHUNK_FRAMES;
    const std::size_t got = player.render(floats.data(), asked);
    if (got == 0) break;
    if (!sink.floatSamples) roundToPcm(floats.data(), pcm.data(), got * 2, clipping);
    writeFrames(sink, pcm.data(), floats.data(), static_cast<std::int32_t>(got));
    written += static_cast<std::int64_t>(got);
    showProgress(bar, written, request.frames);
  }
  return stopSignalled() ? Rendered::STOPPED : Rendered::DONE;
}

}  // namespace cli
