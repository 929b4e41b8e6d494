// jingle render's formats, rates and batches: every form of the output holds the same mix as the
// 16-bit render at its rate, and outputs go where they are named or beside their modules.
#include <cmath>
#include <cstring>
#include <filesystem>

#ifdef JINGLE_HAVE_FLAC
#include <FLAC/stream_decoder.h>
#endif

#include "jingle/jingle.h"
#include "tests/cli/jingle_run.h"

namespace {

using RenderFormats = clitest::JingleTest;

using clitest::u32At;

// Float samples as the 16-bit render has them: scaled to full scale, rounded to nearest-even,
// clipped.
std::string floatsToPcm(const std::string& floats, bool& beyondFullScale) {
  std::string pcm;
  for (std::size_t at = 0; at + 4 <= floats.size(); at += 4) {
    const std::uint32_t bits = u32At(floats, at);
    float value = 0;
    std::memcpy(&value, &bits, sizeof value);
    beyondFullScale = beyondFullScale || std::fabs(value) > 1.0f;
    const double scaled = std::nearbyint(static_cast<double>(value) * 32768.0);
    const auto sample = static_cast<std::int16_t>(std::clamp(scaled, -32768.0, 32767.0));
    pcm += static_cast<char>(sample & 0xFF);
    pcm += static_cast<char>((sample >> 8) & 0xFF);
  }
  return pcm;
}

#ifdef JINGLE_HAVE_FLAC
struct FlacContent {
  std::string pcm;  // 16-bit little-endian interleaved
  std::vector<std::string> tags;
  std::uint32_t rate = 0;
};

FlacContent decodeFlac(const std::string& path) {
  FlacContent content;
  FLAC__StreamDecoder* decoder = FLAC__stream_decoder_new();
  FLAC__stream_decoder_set_metadata_respond(decoder, FLAC__METADATA_TYPE_VORBIS_COMMENT);
  auto write = [](const FLAC__StreamDecoder*, const FLAC__Frame* frame,
                  const FLAC__int32* const channels[], void* data) {
    auto& out = static_cast<FlacContent*>(data)->pcm;
    for (std::uint32_t i = 0; i < frame->header.blocksize; ++i)
      for (int c = 0; c < 2; ++c) {
        out += static_cast<char>(channels[c][i] & 0xFF);
        out += static_cast<char>((channels[c][i] >> 8) & 0xFF);
      }
    return FLAC__STREAM_DECODER_WRITE_STATUS_CONTINUE;
  };
  auto metadata = [](const FLAC__StreamDecoder*, const FLAC__StreamMetadata* block, void* data) {
    auto& content = *static_cast<FlacContent*>(data);
    if (block->type == FLAC__METADATA_TYPE_STREAMINFO)
      content.rate = block->data.stream_info.sample_rate;
    if (block->type != FLAC__METADATA_TYPE_VORBIS_COMMENT) return;
    for (std::uint32_t i = 0; i < block->data.vorbis_comment.num_comments; ++i) {
      const auto& entry = block->data.vorbis_comment.comments[i];
      content.tags.emplace_back(reinterpret_cast<const char*>(entry.entry), entry.length);
    }
  };
  auto error = [](const FLAC__StreamDecoder*, FLAC__StreamDecoderErrorStatus, void*) {};
  if (FLAC__stream_decoder_init_file(decoder, path.c_str(), write, metadata, error, &content) ==
      FLAC__STREAM_DECODER_INIT_STATUS_OK) {
    FLAC__stream_decoder_process_until_end_of_stream(decoder);
  }
  FLAC__stream_decoder_delete(decoder);
  return content;
}
#endif

TEST_F(RenderFormats, EveryFormatAndRateHoldsTheSixteenBitMix) {
  xmtest::Module module = clitest::loudSong();
  module.name = "Loud";
  const std::string file = writeModule("loud.song.xm", module);
  jingle::Module loaded;
  ASSERT_EQ(jingle::Module::loadFile(file.c_str(), loaded), JINGLE_OK);
  struct Case {
    std::string options, output;  // the output is named with -o unless it is the default
    std::int32_t rate;
    enum { WAV16, WAV_FLOAT, RAW16, RAW_FLOAT, FLAC } form;
  } const cases[] = {
      {"", "loud.song.wav", 44100, Case::WAV16},  // the default: beside the module
      {"--rate 48000", "r48.wav", 48000, Case::WAV16},
      {"--rate=8000", "low.raw", 8000, Case::RAW16},
      {"-r 192000 --raw", "high.pcm", 192000, Case::RAW16},
      {"--float", "float.wav", 44100, Case::WAV_FLOAT},
      {"--float --raw --rate 22050", "float.raw", 22050, Case::RAW_FLOAT},
      {"", "loud.flac", 44100, Case::FLAC},
      {"--format=FLAC --rate 96000", "r96.out", 96000, Case::FLAC},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.options);
    const std::string output = c.output == "loud.song.wav" ? "" : " -o " + path(c.output);
    const clitest::Outcome run = jingle("render " + file + " " + c.options + output);
    ASSERT_EQ(run.exitCode, 0) << run.err;
    const std::string reference = rendered(file + " --rate " + std::to_string(c.rate));
    ASSERT_EQ(reference.size(), static_cast<std::size_t>(loaded.durationFrames(c.rate)) * 4);
    const std::string bytes = clitest::readText(path(c.output));
    bool beyondFullScale = false;
    std::string pcm;
    switch (c.form) {
      case Case::WAV16: {  // the canonical 44-byte header
        const auto rate = static_cast<std::uint32_t>(c.rate);
        const auto data = static_cast<std::uint32_t>(reference.size());
        ASSERT_EQ(bytes.size(), 44 + data);
        EXPECT_EQ(bytes.substr(0, 4) + bytes.substr(8, 8) + bytes.substr(36, 4),
                  "RIFFWAVEfmt data");
        const std::uint32_t fields[][2] = {
            {4, 36 + data}, {16, 16},       {20, 1u | 2u << 16},   // PCM, 2 channels
            {24, rate},     {28, rate * 4}, {32, 4u | 16u << 16},  // 4 bytes a frame, 16 bits
            {40, data}};
        for (const auto& [offset, value] : fields)
          EXPECT_EQ(u32At(bytes, offset), value) << "offset " << offset;
        pcm = bytes.substr(44);
        break;
      }
      case Case::RAW16:
        pcm = bytes;
        break;
      case Case::WAV_FLOAT:
        ASSERT_EQ(bytes.substr(38, 4) + bytes.substr(50, 4), "factdata");
        EXPECT_EQ(u32At(bytes, 20), 3u | 2u << 16);   // IEEE float, 2 channels
        EXPECT_EQ(u32At(bytes, 32), 8u | 32u << 16);  // 8 bytes a frame, 32 bits
        EXPECT_EQ(u32At(bytes, 46) * 8, u32At(bytes, 54));
        pcm = floatsToPcm(bytes.substr(58), beyondFullScale);
        EXPECT_TRUE(beyondFullScale) << "the float output was clipped";
        break;
      case Case::RAW_FLOAT:
        pcm = floatsToPcm(bytes, beyondFullScale);
        break;
      case Case::FLAC: {
#ifdef JINGLE_HAVE_FLAC
        const FlacContent flac = decodeFlac(path(c.output));
        EXPECT_EQ(flac.rate, static_cast<std::uint32_t>(c.rate));
        EXPECT_EQ(flac.tags, (std::vector<std::string>{"TITLE=Loud", "TRACKER=test writer"}));
        pcm = flac.pcm;
#else
        GTEST_SKIP() << "built without FLAC";
#endif
        break;
      }
    }
    EXPECT_EQ(pcm.size(), reference.size());
    EXPECT_TRUE(pcm == reference) << "the samples differ from the 16-bit render";
  }
}

