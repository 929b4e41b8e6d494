// jingle render FILE [-o OUT] [--seconds S | --loops N] [--raw]
#include <cerrno>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "cli/commands.h"
#include "cli/module_file.h"
#include "cli/output_file.h"
#include "cli/pcm_output.h"
#include "cli/terminal.h"
#include "player/numeric.h"
#include "player/offline_render.h"

namespace cli {

namespace {

const char* const RENDER_USAGE =
    "usage: jingle render FILE [-o OUT] [--seconds S | --loops N] [--raw]\n";

// The most frames one WAV file can describe: its sizes are 32-bit byte counts.
constexpr std::int64_t MAX_WAV_FRAMES = (std::int64_t{0xFFFFFFFF} - 36) / 4;

struct RenderOptions {
  std::string modulePath;
  std::string outputPath;  // empty: the module's name with .wav
  bool raw = false;
  bool seconds = false;
  std::int64_t frames = 0;  // with seconds
  std::int32_t loops = 1;
  bool loopsGiven = false;
};

int usageError(const std::string& message) {
  std::fprintf(stderr, "jingle: render: %s\n%s", message.c_str(), RENDER_USAGE);
  return EXIT_BAD_INPUT;
}

enum class SecondsParse { OK, NOT_A_LENGTH, TOO_LONG };

SecondsParse parseSeconds(const std::string& text, std::int64_t& frames) {
  if (text.empty()) return SecondsParse::NOT_A_LENGTH;
  char* end = nullptr;
  // An underflow reads as (almost) 0 seconds, an overflow as infinity.
  const double seconds = std::strtod(text.c_str(), &end);
  if (*end != '\0' || std::isnan(seconds) || seconds < 0) return SecondsParse::NOT_A_LENGTH;
  const std::int32_t count = player::roundToInt32(seconds * player::OFFLINE_RATE);
  if (count < 0) return SecondsParse::TOO_LONG;  // beyond 32 bits of frames
  frames = count;
  return SecondsParse::OK;
}

bool parseLoops(const std::string& text, std::int32_t& loops) {
  if (text.empty() || text[0] == '-' || text[0] == '+') return false;
  char* end = nullptr;
  errno = 0;
  const long value = std::strtol(text.c_str(), &end, 10);
  if (errno != 0 || *end != '\0' || value < 1 || value > 1000000) return false;
  loops = static_cast<std::int32_t>(value);
  return true;
}

// 0 when the arguments are usable, else the exit code after a message.
int parseArguments(const std::vector<std::string>& args, RenderOptions& options) {
  bool haveOutput = false;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    const bool hasValue = i + 1 < args.size();
    if (arg == "-o" || arg == "--output") {
      if (!hasValue) return usageError("-o needs a file name");
      options.outputPath = args[++i];
      haveOutput = true;
      if (options.outputPath.empty()) return usageError("-o needs a file name");
    } else if (arg == "--seconds") {
      const SecondsParse parsed =
          hasValue ? parseSeconds(args[++i], options.frames) : SecondsParse::NOT_A_LENGTH;
      if (parsed == SecondsParse::NOT_A_LENGTH) {
        return usageError("--seconds needs a number of seconds, 0 or more");
      }
      if (parsed == SecondsParse::TOO_LONG) return usageError("--seconds is too long");
      options.seconds = true;
    } else if (arg == "--loops") {
      if (!hasValue || !parseLoops(args[++i], options.loops)) {
        return usageError("--loops needs a whole number, 1 or more");
      }
      options.loopsGiven = true;
    } else if (arg == "--raw") {
      options.raw = true;
    } else if (arg.size() > 1 && arg[0] == '-') {
      return usageError("unknown option '" + arg + "'");
    } else if (options.modulePath.empty()) {
      options.modulePath = arg;
    } else {
      return usageError("more than one FILE");
    }
  }
  if (options.modulePath.empty()) return usageError("no FILE given");
  if (options.seconds && options.loopsGiven) {
    return usageError("--seconds and --loops cannot be used together");
  }
  if (options.seconds && !options.raw && options.frames > MAX_WAV_FRAMES) {
    return usageError("--seconds is too long for a WAV file (use --raw)");
  }
  if (!haveOutput) options.outputPath = defaultOutputPath(options.modulePath);
  return EXIT_OK;
}

std::string outputName(const std::string& path) {
  return path == "-" ? std::string("standard output") : path;
}

int outputError(const std::string& path, int error) {
  std::fprintf(stderr, "jingle: %s: cannot write: %s\n", outputName(path).c_str(),
               error != 0 ? std::strerror(error) : "write failed");
  return EXIT_OUTPUT_FAILED;
}

int outputIsInput(const std::string& path) {
  std::fprintf(stderr, "jingle: %s: is the module being rendered; name another output with -o\n",
               path.c_str());
  return EXIT_BAD_INPUT;
}

enum class Rendered { DONE, NO_MEMORY, STOPPED };

// Renders frames frames of the song from its start into output, unless a stop signal comes first.
// The blocks lie one after another in the ring; each pass through it goes out in one write,
// before the ring wraps.
Rendered renderInto(player::Song* song, const RenderOptions& options, std::int64_t frames,
                    PcmOutput& output) {
  if (!player::startOfflineRender(song, options.loops)) return Rendered::NO_MEMORY;
  const std::int32_t blockFrames = player::offlineBlockFrames();
  const std::int32_t ringBlocks = player::offlineRingBlocks();
  const std::int16_t* run = nullptr;
  std::int32_t runFrames = 0;
  std::int32_t runBlocks = 0;
  std::int64_t rendered = 0;
  while (rendered < frames && !output.failed && !stopSignalled()) {
    const std::int16_t* block = player::renderNextBlock();
    const std::int64_t left = frames - rendered;
    const auto count = static_cast<std::int32_t>(left < blockFrames ? left : blockFrames);
    if (run == nullptr) run = block;
    runFrames += count;
    rendered += count;
    if (++runBlocks == ringBlocks) {
      writePcmFrames(output, run, runFrames);
      run = nullptr;
      runFrames = 0;
      runBlocks = 0;
    }
  }
  if (run != nullptr) writePcmFrames(output, run, runFrames);
  player::stopOfflineRender();
  return stopSignalled() ? Rendered::STOPPED : Rendered::DONE;
}

}  // namespace

