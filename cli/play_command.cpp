// jingle play FILE...: plays each module on the default sound device in turn, to its natural end
// as the listener hears it (or N times round, or until stopped), with a status display and keys
// for pause, next, previous, seeking, muting and quit.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "cli/channel_list.h"
#include "cli/commands.h"
#include "cli/display_text.h"
#include "cli/help_text.h"
#include "cli/module_file.h"
#include "cli/number_text.h"
#include "cli/options.h"
#include "cli/play_screen.h"
#include "cli/seek_point.h"
#include "cli/stop_signals.h"
#include "cli/terminal.h"
#include "cli/tool_engine.h"
#include "player/audio_output.h"
#include "player/block_status.h"
#include "player/load/module_texts.h"
#include "player/load/xm_loader.h"
#include "player/offline_render.h"
#include "player/player.h"
#include "player/replay/channel_mute.h"
#include "player/song_end.h"

namespace cli {

namespace {

constexpr int KEY_POLL_MS = 50;
constexpr int CTRL_C = 3;
constexpr int ESCAPE = 27;
// The heard time moves a block at a time: the end's block has been heard once the one after it
// is playing.
constexpr std::int64_t BLOCK_MS = 20;
constexpr std::int64_t SEEK_STEP_MS = 5000;

struct PlayOptions {
  std::vector<std::string> paths;
  double seconds = 0.0;  // 0: no limit
  std::int32_t loops = 1;
  bool endless = false;
  std::int64_t startMs = 0;
  std::string start;         // as given
  std::uint32_t muted = 0;   // channels silenced by --mute and --solo, at each module's start
  std::uint32_t listed = 0;  // the channels --mute and --solo name
};

int usageError(const char* message) {
  std::fprintf(stderr, "jingle: play: %s (see 'jingle play --help')\n", message);
  return EXIT_BAD_INPUT;
}

// EXIT_OK with the options filled, or EXIT_BAD_INPUT after a line on stderr.
int parseOptions(const std::vector<std::string>& args, PlayOptions& options, bool& help) {
  ParsedArguments parsed;
  const std::vector<OptionSpec> specs = {
      {"seconds", 0, true}, {"start", 's', true}, {"loops", 'l', true}, {"endless", 'e', false},
      {"mute", 0, true},    {"solo", 0, true},    {"help", 'h', false}};
  if (!parseArguments("play", args, specs, parsed)) return EXIT_BAD_INPUT;
  help = hasOption(parsed, "help");
  if (help) return EXIT_OK;
  std::uint32_t lists[2] = {0, 0};  // --mute, --solo
  for (const ParsedOption& option : parsed.options) {
    if (option.name == "mute" || option.name == "solo") {
      std::uint32_t channels = 0;
      if (!parseChannelList(option.value, channels)) {
        return usageError("--mute and --solo take channels 1 to 32, such as 1,3,5-8");
      }
      lists[option.name == "solo" ? 1 : 0] |= channels;
    }
    double seconds = 0.0;
    if (option.name == "start") {
      if (!readTime(option.value, seconds)) return usageError(START_TEXT);
      options.startMs = static_cast<std::int64_t>(seconds * 1000 + 0.5);
      options.start = option.value;
    }
    if (option.name == "seconds") {
      if (!readTime(option.value, options.seconds) || options.seconds <= 0.0) {
        return usageError(SECONDS_TEXT);
      }
    }
    std::int64_t loops = 0;
    if (option.name == "loops") {
      if (!readWholeNumber(option.value, 1, MAX_LOOPS, loops)) return usageError(LOOPS_TEXT);
      options.loops = static_cast<std::int32_t>(loops);
    }
  }
  options.muted =
      mutedByLists(hasOption(parsed, "mute"), lists[0], hasOption(parsed, "solo"), lists[1]);
  options.listed = lists[0] | lists[1];
  options.endless = hasOption(parsed, "endless");
  if (options.endless && hasOption(parsed, "loops")) {
    return usageError("--loops and --endless cannot be used together");
  }
  if (hasOption(parsed, "seconds") && hasOption(parsed, "loops")) {
    return usageError("--seconds and --loops cannot be used together");
  }
  options.paths = parsed.operands;
  if (options.paths.empty()) return usageError("no FILE given");
  return EXIT_OK;
}

enum class Next { FORWARD, BACK, QUIT, SEEK };

// What the screen shows of the block being heard.
PlayStatus heardStatus(const player::Song* song, std::int64_t totalMs) {
  const player::BlockInfo heard = player::heardBlockInfo(toolEngine);
  const player::BlockStatus block = player::heardBlockStatus(toolEngine);
  PlayStatus status;
  status.order = heard.order;
  status.orders = song->songLength;
  status.pattern = heard.order < song->songLength ? song->orderTable[heard.order] : -1;
  status.rows = status.pattern >= 0 && status.pattern < song->patternSlotCount
                    ? song->patterns[status.pattern].rows
                    : 0;
  // The full row when it was kept: BlockInfo holds its low byte.
  status.row = (block.row & 0xFF) == heard.row ? block.row : heard.row;
  status.speed = block.speed;
  status.bpm = block.bpm;
  status.voices = block.voices;
  status.timeMs = heard.timeMs;
  status.totalMs = totalMs;
  status.peakLeft = block.peakLeft;
  status.peakRight = block.peakRight;
  return status;
}

// Plays the started song until its end is heard, the time allotted runs out or a key or signal
// says otherwise; for SEEK, seek says where to. keys: whether the keys are shown, kept from one
// module to the next.
Next playUntilDone(const player::Song* song, const PlayOptions& options, std::int64_t totalMs,
                   SeekTarget& seek, bool& keys) {
  const bool screen = stdoutIsTerminal();
  bool paused = false;
  std::string note;
  double played = 0.0;
  auto last = std::chrono::steady_clock::now();
  for (;;) {
    const player::BlockInfo heard = player::heardBlockInfo(toolEngine);
    if (screen) {
      PlayStatus status = heardStatus(song, totalMs);
      status.paused = paused;
      status.muted = toolEngine.mutedChannels.load() & ~channelsBeyond(~0u, song->channelCount);
      status.note = note;
      status.keys = keys;
      drawStatus(status);
    }
    if (totalMs >= 0 && heard.timeMs >= totalMs + BLOCK_MS) return Next::FORWARD;
    const int key = waitForKey(KEY_POLL_MS);
    const auto now = std::chrono::steady_clock::now();
    if (!paused) played += std::chrono::duration<double>(now - last).count();
    last = now;
    if (stopSignalled() || key == 'q' || key == 'Q' || key == CTRL_C || key == ESCAPE) {
      return Next::QUIT;
    }
    if (key == ' ') paused = player::togglePause(toolEngine) == 1;
    if (key == 'n' || key == 'N' || key == '\n' || key == '\r') return Next::FORWARD;
    if (key == 'p' || key == 'P') return Next::BACK;
    if (key == KEY_LEFT || key == KEY_RIGHT) {
      const std::int64_t to = heard.timeMs + (key == KEY_LEFT ? -SEEK_STEP_MS : SEEK_STEP_MS);
      seek = SeekTarget{false, to > 0 ? to : 0, 0};
      return Next::SEEK;
    }
    if (key == KEY_UP || key == KEY_DOWN) {
      const std::int32_t to = heard.order + (key == KEY_DOWN ? -1 : 1);
      seek = SeekTarget{true, 0, to > 0 ? to : 0};
      return Next::SEEK;
    }
    if (key == 'h' || key == '?') keys = !keys;
    if (key >= '0' && key <= '9') {
      const int channel = key == '0' ? 9 : key - '1';
      note.clear();
      if (channel < song->channelCount) {
        toolEngine.mutedChannels.fetch_xor(1u << channel);
      } else {
        note = "no channel " + std::to_string(channel + 1) + ": the module has " +
               std::to_string(song->channelCount);
      }
    }
    if (options.seconds > 0.0 && played >= options.seconds) return Next::FORWARD;
  }
}

ModuleFacts factsOf(const std::string& path, std::size_t index, const PlayOptions& options,
                    const ModuleFile& file, const player::Song* song, std::int64_t totalMs) {
  const player::ModuleTexts texts = player::readModuleTexts(file.image);
  ModuleFacts facts;
  facts.name = inputName(path);
  facts.index = index;
  facts.count = options.paths.size();
  facts.title = displayText(texts.title);
  facts.tracker = displayText(texts.tracker);
  facts.channels = song->channelCount;
  facts.orders = song->songLength;
  facts.patterns = song->usedPatternCount;
  facts.instruments = song->instrumentCount;
  facts.totalMs = totalMs;
  return facts;
}

// Plays one module; EXIT_OK with next set, or the exit code after a line on stderr. A seek
// restarts play at its target.
int playOne(const std::string& path, std::size_t index, const PlayOptions& options, Next& next,
            bool& keys) {
  ModuleFile file;
  if (const int code = openModuleFile(path, file); code != EXIT_OK) return code;
  warnOfDamage(path, file);
  if (const std::uint32_t beyond = channelsBeyond(options.listed, file.song->channelCount)) {
    std::fprintf(stderr, "jingle: %s: %s (ignored)\n", inputName(path).c_str(),
                 channelsBeyondText(beyond, file.song->channelCount).c_str());
  }
  const std::int64_t endFrames =
      options.endless ? -1
                      : player::songEndFrame(file.song, options.loops, player::MAX_NATURAL_FRAMES,
                                             player::OFFLINE_RATE);
  const std::int64_t totalMs = endFrames < 0 ? -1 : endFrames * 1000 / player::OFFLINE_RATE;
  // The player loads its own song from the image; this one only proved the module playable.
  player::freeSong(file.song);
  file.song = nullptr;

  toolEngine.mutedChannels = options.muted;
  SeekTarget seek{false, options.startMs, 0};
  bool first = true;
  next = Next::SEEK;
  while (next == Next::SEEK) {
    const std::int64_t skip = blocksBefore(file.image, seek, endFrames);
    if (skip < 0 && first) {
      const std::int64_t endMs =
          endFrames >= 0 ? totalMs : player::MAX_NATURAL_FRAMES * 1000 / player::OFFLINE_RATE;
      const std::string end = endFrames >= 0 ? "the song's end at " + clockText(endMs)
                                             : clockText(endMs) + ", the furthest a start reaches";
      std::fprintf(stderr, "jingle: %s: --start %s is past %s\n", inputName(path).c_str(),
                   displayName(options.start).c_str(), end.c_str());
      closeModuleFile(file);
      return EXIT_BAD_INPUT;
    }
    if (skip < 0) {  // a seek past the end
      next = Next::FORWARD;
      break;
    }
    const player::Song* song = player::playModule(toolEngine, file.image, skip);
    if (song == nullptr) {
      const bool noDevice = toolEngine.output.device == nullptr;
      player::playModule(toolEngine, nullptr);
      closeModuleFile(file);
      if (noDevice) {
        std::fprintf(stderr,
                     "jingle: no sound device to play on; 'jingle render %s' writes a WAV file\n",
                     inputName(path).c_str());
        return EXIT_NO_DEVICE;
      }
      std::fprintf(stderr, "jingle: %s: cannot start playback\n", inputName(path).c_str());
      return EXIT_OUTPUT_FAILED;
    }
    if (first && stdoutIsTerminal()) {
      showModuleHeader(factsOf(path, index, options, file, song, totalMs));
    }
    first = false;
    next = playUntilDone(song, options, totalMs, seek, keys);
    player::playModule(toolEngine, nullptr);  // a paused player is resumed and stopped
  }
  if (stdoutIsTerminal() && !first) leaveStatus();
  closeModuleFile(file);
  return EXIT_OK;
}

}  // namespace

int runPlay(const std::vector<std::string>& args) {
  PlayOptions options;
  bool help = false;
  if (const int code = parseOptions(args, options, help); code != EXIT_OK) return code;
  if (help) return printHelp("play");

  catchStopSignals();
  beginKeyInput();
  const bool screen = stdoutIsTerminal();
  toolEngine.blockStatus.keep = screen;
  if (screen) watchTerminalSize();
  if (screen && stdinIsTerminal()) showKeyHint();
  // A module that cannot be used is reported and skipped; the exit code is the first failure's.
  // With no sound device nothing more can be played.
  int result = EXIT_OK;
  std::size_t index = 0;
  Next next = Next::FORWARD;
  bool keys = false;
  while (index < options.paths.size() && !stopSignalled()) {
    next = Next::FORWARD;
    const int code = playOne(options.paths[index], index, options, next, keys);
    if (result == EXIT_OK) result = code;
    if (code == EXIT_NO_DEVICE || next == Next::QUIT) break;
    if (next == Next::BACK) {
      index = index > 0 ? index - 1 : 0;
    } else {
      ++index;
    }
  }
  endKeyInput();
  return result;
}

}  // namespace cli
