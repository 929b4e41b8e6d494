// jingle play FILE...: plays each module on the default sound device in turn, to its natural end
// as the listener hears it (or N times round, or until stopped), with a status display and keys
// for pause, next, previous, seeking, muting and quit.
#include <cstdio>
#include <cstdlib>
#include <string>

#include "cli/channel_list.h"
#include "cli/commands.h"
#include "cli/help_text.h"
#include "cli/number_text.h"
#include "cli/options.h"
#include "cli/play_module.h"
#include "cli/play_screen.h"
#include "cli/playlist.h"
#include "cli/stop_signals.h"
#include "cli/terminal.h"

namespace cli {

namespace {

int usageError(const char* message) {
  std::fprintf(stderr, "jingle: play: %s (see 'jingle play --help')\n", message);
  return EXIT_BAD_INPUT;
}

// EXIT_OK with the options filled, or EXIT_BAD_INPUT after a line on stderr.
int parseOptions(const std::vector<std::string>& args, PlayOptions& options, bool& help) {
  ParsedArguments parsed;
  std::vector<OptionSpec> specs = {
      {"seconds", 0, true},    {"start", 's', true}, {"loops", 'l', true},
      {"endless", 'e', false}, {"mute", 0, true},    {"solo", 0, true},
      {"shuffle", 0, false},   {"repeat", 0, false}, {"help", 'h', false}};
  declareSoundOptions(specs);
  if (!parseArguments("play", args, specs, parsed)) return EXIT_BAD_INPUT;
  help = hasOption(parsed, "help");
  if (help) return EXIT_OK;
  ChannelMask lists[2] = {0, 0};  // --mute, --solo
  for (const ParsedOption& option : parsed.options) {
    if (std::string message; !readSoundOption(option, options.sound, message)) {
      return usageError(message.c_str());
    }
    if (option.name == "mute" || option.name == "solo") {
      ChannelMask channels = 0;
      if (!parseChannelList(option.value, channels)) {
        return usageError(("--mute and --solo take " + channelListText()).c_str());
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
  options.shuffle = hasOption(parsed, "shuffle");
  options.repeat = hasOption(parsed, "repeat");
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

}  // namespace

int runPlay(const std::vector<std::string>& args) {
  PlayOptions options;
  bool help = false;
  if (const int code = parseOptions(args, options, help); code != EXIT_OK) return code;
  if (help) return printHelp("play");

  std::vector<ListedModule> list;
  if (!listModules(options.paths, list)) return EXIT_BAD_INPUT;
  if (list.empty()) return usageError("no module found to play");
  if (options.shuffle) shuffleModules(list);

  catchStopSignals();
  beginKeyInput();
  const bool screen = stdoutIsTerminal();
  if (screen) watchTerminalSize();
  if (screen && stdinIsTerminal()) showKeyHint();
  // A module that cannot be used is reported, skipped and left out of the list from then on;
  // the exit code is the first failure's. With no sound device nothing more can be played.
  int result = EXIT_OK;
  std::size_t index = 0;
  Next next = Next::FORWARD;
  bool keys = false;
  while (index < list.size() && !stopSignalled()) {
    next = Next::FORWARD;
    const int code = playModule(list[index].path, index, list.size(), options, next, keys);
    if (result == EXIT_OK) result = code;
    if (code == EXIT_NO_DEVICE || next == Next::QUIT) break;
    if (code != EXIT_OK) {
      list.erase(list.begin() + static_cast<std::ptrdiff_t>(index));
    } else if (next == Next::BACK) {
      index = index > 0 ? index - 1 : 0;
    } else {
      ++index;
    }
    if (index == list.size() && options.repeat && !list.empty()) {
      index = 0;
      if (options.shuffle) shuffleModules(list);
    }
  }
  endKeyInput();
  return result;
}

}  // namespace cli
