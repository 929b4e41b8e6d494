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
#include "cli/playlist.h"
#include "cli/progress_bar.h"
#include "cli/render_audio.h"
#include "cli/render_format.h"
#include "cli/render_plan.h"
#include "cli/sound_options.h"
#include "cli/stop_signals.h"
#include "cli/terminal.h"
#include "jingle/jingle.h"

namespace cli {

namespace {

constexpr std::int64_t MAX_THREADS = 64;

struct RenderOptions {
  std::vector<std::string> operands;
  std::vector<ListedModule> modules;
  OutputChoice output;
  std::int32_t rate = DEFAULT_RATE;
  bool seconds = false;
  double secondsValue = 0.0;
  std::int32_t loops = 1;
  bool quiet = false;
  ChannelMask muted = 0;   // channels silenced by --mute and --solo
  ChannelMask listed = 0;  // the channels --mute and --solo name
  SoundOptions sound;
  std::int32_t threads = 0;  // 0: as many as the processors allow
};

// 0 when the arguments are usable, else the exit code after a message.
int parseOptions(const std::vector<std::string>& args, RenderOptions& options, bool& help) {
  ParsedArguments parsed;
  std::vector<OptionSpec> specs = {
      {"output", 'o', true}, {"raw", 0, false},    {"format", 0, true},  {"rate", 'r', true},
      {"float", 0, false},   {"seconds", 0, true}, {"loops", 'l', true}, {"quiet", 'q', false},
      {"help", 'h', false},  {"mute", 0, true},    {"solo", 0, true},    {"threads", 0, true}};
  declareSoundOptions(specs);
  if (!parseArguments("render", args, specs, parsed)) return EXIT_BAD_INPUT;
  help = hasOption(parsed, "help");
  if (help) return EXIT_OK;
  options.operands = parsed.operands;
  OutputChoice& output = options.output;
  ChannelMask lists[2] = {0, 0};  // --mute, --solo
  for (const ParsedOption& option : parsed.options) {
    const std::string& value = option.value;
    std::int64_t number = 0;
    if (std::string message; !readSoundOption(option, options.sound, message)) {
      return renderUsageError(message);
    }
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
      if (!readWholeNumber(value, JINGLE_MIN_RATE, JINGLE_MAX_RATE, number)) {
        return renderUsageError("--rate takes a whole number of frames a second, " +
                                std::to_string(JINGLE_MIN_RATE) + " to " +
                                std::to_string(JINGLE_MAX_RATE));
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
    } else if (option.name == "threads") {
      if (!readWholeNumber(value, 1, MAX_THREADS, number)) {
        return renderUsageError("--threads takes a whole number, 1 to " +
                                std::to_string(MAX_THREADS));
      }
      options.threads = static_cast<std::int32_t>(number);
    } else if (option.name == "mute" || option.name == "solo") {
      ChannelMask channels = 0;
      if (!parseChannelList(value, channels)) {
        return renderUsageError("--" + option.name + " takes " + channelListText());
      }
      lists[option.name == "solo" ? 1 : 0] |= channels;
    }
  }
  options.muted =
      mutedByLists(hasOption(parsed, "mute"), lists[0], hasOption(parsed, "solo"), lists[1]);
  options.listed = lists[0] | lists[1];
  if (options.operands.empty()) return renderUsageError("no FILE given");
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
  return EXIT_OK;
}

// The modules of the FILEs given, with -o checked against them: EXIT_OK, or EXIT_BAD_INPUT after
// a line on stderr.
int listRenderModules(RenderOptions& options) {
  if (!listModules(options.operands, options.modules)) return EXIT_BAD_INPUT;
  if (options.modules.empty()) return renderUsageError("no module found to render");
  const OutputChoice& output = options.output;
  if (options.modules.size() > 1 && !output.output.empty() && !output.intoFolder) {
    return renderUsageError("with several FILEs, -o names a directory");
  }
  return EXIT_OK;
}

// "jingle: NAME: N samples clipped; try --gain G" when the render clipped any.
void reportClipping(const RenderJob& job, const SoundOptions& sound, const Clipping& clipping) {
  if (clipping.samples == 0) return;
  std::fprintf(stderr, "jingle: %s: %s samples clipped; try --gain %s\n",
               inputName(job.module).c_str(), withThousands(clipping.samples).c_str(),
               gainSuggestion(sound.gainDb, clipping.peak).c_str());
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

int notEnoughMemory() {
  std::fputs("jingle: not enough memory to render\n", stderr);
  return EXIT_BAD_INPUT;
}

// The most frames one WAV file can describe: its sizes are 32-bit byte counts.
std::int64_t maxWavFrames(bool floatSamples) {
  return floatSamples ? (std::int64_t{0xFFFFFFFF} - 50) / 8 : (std::int64_t{0xFFFFFFFF} - 36) / 4;
}

int renderOne(const RenderOptions& options, const RenderJob& job) {
  jingle::Module module;
  if (const int code = openModule(job.module, module); code != EXIT_OK) return code;
  jingle::ModuleInfo info{};
  module.info(info);
  if (const ChannelMask beyond = channelsBeyond(options.listed, info.channels)) {
    std::fprintf(stderr, "jingle: %s: %s\n", inputName(job.module).c_str(),
                 channelsBeyondText(beyond, info.channels).c_str());
    return EXIT_BAD_INPUT;
  }
  warnOfDamage(job.module, module);

  // The output is checked before the song is searched for its end or rendered; from here on a
  // stop signal ends the render through the same path as a failure.
  PcmOutput output;
  const OutputOpening opening = openPcmOutput(job.output, job.module, output);
  if (opening != OutputOpening::OPENED) {
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

  AudioRequest request;
  request.rate = options.rate;
  request.loops = options.loops;
  request.endless = options.seconds;
  request.frames = options.seconds ? std::llround(options.secondsValue * options.rate)
                                   : module.durationFrames(options.rate, options.loops);
  request.muted = options.muted;
  request.sound = options.sound;
  request.threads = options.threads;
  if (request.frames < 0) {  // the end search had no memory
    abandonPcmOutput(output);
    return notEnoughMemory();
  }
  if (job.format == AudioFormat::WAV &&
      request.frames > maxWavFrames(options.output.floatSamples)) {
    abandonPcmOutput(output);
    return renderUsageError("--seconds is too long for a WAV file (use --raw)");
  }
  AudioSink sink{&output, job.format, options.output.floatSamples, nullptr};
  if (job.format == AudioFormat::WAV) {
    const auto count = static_cast<std::uint32_t>(request.frames);
    if (options.output.floatSamples) {
      writeFloatWavHeader(output, options.rate, count);
    } else {
      writeWavHeader(output, options.rate, count);
    }
  } else if (job.format == AudioFormat::FLAC) {
    sink.flac = startFlac(output, options.rate, static_cast<std::uint64_t>(request.frames),
                          displayText(info.title), displayText(info.tracker));
  }
  ProgressBar bar = startProgress(inputName(job.module), options.quiet);
  Clipping clipping;
  const Rendered rendered = stopSignalled() || output.failed
                                ? (stopSignalled() ? Rendered::STOPPED : Rendered::DONE)
                                : renderAudio(module, request, sink, bar, clipping);
  endProgress(bar);
  endFlac(sink.flac, rendered == Rendered::DONE && !stopSignalled());
  if (rendered != Rendered::DONE || stopSignalled()) {
    abandonPcmOutput(output);
    if (rendered == Rendered::NO_MEMORY) return notEnoughMemory();
    return stoppedBySignal(job.output);
  }
  if (!finishPcmOutput(output)) return outputError(job.output, output.error);
  reportClipping(job, options.sound, clipping);
  return EXIT_OK;
}

}  // namespace

int runRender(const std::vector<std::string>& args) {
  RenderOptions options;
  bool help = false;
  if (const int code = parseOptions(args, options, help); code != EXIT_OK) return code;
  if (help) return printHelp("render");
  if (const int code = listRenderModules(options); code != EXIT_OK) return code;

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
    int code = makeMirrorFolder(options.output, job);
    if (code == EXIT_OK) code = renderOne(options, job);
    if (result == EXIT_OK) result = code;
    if (stopSignalled()) break;
  }
  return result;
}

}  // namespace cli
