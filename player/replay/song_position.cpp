#include "player/replay/song_position.h"

#include <cstddef>

namespace player {

namespace {

const Pattern* patternAt(const Song* song, std::int32_t orderPosition) {
  if (song->patterns == nullptr || orderPosition < 0 || orderPosition >= ORDER_TABLE_SIZE) {
    return nullptr;
  }
  const std::int32_t number = song->orderTable[orderPosition];
  if (number >= song->patternSlotCount) return nullptr;
  const Pattern* pattern = &song->patterns[number];
  if (pattern->cells == nullptr || pattern->rows <= 0) return nullptr;
  return pattern;
}

}  // namespace

std::int32_t patternRowsAt(const Song* song, std::int32_t orderPosition) {
  const Pattern* pattern = patternAt(song, orderPosition);
  return pattern == nullptr ? 0 : pattern->rows;
}

const PatternCell* rowCellsAt(const Song* song, std::int32_t orderPosition, std::int32_t row) {
  if (song->channelCount <= 0) return nullptr;
  const Pattern* pattern = patternAt(song, orderPosition);
  if (pattern == nullptr || row < 0 || row >= pattern->rows) return nullptr;
  const auto channels = static_cast<std::size_t>(song->channelCount);
  return pattern->cells + static_cast<std::size_t>(row) * channels;
}

const PatternCell* currentRowCells(const Song* song) {
  return rowCellsAt(song, song->orderPosition, song->row);
}

ChannelSound resolveSound(const Song* song, const Channel* channel) {
  if (channel->instrument >= song->instrumentCount || song->instruments == nullptr) {
    return {&EmptyInstrument, &EmptySample};
  }
  const Instrument* instrument = &song->instruments[channel->instrument];
  if (channel->note >= SAMPLE_MAP_NOTES) return {instrument, &EmptySample};
  const std::uint8_t slot = instrument->sampleMap[channel->note];
  if (slot >= INSTRUMENT_SAMPLE_SLOTS || instrument->samples[slot] == nullptr) {
    return {instrument, &EmptySample};
  }
  return {instrument, instrument->samples[slot]};
}

}  // namespace player
