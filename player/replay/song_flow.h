// The song's flow: where each row sends the song next and how many ticks and frames it lasts.
// Jumps, breaks, pattern loops, pattern delays, speed and tempo are decoded here and only here,
// for every format, by the rules the song carries (effects.h). The tick driver plays a row's
// flow through it, and the end search (song_end.h) runs the same steps without playing, so that
// durations, the end and seeking agree with what is heard.
#pragma once

#include <cstdint>

#include "player/load/song.h"
#include "player/replay/channel.h"

namespace player {

// What the flow keeps from row to row for every channel: the row its pattern loop goes back to
// and the repetitions left (0: no loop running on it), and its last T parameter
// (RULE_TEMPO_MEMORY; 0: none).
struct FlowMemory {
  std::int32_t loopRow[SONG_CHANNELS];
  std::uint8_t loopCount[SONG_CHANNELS];
  std::uint8_t tempoParam[SONG_CHANNELS];
};

// The flow effects of one row, read from its cells in channel order. Jumps, breaks, speeds and
// delays depend on that order but come down to a few values; the pattern loops are kept per
// channel, to be applied to every channel at once.
struct RowFlow {
  std::int32_t nextRow;     // the row the last break or jump names; -1: none
  std::int32_t jumpOrder;   // the order position of the last jump; -1: none (a break: the next)
  std::int32_t speed;       // the last speed set; -1: none
  std::int32_t tempo;       // the last tempo set; 0: none
  std::int32_t delayTimes;  // the last pattern delay's count; -1: none
  std::int32_t delaySpeed;  // the speed set before that delay in the row; -1: none before it
  std::int32_t fineDelay;   // ticks the row lasts longer (RULE_FINE_PATTERN_DELAY)
  std::int32_t tempoSlide;  // tempo change per tick after the first (RULE_TEMPO_SLIDES)
  bool loopCounts;          // some channel counts a loop (loopTimes)
  bool loopStarts;          // some channel marks its loop start (loopStart)
  std::uint8_t loopTimes[SONG_CHANNELS];  // a loop's repetitions, 0 for none
  std::uint8_t loopStart[SONG_CHANNELS];  // 1: the row is the channel's loop start
  // RULE_TEMPO_MEMORY: bit c set for a channel with a T effect, whose parameter is
  // tempoParam[c]; the tempo and slide above then come from these and the memories.
  std::uint64_t tempoChannels;
  std::uint8_t tempoParam[SONG_CHANNELS];
};

// True for a cell whose effect is one of the flow's (some parameters of it may do nothing).
bool flowEffect(const PatternCell& cell);

// The flow effects of the row whose `channels` cells start at cells (the first SONG_CHANNELS).
void decodeRowFlow(const Song* song, const PatternCell* cells, std::int32_t channels,
                   RowFlow& flow);

// Where the song stands as a row tick plays, and what the row leaves.
struct FlowStep {
  std::int32_t order, row;  // the row being played
  std::int32_t nextOrder;   // the order position after the row; -1: the same
  std::int32_t nextRow;     // the row after it (always set)
  std::int32_t speed;       // ticks per row from this row on
  std::int32_t tempo;       // from this row on
  std::int32_t delayTicks;  // ticks the row lasts beyond speed
  std::int32_t tempoSlide;  // tempo change per tick after the row's first; 0: none
};

// Plays the flow of the row at step.order, step.row, whose pattern has `rows` rows: its decoded
// effects (null for a row without any) change the memory and step's speed and tempo, and set
// where the song goes next: a break or jump, else a loop going back, else the next row, the
// next order position at the pattern's end, the restart position after the last.
void stepRow(const Song* song, std::int32_t rows, const RowFlow* effects, FlowMemory& memory,
             FlowStep& step);

// The ticks the row of step lasts: its speed and delay, at least one.
std::int32_t rowTicks(const FlowStep& step);

// True while some channel has a pattern loop running.
bool loopRunning(const FlowMemory& memory);

// The frames one tick lasts at tempo and rate by the song's rules.
std::int32_t tickFrames(const Song* song, std::int32_t tempo, std::int32_t rate);

// tempo moved by a tempo slide's step, within 32..255.
std::int32_t slidTempo(std::int32_t tempo, std::int32_t slide);

// The tempo after the row of step: its tempo moved by the slide on every tick but the first.
std::int32_t tempoAfterRow(const FlowStep& step);

// The frames the row of step lasts at rate, tempoBefore being the tempo in force as it began.
std::int64_t rowFrames(const Song* song, const FlowStep& step, std::int32_t tempoBefore,
                       std::int32_t rate);

}  // namespace player
