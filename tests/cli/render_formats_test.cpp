// jingle render's formats, rates and batches: every form of the output holds the same mix as the
// 16-bit render at its rate, outputs go where they are named, and the progress bar shows only on
// a terminal.
#include <cmath>
#include <cstring>
#include <filesystem>

#ifdef JINGLE_HAVE_FLAC
#include <FLAC/stream_decoder.h>
#endif

#include "player/audio_output.h"
#include "tests/cli/jingle_run.h"

namespace {

using RenderFormats = clitest::JingleTest;

std::uint32_t u32At(const std::string& bytes, std::size_t at) {
  std::uint32_t value = 0;
  for (std::size_t k = 4; k-- > 0;)
    value = value << 8 | static_cast<std::uint8_t>(bytes[at + k]);
  return value;
}

// Eight channels of a full-scale square in step, loud enough to clip: the float output must keep
// what the 16-bit one cuts. 8 rows at speed 6.
constexpr int LOUD_CHANNELS = 8;
xmtest::Module loudSong() {
  xmtest::Module module;
  module.channels = LOUD_CHANNELS;
  module.patterns.resize(1);
  module.patterns[0].rows = 8;
  for (int row = 0; row < 8; row += 4)
    for (int channel = 0; channel < LOUD_CHANNELS; ++channel)
      module.patterns[0].set(row, channel, xmtest::Cell{static_cast<std::uint8_t>(49 + row), 1},
                             LOUD_CHANNELS);
  std::vector<int> square;
  for (int i = 0; i < 3000; ++i)
    square.push_back(i % 40 < 20 ? 127 : -128);
  module.instruments.push_back(xmtest::simpleInstrument(square));
  module.instruments[0].samples[0].loopType = 1;
  module.instruments[0].samples[0].loopLength = 3000;
  return module;
}

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
  xmtest::Module module = loudSong();
  module.name = "Loud";
  const std::string file = writeModule("loud.xm", module);
  struct Case {
    std::string options, output;  // the output is named with -o unless it is the default
    std::int32_t rate;
    enum { WAV16, WAV_FLOAT, RAW16, RAW_FLOAT, FLAC } form;
  } const cases[] = {
      {"", "loud.wav", 44100, Case::WAV16},
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
    const std::string output = c.output == "loud.wav" ? "" : " -o " + path(c.output);
    const clitest::Outcome run = jingle("render " + file + " " + c.options + output);
    ASSERT_EQ(run.exitCode, 0) << run.err;
    const std::string reference =
        jingle("render " + file + " --raw -o - --rate " + std::to_string(c.rate)).out;
    // 8 rows at speed 6: 48 ticks.
    ASSERT_EQ(reference.size(), 48u * player::framesPerTick(125, c.rate) * 4);
    const std::string bytes = clitest::readText(path(c.output));
    bool beyondFullScale = false;
    std::string pcm;
    switch (c.form) {
      case Case::WAV16:
        ASSERT_EQ(u32At(bytes, 24), static_cast<std::uint32_t>(c.rate));
        pcm = bytes.substr(44);
        break;
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

// On a terminal the bar is drawn on standard error and cleared at the end; -q and pipes never see
// it.
TEST_F(RenderFormats, TheProgressBarShowsOnlyOnATerminal) {
  const std::string module = writeModule("tune.xm", clitest::shortSong(64));
  const auto typescript = [&](const std::string& options) {
    std::ofstream(path("run.sh")) << clitest::quoted(JINGLE_BINARY) << " render " << module
                                  << " -o " << path("out.wav") << " " << options << "\n";
    const std::string command = "script -q -e -c " + clitest::quoted("sh " + path("run.sh")) + " " +
                                path("typescript") + " </dev/null >/dev/null 2>&1";
    EXPECT_EQ(std::system(command.c_str()), 0) << options;
    return clitest::readText(path("typescript"));
  };
  const std::string shown = typescript("");
  EXPECT_NE(shown.find("[##############################] 100%"), std::string::npos) << shown;
  EXPECT_NE(shown.find("tune.xm"), std::string::npos) << shown;
  EXPECT_EQ(typescript("-q").find('#'), std::string::npos);
  const clitest::Outcome piped = jingle("render " + module + " -o " + path("out.wav"));
  EXPECT_EQ(piped.exitCode, 0);
  EXPECT_EQ(piped.err, "");
}

// A muted channel's notes are not heard and nothing else changes: muting channels 2 to 8 renders
// what the song without their notes renders, in every spelling.
TEST_F(RenderFormats, MuteAndSoloSilenceExactlyTheChannelsListed) {
  xmtest::Module both = loudSong();
  xmtest::Module firstOnly = both;
  for (int row = 0; row < 8; ++row)
    for (int channel = 1; channel < LOUD_CHANNELS; ++channel)
      firstOnly.patterns[0].set(row, channel, xmtest::Cell{}, LOUD_CHANNELS);
  xmtest::Module none = firstOnly;
  for (int row = 0; row < 8; ++row)
    none.patterns[0].set(row, 0, xmtest::Cell{}, LOUD_CHANNELS);
  const std::string file = writeModule("both.xm", both);
  const std::string unmuted = jingle("render --raw -o - " + file).out;
  const std::string first = jingle("render --raw -o - " + writeModule("first.xm", firstOnly)).out;
  const std::string silent = jingle("render --raw -o - " + writeModule("none.xm", none)).out;
  ASSERT_NE(first, unmuted);
  struct Case {
    const char* options;
    const std::string& expected;
  } const cases[] = {
      {"--mute 2-8", first},   {"--solo=1", first},           {"--mute 2-32", first},
      {"--solo 1,9", first},   {"--mute 1-8", silent},        {"--mute 9-12", unmuted},
      {"--solo 1-8", unmuted}, {"--solo 2 --mute 2", silent}, {"--mute 2,3-5 --mute=6-8", first},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.options);
    const clitest::Outcome run = jingle("render --raw -o - " + file + " " + c.options);
    EXPECT_EQ(run.exitCode, 0) << run.err;
    EXPECT_TRUE(run.out == c.expected);
  }
  for (const char* list : {"0", "33", "2-1", "1,,2", "a", "1-", ""}) {
    EXPECT_EQ(jingle("render -o - " + file + " --mute=" + list).exitCode, 2) << list;
  }
}

}  // namespace