TEST_F(RenderFormats, SeveralModulesGoBesideThemOrIntoADirectoryAndABadOneIsSkipped) {
  const std::string a = writeModule("a.xm", clitest::shortSong());
  const std::string b = writeModule("b.mod.xm", clitest::shortSong(8));
  const std::string bad = write("bad.xm", {'n', 'o'});
  std::filesystem::create_directory(path("out"));
  struct Case {
    std::string options;
    std::vector<std::string> outputs;
    int exitCode;
  } const cases[] = {
      {a + " " + b, {"a.wav", "b.mod.wav"}, 0},
      {"--raw " + a + " " + b, {"a.raw", "b.mod.raw"}, 0},
      {a + " " + bad + " " + b + " -o " + path("out"), {"out/a.wav", "out/b.mod.wav"}, 2},
      {"--format flac -o " + path("out") + "/ " + a, {"out/a.flac"}, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.options);
    const clitest::Outcome run = jingle("render " + c.options);
    EXPECT_EQ(run.exitCode, c.exitCode) << run.err;
    EXPECT_EQ(run.errLines(), c.exitCode == 0 ? 0 : 1) << run.err;
    for (const std::string& output : c.outputs) {
      EXPECT_TRUE(std::filesystem::exists(path(output))) << output;
      std::filesystem::remove(path(output));
    }
  }
}

}  // namespace