int runRender(const std::vector<std::string>& args) {
  RenderOptions options;
  if (const int code = parseArguments(args, options); code != EXIT_OK) return code;

  ModuleFile module;
  if (const int code = openModuleFile(options.modulePath, module); code != EXIT_OK) return code;

  // The output is checked before the song is searched for its end or rendered; from here on a
  // stop signal ends the render through the same path as a failure.
  catchStopSignals();
  PcmOutput output;
  const OutputOpening opening = openPcmOutput(options.outputPath, options.modulePath, output);
  if (opening != OutputOpening::OPENED) {
    closeModuleFile(module);
    if (opening == OutputOpening::IS_INPUT) return outputIsInput(options.outputPath);
    return outputError(options.outputPath, output.error);
  }

  std::int64_t frames = options.frames;
  if (!options.seconds) {
    frames = player::naturalLengthFrames(module.song, options.loops, player::MAX_NATURAL_FRAMES);
  }
  if (!options.raw) {
    writeWavHeader(output, player::OFFLINE_RATE, static_cast<std::uint32_t>(frames));
  }
  const Rendered rendered =
      stopSignalled() ? Rendered::STOPPED : renderInto(module.song, options, frames, output);
  closeModuleFile(module);
  if (rendered != Rendered::DONE || stopSignalled()) {
    abandonPcmOutput(output);
    if (rendered == Rendered::NO_MEMORY) {
      std::fputs("jingle: not enough memory to render\n", stderr);
      return EXIT_BAD_INPUT;
    }
    std::fprintf(stderr, "jingle: %s: render stopped by a signal\n",
                 outputName(options.outputPath).c_str());
    return EXIT_OUTPUT_FAILED;
  }
  if (!finishPcmOutput(output)) return outputError(options.outputPath, output.error);
  return EXIT_OK;
}

}  // namespace cli
