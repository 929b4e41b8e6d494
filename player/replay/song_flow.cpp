#include "player/replay/song_flow.h"

#include <cstring>

#include "player/audio_output.h"
#include "player/load/effects.h"
#include "player/numeric.h"
#include "player/replay/letter_effects.h"

namespace player {
namespace {

// The ticks a second has per tempo unit: 2 / 5 (a tempo of 125 is 50 ticks a second).
constexpr std::int64_t TICKS_PER_TEMPO_SECOND_NUMERATOR = 2;
constexpr std::int64_t TICKS_PER_TEMPO_SECOND_DENOMINATOR = 5;

void loopEffect(RowFlow& flow, std::int32_t channel, std::uint8_t times) {
  flow.loopTimes[channel] = times;
  flow.loopStart[channel] = times == 0 ? 1 : 0;
  flow.loopCounts = flow.loopCounts || times != 0;
  flow.loopStarts = flow.loopStarts || times == 0;
}

void delayEffect(const Song* song, RowFlow& flow, std::uint8_t times) {
  if ((song->rules & RULE_FIRST_ROW_REPEAT) != 0 && flow.delayTimes >= 0) return;
  flow.delayTimes = times;
  flow.delaySpeed = flow.speed;
}

// What a T parameter does to the row: sets its tempo, or adds to its slide.
void tempoEffect(const Song* song, RowFlow& flow, std::uint8_t param) {
  const std::uint8_t x = param >> 4;
  const std::uint8_t y = param & 0x0F;
  if (param >= tempoFloor(song)) {
    flow.tempo = param;
  } else if ((song->rules & RULE_TEMPO_SLIDES) != 0 && x <= 1) {
    flow.tempoSlide += x == 1 ? y : -y;
  }
}

// RULE_TEMPO_MEMORY: the row's tempo and slide from its T effects in channel order, T00 taking
// its channel's last parameter, which the others replace.
void recallTempo(const Song* song, RowFlow& flow, FlowMemory& memory) {
  flow.tempo = 0;
  flow.tempoSlide = 0;
  for (std::int32_t c = 0; c < SONG_CHANNELS; ++c) {
    if ((flow.tempoChannels >> c & 1u) == 0) continue;
    std::uint8_t param = flow.tempoParam[c];
    if (param == 0) {
      param = memory.tempoParam[c];
    } else {
      memory.tempoParam[c] = param;
    }
    if (param != 0) tempoEffect(song, flow, param);
  }
}

}  // namespace

bool flowEffect(const PatternCell& cell) {
  switch (cell.effect) {
    case EFFECT_POSITION_JUMP:
    case EFFECT_PATTERN_BREAK:
    case EFFECT_SPEED_TEMPO:
    case EFFECT_SET_SPEED:
    case EFFECT_SET_TEMPO:
    case EFFECT_BREAK_TO_ROW:
      return true;
    case EFFECT_EXTENDED:
      return cell.param >> 4 == EXTENDED_PATTERN_LOOP || cell.param >> 4 == EXTENDED_PATTERN_DELAY;
    case EFFECT_SPECIAL:
      return cell.param >> 4 == SPECIAL_PATTERN_LOOP || cell.param >> 4 == SPECIAL_PATTERN_DELAY ||
             cell.param >> 4 == SPECIAL_FINE_PATTERN_DELAY;
    default:
      return false;
  }
}

void decodeRowFlow(const Song* song, const PatternCell* cells, std::int32_t channels,
                   RowFlow& flow) {
  std::memset(&flow, 0, sizeof flow);
  flow.nextRow = flow.jumpOrder = flow.speed = flow.delayTimes = flow.delaySpeed = -1;
  if (channels > SONG_CHANNELS) channels = SONG_CHANNELS;
  bool broken = false;  // a break came before in the row
  for (std::int32_t c = 0; c < channels; ++c) {
    const std::uint8_t param = cells[c].param;
    const std::uint8_t x = param >> 4;
    const std::uint8_t y = param & 0x0F;
    switch (cells[c].effect) {
      case EFFECT_POSITION_JUMP:
        if (!broken || (song->rules & RULE_JUMP_KEEPS_BREAK_ROW) == 0) flow.nextRow = 0;
        flow.jumpOrder = param < song->songLength ? param : 0;
        break;
      case EFFECT_PATTERN_BREAK: {
        const std::int32_t row = x * 10 + y;
        flow.nextRow = row > 63 ? 0 : row;
        broken = true;
        break;
      }
      case EFFECT_BREAK_TO_ROW:
        flow.nextRow = param;
        broken = true;
        break;
      case EFFECT_SPEED_TEMPO:
        if (param < 32) {
          flow.speed = param;
        } else {
          flow.tempo = param;
        }
        break;
      case EFFECT_SET_SPEED:
        if (param != 0) flow.speed = param;
        break;
      case EFFECT_SET_TEMPO:
        tempoEffect(song, flow, param);
        if ((song->rules & RULE_TEMPO_MEMORY) != 0) {
          flow.tempoChannels |= std::uint64_t{1} << c;
          flow.tempoParam[c] = param;
        }
        break;
      case EFFECT_EXTENDED:
        if (x == EXTENDED_PATTERN_LOOP) loopEffect(flow, c, y);
        if (x == EXTENDED_PATTERN_DELAY) delayEffect(song, flow, y);
        break;
      case EFFECT_SPECIAL:
        if (x == SPECIAL_PATTERN_LOOP) loopEffect(flow, c, y);
        if (x == SPECIAL_PATTERN_DELAY) delayEffect(song, flow, y);
        if (x == SPECIAL_FINE_PATTERN_DELAY && (song->rules & RULE_FINE_PATTERN_DELAY) != 0) {
          flow.fineDelay += y;
        }
        break;
      default:
        break;
    }
  }
}

void stepRow(const Song* song, std::int32_t rows, const RowFlow* effects, FlowMemory& memory,
             FlowStep& step) {
  step.nextOrder = -1;
  step.nextRow = -1;
  step.delayTicks = 0;
  step.tempoSlide = 0;
  std::int32_t loopBack = -1;
  RowFlow recalled;
  if (effects != nullptr && effects->tempoChannels != 0) {
    recalled = *effects;
    recallTempo(song, recalled, memory);
    effects = &recalled;
  }
  if (effects != nullptr) {
    const RowFlow& flow = *effects;
    if (flow.nextRow >= 0) {
      step.nextRow = flow.nextRow;
      step.nextOrder = flow.jumpOrder >= 0 ? flow.jumpOrder : step.order + 1;
      if (step.nextOrder >= song->songLength) step.nextOrder = 0;
    }
    const std::int32_t speedBefore = step.speed;
    if (flow.speed >= 0) step.speed = flow.speed;
    if (flow.tempo > 0) step.tempo = flow.tempo;
    if (flow.delayTimes >= 0) {
      // A delay counted in rows lasts whole rows of the speed the row leaves; FastTracker 2
      // counts it in the speed in force where the delay stands among the channels.
      const bool rowSpeed = (song->rules & RULE_ROW_REPEAT_DELAY) != 0;
      const std::int32_t speed = rowSpeed               ? step.speed
                                 : flow.delaySpeed >= 0 ? flow.delaySpeed
                                                        : speedBefore;
      step.delayTicks = wrapMul(flow.delayTimes, speed);
      // Every time the row plays again its fine delay comes again.
      if ((song->rules & RULE_FINE_PATTERN_DELAY) != 0)
        step.delayTicks = wrapAdd(step.delayTicks, wrapMul(flow.delayTimes, flow.fineDelay));
    }
    step.delayTicks = wrapAdd(step.delayTicks, flow.fineDelay);
    step.tempoSlide = flow.tempoSlide;
    // Whole-record passes without branches, which the compiler turns into vector operations.
    if (flow.loopStarts) {
      for (std::int32_t c = 0; c < SONG_CHANNELS; ++c)
        memory.loopRow[c] = flow.loopStart[c] != 0 ? step.row : memory.loopRow[c];
    }
    if (flow.loopCounts) {
      for (std::int32_t c = 0; c < SONG_CHANNELS; ++c) {
        const std::uint8_t times = flow.loopTimes[c];
        const std::uint8_t count = memory.loopCount[c];
        memory.loopCount[c] =
            times == 0 ? count : (count == 0 ? times : static_cast<std::uint8_t>(count - 1));
      }
      // The last channel that goes back wins.
      for (std::int32_t c = SONG_CHANNELS - 1; c >= 0 && loopBack < 0; --c) {
        if (flow.loopTimes[c] != 0 && memory.loopCount[c] != 0) loopBack = memory.loopRow[c];
      }
    }
  }
  if (step.nextRow >= 0) return;
  if (loopBack >= 0) {
    step.nextRow = loopBack;
    return;
  }
  step.nextRow = step.row + 1;
  if (step.nextRow >= rows) {
    step.nextOrder = step.order + 1;
    if (step.nextOrder >= song->songLength) {
      // The loader keeps the restart position inside the song; 0 stands in for any other value.
      const bool valid = song->restartPosition >= 0 && song->restartPosition < song->songLength;
      step.nextOrder = valid ? song->restartPosition : 0;
    }
    step.nextRow = 0;
  }
}

std::int32_t rowTicks(const FlowStep& step) {
  const std::int32_t ticks = wrapAdd(step.speed, step.delayTicks);
  return ticks > 1 ? ticks : 1;
}

bool loopRunning(const FlowMemory& memory) {
  std::uint64_t words[SONG_CHANNELS / 8];
  std::memcpy(words, memory.loopCount, sizeof words);
  std::uint64_t any = 0;
  for (const std::uint64_t word : words)
    any |= word;
  return any != 0;
}

std::int32_t tickFrames(const Song* song, std::int32_t tempo, std::int32_t rate) {
  if ((song->rules & RULE_WHOLE_FRAME_TICKS) == 0) return framesPerTick(tempo, rate);
  if (tempo < 1) tempo = 1;
  const std::int64_t frames = std::int64_t{rate} * TICKS_PER_TEMPO_SECOND_DENOMINATOR /
                              (std::int64_t{tempo} * TICKS_PER_TEMPO_SECOND_NUMERATOR);
  return frames > 1 ? static_cast<std::int32_t>(frames) : 1;
}

std::int32_t slidTempo(std::int32_t tempo, std::int32_t slide) {
  const std::int32_t moved = tempo + slide;
  return moved < 32 ? 32 : (moved > 255 ? 255 : moved);
}

std::int32_t tempoAfterRow(const FlowStep& step) {
  if (step.tempoSlide == 0) return step.tempo;
  std::int32_t tempo = step.tempo;
  for (std::int32_t tick = 1; tick < rowTicks(step); ++tick)
    tempo = slidTempo(tempo, step.tempoSlide);
  return tempo;
}

std::int64_t rowFrames(const Song* song, const FlowStep& step, std::int32_t tempoBefore,
                       std::int32_t rate) {
  const std::int64_t ticks = rowTicks(step);
  if (step.tempoSlide != 0) {
    std::int32_t tempo = step.tempo;
    std::int64_t frames = tickFrames(song, tempo, rate);
    for (std::int64_t tick = 1; tick < ticks; ++tick) {
      tempo = slidTempo(tempo, step.tempoSlide);
      frames += tickFrames(song, tempo, rate);
    }
    return frames;
  }
  const std::int64_t frames = tickFrames(song, step.tempo, rate);
  if ((song->rules & RULE_TEMPO_AT_NEXT_TICK) == 0 || tempoBefore == step.tempo) {
    return ticks * frames;
  }
  return tickFrames(song, tempoBefore, rate) + (ticks - 1) * frames;
}

}  // namespace player
