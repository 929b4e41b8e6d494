#include "cli/render_audio.h"

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

}  // namespace

Rendered renderAudio(const jingle::Module& module, const AudioRequest& request, AudioSink& sink,
                     ProgressBar& bar) {
  jingle::Player player;
  if (jingle::Player::create(module, request.rate, player) != JINGLE_OK) return Rendered::NO_MEMORY;
  player.setRounds(request.endless ? JINGLE_ENDLESS : request.loops);
  player.setFrameLimit(request.frames);
  jingle::ModuleInfo info{};
  module.info(info);
  muteChannels(player, request.muted, info.channels);

  std::vector<std::int16_t> pcm(sink.floatSamples ? 0 : CHUNK_FRAMES * 2);
  std::vector<float> floats(sink.floatSamples ? CHUNK_FRAMES * 2 : 0);
  std::int64_t written = 0;
  while (written < request.frames && !sink.output->failed && !stopSignalled()) {
    const std::int64_t left = request.frames - written;
    const std::size_t asked = left < static_cast<std::int64_t>(CHUNK_FRAMES)
                                  ? static_cast<std::size_t>(left)
                                  : CHUNK_FRAMES;
    const std::size_t got =
        sink.floatSamples ? player.render(floats.data(), asked) : player.render(pcm.data(), asked);
    if (got == 0) break;
    writeFrames(sink, pcm.data(), floats.data(), static_cast<std::int32_t>(got));
    written += static_cast<std::int64_t>(got);
    showProgress(bar, written, request.frames);
  }
  return stopSignalled() ? Rendered::STOPPED : Rendered::DONE;
}

}  // namespace cli
