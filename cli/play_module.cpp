#include "cli/play_module.h"

#include <algorithm>
#include <chrono>
#include <cstdio>

#include "cli/channel_list.h"
#include "cli/commands.h"
#include "cli/display_text.h"
#include "cli/module_file.h"
#include "cli/number_text.h"
#include "cli/play_screen.h"
#include "cli/stop_signals.h"
#include "cli/terminal.h"
#include "jingle/jingle.h"

namespace cli {
namespace {

constexpr int KEY_POLL_MS = 50;
constexpr int CTRL_C = 3;
constexpr int ESCAPE = 27;
constexpr std::int64_t SEEK_STEP_MS = 5000;

// Where a seek goes: a time, or an order position where the song first reaches it.
struct SeekTarget {
  bool toOrder = false;
  std::int64_t ms = 0;
  std::int32_t order = 0;
};

// One module as it plays: the module, its player, and what the screen shows of it.
struct Playing {
  const jingle::Module* module;
  jingle::Player* player;
  jingle::ModuleInfo info;
  std::int64_t endFrames;  // where the player stops by itself; below 0: endless
  ChannelMask muted;       // bit c: channel c (counted from 0) muted
};

std::int64_t frameOf(std::int64_t ms) {
  return ms * DEFAULT_RATE / 1000;
}

std::int64_t msOf(std::int64_t frame) {
  return frame * 1000 / DEFAULT_RATE;
}

// The furthest frame a seek may reach: the song's end, or when endless the limit of a song
// without one.
std::int64_t seekLimit(const Playing& p) {
  return p.endFrames >= 0 ? p.endFrames : std::int64_t{JINGLE_MAX_SECONDS} * DEFAULT_RATE;
}

// What the screen shows of what is being heard.
PlayStatus heardStatus(const Playing& p, const jingle::Position& heard) {
  PlayStatus status;
  status.order = heard.order;
  status.orders = p.info.orders;
  status.pattern = heard.pattern;
  status.rows = heard.pattern >= 0 ? std::max(p.module->patternRows(heard.pattern), 0) : 0;
  status.row = heard.row;
  status.speed = heard.speed;
  status.bpm = heard.bpm;
  status.voices = heard.voices;
  status.timeMs = msOf(heard.frame);
  status.totalMs = p.endFrames < 0 ? -1 : msOf(p.endFrames);
  status.peakLeft = heard.peak_left;
  status.peakRight = heard.peak_right;
  status.muted = p.muted;
  return status;
}

// Moves the player to target: false when the song ends before it. A song that never reaches the
// order would start there afresh, at frame 0: that too counts as past the end.
bool seekTo(Playing& p, const SeekTarget& target) {
  if (!target.toOrder) {
    const std::int64_t frame = frameOf(target.ms);
    return frame < seekLimit(p) && p.player->seekFrame(frame) == JINGLE_OK;
  }
  jingle::Position position{};
  return target.order < p.info.orders && p.player->seekOrder(target.order, 0) == JINGLE_OK &&
         p.player->position(position) == JINGLE_OK && (position.frame > 0 || target.order == 0) &&
         position.frame < seekLimit(p);
}

// Plays the started song until its end is heard, the time allotted runs out or a key or signal
// says otherwise; for SEEK, seek says where to. keys: whether the keys are shown, kept from one
// module to the next.
Next playUntilDone(Playing& p, const PlayOptions& options, SeekTarget& seek, bool& keys) {
  const bool screen = stdoutIsTerminal();
  bool paused = false;
  std::string note;
  double played = 0.0;
  auto last = std::chrono::steady_clock::now();
  for (;;) {
    jingle::Position heard{};
    p.player->position(heard);
    if (screen) {
      PlayStatus status = heardStatus(p, heard);
      status.paused = paused;
      status.note = note;
      status.keys = keys;
      drawStatus(status);
    }
    if (!p.player->playing()) return Next::FORWARD;
    const int key = waitForKey(KEY_POLL_MS);
    const auto now = std::chrono::steady_clock::now();
    if (!paused) played += std::chrono::duration<double>(now - last).count();
    last = now;
    if (stopSignalled() || key == 'q' || key == 'Q' || key == CTRL_C || key == ESCAPE) {
      return Next::QUIT;
    }
    if (key == ' ' && p.player->pause(!paused) == JINGLE_OK) paused = !paused;
    if (key == 'n' || key == 'N' || key == '\n' || key == '\r') return Next::FORWARD;
    if (key == 'p' || key == 'P') return Next::BACK;
    if (key == KEY_LEFT || key == KEY_RIGHT) {
      const std::int64_t to = msOf(heard.frame) + (key == KEY_LEFT ? -SEEK_STEP_MS : SEEK_STEP_MS);
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
      if (channel < p.info.channels) {
        p.muted ^= ChannelMask{1} << channel;
        p.player->setChannelMute(channel, (p.muted >> channel & 1u) != 0);
      } else {
        note = "no channel " + std::to_string(channel + 1) + ": the module has " +
               std::to_string(p.info.channels);
      }
    }
    if (options.seconds > 0.0 && played >= options.seconds) return Next::FORWARD;
  }
}

ModuleFacts factsOf(const std::string& path, std::size_t index, std::size_t count,
                    const Playing& p) {
  ModuleFacts facts;
  facts.name = inputName(path);
  facts.index = index;
  facts.count = count;
  facts.title = displayText(p.info.title);
  facts.tracker = displayText(p.info.tracker);
  facts.channels = p.info.channels;
  facts.orders = p.info.orders;
  facts.patterns = p.info.patterns_used;
  facts.instruments = p.info.instruments;
  facts.totalMs = p.endFrames < 0 ? -1 : msOf(p.endFrames);
  return facts;
}

int refuseStart(const std::string& path, const PlayOptions& options, const Playing& p) {
  const std::string end = p.endFrames >= 0
                              ? "the song's end at " + clockText(msOf(p.endFrames))
                              : clockText(msOf(seekLimit(p))) + ", the furthest a start reaches";
  std::fprintf(stderr, "jingle: %s: --start %s is past %s\n", inputName(path).c_str(),
               displayName(options.start).c_str(), end.c_str());
  return EXIT_BAD_INPUT;
}

}  // namespace

int playModule(const std::string& path, std::size_t index, std::size_t count,
               const PlayOptions& options, Next& next, bool& keys) {
  jingle::Module module;
  if (const int code = openModule(path, module); code != EXIT_OK) return code;
  warnOfDamage(path, module);
  Playing p{&module, nullptr, {}, -1, 0};
  module.info(p.info);
  if (const ChannelMask beyond = channelsBeyond(options.listed, p.info.channels)) {
    std::fprintf(stderr, "jingle: %s: %s (ignored)\n", inputName(path).c_str(),
                 channelsBeyondText(beyond, p.info.channels).c_str());
  }
  if (!options.endless) p.endFrames = module.durationFrames(DEFAULT_RATE, options.loops);
  jingle::Player player;
  if ((!options.endless && p.endFrames < 0) ||
      jingle::Player::create(module, DEFAULT_RATE, player) != JINGLE_OK) {
    std::fprintf(stderr, "jingle: %s: cannot start playback\n", inputName(path).c_str());
    return EXIT_OUTPUT_FAILED;
  }
  p.player = &player;
  player.setRounds(options.endless ? JINGLE_ENDLESS : options.loops);
  p.muted = options.muted & ~channelsBeyond(~ChannelMask{0}, p.info.channels);
  muteChannels(player, p.muted, p.info.channels);
  applySoundOptions(player, options.sound);

  SeekTarget seek{false, options.startMs, 0};
  bool first = true;
  next = Next::SEEK;
  while (next == Next::SEEK) {
    if (!seekTo(p, seek)) {
      if (first) return refuseStart(path, options, p);
      next = Next::FORWARD;  // a seek past the end
      break;
    }
    const jingle::Status started = player.play();
    if (started != JINGLE_OK) {
      if (started == JINGLE_NO_DEVICE) {
        std::fprintf(stderr,
                     "jingle: no sound device to play on; 'jingle render %s' writes a WAV file\n",
                     inputName(path).c_str());
        return EXIT_NO_DEVICE;
      }
      std::fprintf(stderr, "jingle: %s: cannot start playback\n", inputName(path).c_str());
      return EXIT_OUTPUT_FAILED;
    }
    if (first && stdoutIsTerminal()) showModuleHeader(factsOf(path, index, count, p));
    first = false;
    next = playUntilDone(p, options, seek, keys);
    player.stop();  // a paused player is stopped too
  }
  if (stdoutIsTerminal() && !first) leaveStatus();
  return EXIT_OK;
}

}  // namespace cli
