// jingle render FILE...: each module to a WAV, FLAC or raw PCM file, at any rate the engine takes,
// 16-bit or 32-bit float.
#include <cerrno>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "cli/channel_list.h"
#include "cli/commands.h"
#include "cli/display_text.h"
#include "cli/flac_output.h"
#include "cli/help_text.h"
#include "cli/module_file.h"
#include "cli/number_text.h"
#include "cli/options.h"
#include "cli/output_file.h"
#include "cli/pcm_output.h"
#include "cli/progress_bar.h"
#include "cli/render_format.h"
#include "cli/render_plan.h"
#include "cli/stop_signals.h"
#include "cli/terminal.h"
#include "cli/tool_engine.h"
#include "player/audio_output.h"
#include "player/load/module_texts.h"
#include "player/offline_render.h"
#include "player/replay/channel_mute.h"
#include "player/song_end.h"

namespace cli {

namespace {

constexpr std::int32_t MIN_RATE = 8000;
constexpr std::int32_t MAX_RATE = 192000;
// No natural end is looked for beyond 30 minutes, at any rate.
constexpr std::int64_t LIMIT_SECONDS = 30 * 60;
constexpr float FULL_SCALE = 32768.0f;

struct RenderOptions {
  std::vector<std::string> modules;
  OutputChoice output;
  std::int32_t rate = player::OFFLINE_RATE;
  bool seconds = false;
  double secondsValue = 0.0;
  std::int32_t loops = 1;
  bool quiet = false;
  std::uint32_t muted = 0;   // channels silenced by --mute and --solo
  std::uint32_t listed = 0;  // the channels --mute and --solo name
};

// 0 when the arguments are usable, else the exit code after a message.
int parseOptions(const std::vector<std::string>& args, RenderOptions& options, bool& help) {
  ParsedArguments parsed;
  const std::vector<OptionSpec> specs = {
      {"output", 'o', true}, {"raw", 0, false},    {"format", 0, true},  {"rate", 'r', true},
      {"float", 0, false},   {"seconds", 0, true}, {"loops", 'l', true}, {"quiet", 'q', false},
      {"help", 'h', false},  {"mute", 0, true},    {"solo", 0, true}};
  if (!parseArguments("render", args, specs, parsed)) return EXIT_BAD_INPUT;
  help = hasOption(parsed, "help");
  if (help) return EXIT_OK;
  options.modules = parsed.operands;
  OutputChoice& output = options.output;
  std::uint32_t lists[2] = {0, 0};  // --mute, --solo
  for (const ParsedOption& option : parsed.options) {
    const std::string& value = option.value;
    std::int64_t number = 0;
    if (option.name == "output") {
      if (value.empty()) return renderUsageError("-o needs a file or directory name");
      output.output = value;
    } else if (option.name == "raw") {
      if (!chooseFormat(output.format, AudioFormat::RAW)) {
        return renderUsageError("--raw and --format " + formatName(output.format.format) +
                                " cannot be used together");
      }
    } else if (option.name == "format") {
      AudioFormat format{};
      if (!formatNamed(value, format)) return renderUsageError("--format takes wav, raw or flac");
      if (!chooseFormat(output.format, format)) {
        return renderUsageError("--format " + value + " and --raw cannot be used together");
      }
    } else if (option.name == "rate") {
      if (!readWholeNumber(value, MIN_RATE, MAX_RATE, number)) {
        return renderUsageError("--rate takes a whole number of frames a second, 8000 to 192000");
      }
      options.rate = static_cast<std::int32_t>(number);
    } else if (option.name == "float") {
      output.floatSamples = true;
    } else if (option.name == "seconds") {
      if (!readTime(value, options.secondsValue) || options.secondsValue <= 0.0) {
        return renderUsageError(SECONDS_TEXT);
      }
      options.seconds = true;
    } else if (option.name == "loops") {
      if (!readWholeNumber(value, 1, MAX_LOOPS, number)) return renderUsageError(LOOPS_TEXT);
      options.loops = static_cast<std::int32_t>(number);
    } else if (option.name == "quiet") {
      options.quiet = true;
    } else if (option.name == "mute" || option.name == "solo") {
      std::uint32_t channels = 0;
      if (!parseChannelList(value, channels)) {
        return renderUsageError("--" + option.name + " takes channels 1 to 32, such as 1,3,5-8");
      }
      lists[option.name == "solo" ? 1 : 0] |= channels;
    }
  }
  options.muted =
      mutedByLists(hasOption(parsed, "mute"), lists[0], hasOption(parsed, "solo"), lists[1]);
  options.listed = lists[0] | lists[1];
  if (options.modules.empty()) return renderUsageError("no FILE given");
  if (options.seconds && hasOption(parsed, "loops")) {
    return renderUsageError("--seconds and --loops cannot be used together");
  }
  if (options.seconds && options.secondsValue * options.rate >= 2147483647.0) {
    return renderUsageError("--seconds is too long");
  }
  std::error_code error;
  // A name ending in / is a folder, made when missing.
  output.intoFolder =
      !output.output.empty() &&
      (output.output.back() == '/' || std::filesystem::is_directory(output.output, error));
  if (options.modules.size() > 1 && !output.output.empty() && !output.intoFolder) {
    return renderUsageError("with several FILEs, -o names a directory");
  }
  return EXIT_OK;
}

std::string outputName(const std::string& path) {
  return path == "-" ? std::string("standard output") : displayName(path);
}

int outputError(const std::string& path, int error) {
  std::fprintf(stderr, "jingle: %s: cannot write: %s\n", outputName(path).c_str(),
               error != 0 ? std::strerror(error) : "write failed");
  return EXIT_OUTPUT_FAILED;
}

int stoppedBySignal(const std::string& path) {
  std::fprintf(stderr, "jingle: %s: render stopped by a signal\n", outputName(path).c_str());
  return EXIT_OUTPUT_FAILED;
}

// The most frames one WAV file can describe: its sizes are 32-bit byte counts.
std::int64_t maxWavFrames(bool floatSamples) {
  return floatSamples ? (std::int64_t{0xFFFFFFFF} - 50) / 8 : (std::int64_t{0xFFFFFFFF} - 36) / 4;
}

enum class Rendered { DONE, NO_MEMORY, STOPPED };

struct Sink {
  PcmOutput* output;
  AudioFormat format;
  bool floatSamples;
  FlacStream* flac;
  std::vector<float> floats;  // one block of float frames, scaled to full scale 1.0
};

void writeBlock(Sink& sink, std::int32_t block, const std::int16_t* pcm, std::int32_t count) {
  if (sink.format == AudioFormat::FLAC) return writeFlacFrames(sink.flac, pcm, count);
  if (!sink.floatSamples) return writePcmFrames(*sink.output, pcm, count);
  const float* mix = toolEngine.output.mixBuffer +
                     static_cast<std::size_t>(block) * player::offlineBlockFrames(toolEngine) * 2;
  for (std::int32_t i = 0; i < 2 * count; ++i)
    sink.floats[static_cast<std::size_t>(i)] = mix[i] / FULL_SCALE;  // a power of two: exact
  writeFloatFrames(*sink.output, sink.floats.data(), count);
}

// Renders frames frames of the song from its start into the sink, unless a stop signal comes
// first.
Rendered renderInto(player::Song* song, const RenderOptions& options, std::int64_t frames,
                    Sink& sink, ProgressBar& bar) {
  toolEngine.mutedChannels = options.muted;
  if (!player::startOfflineRender(toolEngine, song, options.loops, options.rate)) {
    return Rendered::NO_MEMORY;
  }
  const std::int32_t blockFrames = player::offlineBlockFrames(toolEngine);
  sink.floats.resize(static_cast<std::size_t>(blockFrames) * 2);
  // 16-bit blocks lie one after another in the ring: each pass through it goes out in one
  // write, before the ring wraps.
  const bool batched = sink.format != AudioFormat::FLAC && !sink.floatSamples;
  const std::int32_t ringBlocks = player::offlineRingBlocks(toolEngine);
  const std::int16_t* run = nullptr;
  std::int32_t runFrames = 0;
  std::int32_t runBlocks = 0;
  std::int64_t written = 0;
  while (written < frames && !sink.output->failed && !stopSignalled()) {
    const std::int32_t block = toolEngine.output.writeBlock;
    const std::int16_t* pcm = player::renderNextBlock(toolEngine);
    const std::int64_t left = frames - written;
    const auto count = static_cast<std::int32_t>(left < blockFrames ? left : blockFrames);
    written += count;
    showProgress(bar, written, frames);
    if (!batched) {
      writeBlock(sink, block, pcm, count);
      continue;
    }
    if (run == nullptr) run = pcm;
    runFrames += count;
    if (++runBlocks == ringBlocks) {
      writePcmFrames(*sink.output, run, runFrames);
      run = nullptr;
      runFrames = 0;
      runBlocks = 0;
    }
  }
  if (run != nullptr) writePcmFrames(*sink.output, run, runFrames);
  player::stopOfflineRender(toolEngine);
  toolEngine.mutedChannels = 0;
  return stopSignalled() ? Rendered::STOPPED : Rendered::DONE;
}

int renderOne(const RenderOptions& options, const RenderJob& job) {
  ModuleFile module;
  if (const int code = openModuleFile(job.module, module); code != EXIT_OK) return code;
  if (const std::uint32_t beyond = channelsBeyond(options.listed, module.song->channelCount)) {
    std::fprintf(stderr, "jingle: %s: %s\n", inputName(job.module).c_str(),
                 channelsBeyondText(beyond, module.song->channelCount).c_str());
    closeModuleFile(module);
    return EXIT_BAD_INPUT;
  }
  warnOfDamage(job.module, module);

  // The output is checked before the song is searched for its end or rendered; from here on a
  // stop signal ends the render through the same path as a failure.
  PcmOutput output;
  const OutputOpening opening = openPcmOutput(job.output, job.module, output);
  if (opening != OutputOpening::OPENED) {
    closeModuleFile(module);
    if (opening == OutputOpening::IS_INPUT) {
      std::fprintf(stderr, "jingle: %s: is a module being rendered; name another output with -o\n",
                   outputName(job.output).c_str());
      return EXIT_BAD_INPUT;
    }
    if (opening == OutputOpening::IS_TERMINAL) {
      std::fprintf(stderr,
                   "jingle: %s: is a terminal; send the audio to a file or a pipe instead\n",
                   outputName(job.output).c_str());
      return EXIT_BAD_INPUT;
    }
    if (stopSignalled()) return stoppedBySignal(job.output);  // while waiting for a reader
    return outputError(job.output, output.error);
  }

  const std::int64_t frames =
      options.seconds ? std::llround(options.secondsValue * options.rate)
                      : player::songEndFrame(module.song, options.loops,
                                             LIMIT_SECONDS * options.rate, options.rate);
  if (job.format == AudioFormat::WAV && frames > maxWavFrames(options.output.floatSamples)) {
    closeModuleFile(module);
    abandonPcmOutput(output);
    return renderUsageError("--seconds is too long for a WAV file (use --raw)");
  }
  Sink sink{&output, job.format, options.output.floatSamples, nullptr, {}};
  if (job.format == AudioFormat::WAV) {
    const auto count = static_cast<std::uint32_t>(frames);
    if (options.output.floatSamples) {
      writeFloatWavHeader(output, options.rate, count);
    } else {
      writeWavHeader(output, options.rate, count);
    }
  } else if (job.format == AudioFormat::FLAC) {
    const player::ModuleTexts texts = player::readModuleTexts(module.image);
    sink.flac = startFlac(output, options.rate, static_cast<std::uint64_t>(frames),
                          displayText(texts.title), displayText(texts.tracker));
  }
  ProgressBar bar = startProgress(inputName(job.module), options.quiet);
  const Rendered rendered = stopSignalled() || output.failed
                                ? (stopSignalled() ? Rendered::STOPPED : Rendered::DONE)
                                : renderInto(module.song, options, frames, sink, bar);
  endProgress(bar);
  endFlac(sink.flac, rendered == Rendered::DONE && !stopSignalled());
  closeModuleFile(module);
  if (rendered != Rendered::DONE || stopSignalled()) {
    abandonPcmOutput(output);
    if (rendered == Rendered::NO_MEMORY) {
      std::fputs("jingle: not enough memory to render\n", stderr);
      return EXIT_BAD_INPUT;
    }
    return stoppedBySignal(job.output);
  }
  if (!finishPcmOutput(output)) return outputError(job.output, output.error);
  return EXIT_OK;
}

}  // namespace

int runRender(const std::vector<std::string>& args) {
  RenderOptions options;
  bool help = false;
  if (const int code = parseOptions(args, options, help); code != EXIT_OK) return code;
  if (help) return printHelp("render");

  std::vector<RenderJob> jobs;
  if (const int code = planRender(options.output, options.modules, jobs); code != EXIT_OK) {
    return code;
  }
  if (const int code = makeOutputFolder(options.output); code != EXIT_OK) return code;

  catchStopSignals();
  // Each module is rendered whatever became of the one before; the exit code is the first
  // failure's. A stop signal ends them all.
  int result = EXIT_OK;
  for (const RenderJob& job : jobs) {
    const int code = renderOne(options, job);
    if (result == EXIT_OK) result = code;
    if (stopSignalled()) break;
  }
  return result;
}

}  // namespace cli
