#include "cli/render_audio.h"

#include <cmath>
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
// library's own 16-bit frames are made; what is clipped is counted.
void roundToPcm(const float* floats, std::int16_t* pcm, std::size_t values, Clipping& clipping) {
  for (std::size_t i = 0; i < values; ++i) {
    const double value = static_cast<double>(floats[i]);
    const double magnitude = std::fabs(value);
    if (magnitude > clipping.peak) clipping.peak = magnitude;
    const long rounded = std::lrint(value * 32768.0);
    if (rounded > 32767 || rounded < -32768) ++clipping.samples;
    pcm[i] = static_cast<std::int16_t>(rounded > 32767    ? 32767
                                       : rounded < -32768 ? -32768
                                                          : rounded);
  }
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
