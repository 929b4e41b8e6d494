#include "cli/render_audio.h"

#include "cli/channel_list.h"
#include "cli/chunked_render.h"
#include "cli/stop_signals.h"

namespace cli {
namespace {

void writeFrames(AudioSink& sink, const RenderChunk& chunk) {
  const auto count = static_cast<std::int32_t>(chunk.frames);
  if (sink.format == AudioFormat::FLAC) return writeFlacFrames(sink.flac, chunk.pcm, count);
  if (sink.floatSamples) return writeFloatFrames(*sink.output, chunk.floats, count);
  writePcmFrames(*sink.output, chunk.pcm, count);
}

}  // namespace

Rendered renderAudio(const jingle::Module& module, const AudioRequest& request, AudioSink& sink,
                     ProgressBar& bar, Clipping& clipping) {
  jingle::ModuleInfo info{};
  module.info(info);
  const auto make = [&](jingle::Player& player) {
    const jingle::Status status = jingle::Player::create(module, request.rate, player);
    if (status != JINGLE_OK) return status;
    player.setRounds(request.endless ? JINGLE_ENDLESS : request.loops);
    player.setFrameLimit(request.frames);
    muteChannels(player, request.muted, info.channels);
    applySoundOptions(player, request.sound);
    return status;
  };
  std::int64_t written = 0;
  const auto write = [&](const RenderChunk& chunk) {
    writeFrames(sink, chunk);
    written += static_cast<std::int64_t>(chunk.frames);
    showProgress(bar, written, request.frames);
    return !sink.output->failed && !stopSignalled();
  };
  ChunkedClipping clipped;
  const int threads = request.threads > 0 ? request.threads : defaultRenderThreads();
  const ChunkedResult result =
      renderInChunks(make, request.frames, sink.floatSamples, threads, write, clipped);
  if (result == ChunkedResult::NO_MEMORY) return Rendered::NO_MEMORY;
  // Float frames are written as mixed: nothing of them is clipped.
  if (!sink.floatSamples) {
    clipping.samples += clipped.clipped;
    if (clipped.peak > clipping.peak) clipping.peak = clipped.peak;
  }
  return result == ChunkedResult::STOPPED || stopSignalled() ? Rendered::STOPPED : Rendered::DONE;
}

}  // namespace cli
