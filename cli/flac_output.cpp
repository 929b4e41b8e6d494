#include "cli/flac_output.h"

#ifdef JINGLE_HAVE_FLAC

#include <FLAC/metadata.h>
#include <FLAC/stream_encoder.h>

#include <sys/types.h>
#include <cerrno>
#include <cstdio>

namespace cli {

struct FlacStream {
  FLAC__StreamEncoder* encoder = nullptr;
  FLAC__StreamMetadata* tags = nullptr;
  PcmOutput* output = nullptr;
};

namespace {

FLAC__StreamEncoderWriteStatus onWrite(const FLAC__StreamEncoder*, const FLAC__byte bytes[],
                                       std::size_t count, std::uint32_t, std::uint32_t,
                                       void* data) {
  PcmOutput& output = *static_cast<FlacStream*>(data)->output;
  if (output.failed) return FLAC__STREAM_ENCODER_WRITE_STATUS_FATAL_ERROR;
  errno = 0;
  if (std::fwrite(bytes, 1, count, output.file) != count) {
    failPcmOutput(output);
    return FLAC__STREAM_ENCODER_WRITE_STATUS_FATAL_ERROR;
  }
  return FLAC__STREAM_ENCODER_WRITE_STATUS_OK;
}

// A file is rewound at the end to complete the stream's header; a pipe is not, and keeps the
// header as first written (with the length known from the start).
FLAC__StreamEncoderSeekStatus onSeek(const FLAC__StreamEncoder*, FLAC__uint64 offset, void* data) {
  PcmOutput& output = *static_cast<FlacStream*>(data)->output;
  if (fseeko(output.file, static_cast<off_t>(offset), SEEK_SET) != 0) {
    return FLAC__STREAM_ENCODER_SEEK_STATUS_UNSUPPORTED;
  }
  return FLAC__STREAM_ENCODER_SEEK_STATUS_OK;
}

FLAC__StreamEncoderTellStatus onTell(const FLAC__StreamEncoder*, FLAC__uint64* offset, void* data) {
  PcmOutput& output = *static_cast<FlacStream*>(data)->output;
  const off_t at = ftello(output.file);
  if (at < 0) return FLAC__STREAM_ENCODER_TELL_STATUS_UNSUPPORTED;
  *offset = static_cast<FLAC__uint64>(at);
  return FLAC__STREAM_ENCODER_TELL_STATUS_OK;
}

bool addTag(FLAC__StreamMetadata* tags, const char* name, const std::string& value) {
  if (value.empty()) return true;
  FLAC__StreamMetadata_VorbisComment_Entry entry;
  return FLAC__metadata_object_vorbiscomment_entry_from_name_value_pair(&entry, name,
                                                                        value.c_str()) &&
         FLAC__metadata_object_vorbiscomment_append_comment(tags, entry, false);
}

}  // namespace

bool flacAvailable() {
  return true;
}

FlacStream* startFlac(PcmOutput& output, std::int32_t rate, std::uint64_t frames,
                      const std::string& title, const std::string& tracker) {
  auto* stream = new FlacStream{};
  stream->output = &output;
  stream->encoder = FLAC__stream_encoder_new();
  stream->tags = FLAC__metadata_object_new(FLAC__METADATA_TYPE_VORBIS_COMMENT);
  FLAC__StreamEncoder* encoder = stream->encoder;
  bool ready = encoder != nullptr && stream->tags != nullptr &&
               addTag(stream->tags, "TITLE", title) && addTag(stream->tags, "TRACKER", tracker);
  if (ready) {
    FLAC__stream_encoder_set_channels(encoder, 2);
    FLAC__stream_encoder_set_bits_per_sample(encoder, 16);
    FLAC__stream_encoder_set_sample_rate(encoder, static_cast<std::uint32_t>(rate));
    FLAC__stream_encoder_set_compression_level(encoder, 5);
    FLAC__stream_encoder_set_total_samples_estimate(encoder, frames);
    FLAC__stream_encoder_set_metadata(encoder, &stream->tags, 1);
    ready = FLAC__stream_encoder_init_stream(encoder, onWrite, onSeek, onTell, nullptr, stream) ==
            FLAC__STREAM_ENCODER_INIT_STATUS_OK;
  }
  if (!ready) {
    if (!output.failed) failPcmOutput(output);
    endFlac(stream, false);
    return nullptr;
  }
  return stream;
}

void writeFlacFrames(FlacStream* stream, const std::int16_t* frames, std::int32_t count) {
  if (stream == nullptr || stream->output->failed) return;
  FLAC__int32 values[2048];
  constexpr std::int32_t CHUNK = 1024;
  for (std::int32_t done = 0; done < count; done += CHUNK) {
    const std::int32_t take = count - done < CHUNK ? count - done : CHUNK;
    for (std::int32_t i = 0; i < 2 * take; ++i)
      values[i] = frames[2 * done + i];
    if (!FLAC__stream_encoder_process_interleaved(stream->encoder, values,
                                                  static_cast<std::uint32_t>(take))) {
      if (!stream->output->failed) failPcmOutput(*stream->output);
      return;
    }
  }
}

void endFlac(FlacStream* stream, bool complete) {
  if (stream == nullptr) return;
  if (stream->encoder != nullptr) {
    if (complete && !stream->output->failed && !FLAC__stream_encoder_finish(stream->encoder)) {
      failPcmOutput(*stream->output);
    }
    FLAC__stream_encoder_delete(stream->encoder);  // finishes first when still running
  }
  if (stream->tags != nullptr) FLAC__metadata_object_delete(stream->tags);
  delete stream;
}

}  // namespace cli

#else

namespace cli {

struct FlacStream {};

bool flacAvailable() {
  return false;
}

FlacStream* startFlac(PcmOutput& output, std::int32_t, std::uint64_t, const std::string&,
                      const std::string&) {
  output.failed = true;
  return nullptr;
}

void writeFlacFrames(FlacStream*, const std::int16_t*, std::int32_t) {}

void endFlac(FlacStream*, bool) {}

}  // namespace cli

#endif
