#include "player/load/xm_format.h"

#include <cstring>

#include "player/load/effects.h"
#include "player/replay/channel.h"

namespace player {

std::uint8_t readU8(StreamHandle* handle) {
  std::uint8_t value = 0;
  read(&value, 1, handle);
  return value;
}

std::uint16_t readU16(StreamHandle* handle) {
  std::uint8_t bytes[2] = {};
  read(bytes, 2, handle);
  return static_cast<std::uint16_t>(bytes[0] | bytes[1] << 8);
}

std::uint32_t readU32(StreamHandle* handle) {
  std::uint8_t bytes[4] = {};
  read(bytes, 4, handle);
  return static_cast<std::uint32_t>(bytes[0]) | static_cast<std::uint32_t>(bytes[1]) << 8 |
         static_cast<std::uint32_t>(bytes[2]) << 16 | static_cast<std::uint32_t>(bytes[3]) << 24;
}

void seekTo(StreamHandle* handle, std::int64_t offset) {
  if (handle == nullptr) return;
  if (offset > handle->length) offset = handle->length;
  if (offset < 0) offset = 0;
  seek(handle, static_cast<std::int32_t>(offset), 0);
}

bool streamAtEnd(const StreamHandle* handle) {
  return handle == nullptr || handle->position >= handle->length;
}

bool readSignature(StreamHandle* handle) {
  static const char signature[] = "Extended Module: ";
  static_assert(sizeof(signature) == XM_SIGNATURE_LENGTH + 1);
  std::uint8_t bytes[XM_SIGNATURE_LENGTH] = {};
  seek(handle, 0, 0);
  read(bytes, XM_SIGNATURE_LENGTH, handle);
  return std::memcmp(bytes, signature, XM_SIGNATURE_LENGTH) == 0;
}

void readXmHeader(StreamHandle* handle, XmHeader& header) {
  header = XmHeader{};
  seek(handle, XM_HEADER_OFFSET, 0);
  header.headerSize = readU32(handle);
  header.songLength = readU16(handle);
  header.restartPosition = readU16(handle);
  header.channelCount = readU16(handle);
  header.patternCount = readU16(handle);
  header.instrumentCount = readU16(handle);
  header.flags = readU16(handle);
  header.defaultSpeed = readU16(handle);
  header.defaultBpm = readU16(handle);
  read(header.orderTable, ORDER_TABLE_SIZE, handle);
}

std::int32_t headerChannels(const XmHeader& header) {
  return static_cast<std::int16_t>(header.channelCount);
}

bool headerHasTooManyChannels(const XmHeader& header) {
  return headerChannels(header) > MAX_CHANNELS;
}

bool headerHasTooManyPatterns(const XmHeader& header) {
  return header.patternCount > MAX_HEADER_PATTERNS;
}

std::int32_t headerSongLength(const XmHeader& header) {
  const std::int32_t length = static_cast<std::int16_t>(header.songLength);
  return length > MAX_SONG_LENGTH ? MAX_SONG_LENGTH : length;
}

std::int32_t headerUsedPatterns(const XmHeader& header) {
  std::int32_t used = 0;
  for (std::int32_t i = 0; i < headerSongLength(header); ++i) {
    if (header.orderTable[i] >= used) used = header.orderTable[i] + 1;
  }
  return used;
}

std::uint64_t patternCells(std::int32_t channels, std::uint32_t rows) {
  return static_cast<std::uint64_t>(channels > 0 ? channels : 0) * rows;
}

PatternHeader readPatternHeader(StreamHandle* handle) {
  PatternHeader header{};
  readU32(handle);  // header length: always taken as 9
  readU8(handle);   // packing type
  header.rows = readU16(handle);
  header.packedSize = readU16(handle);
  return header;
}

void readPatternCell(StreamHandle* handle, PatternCell& cell) {
  const std::uint8_t flag = readU8(handle);
  if ((flag & 0x80) != 0) {
    if ((flag & 0x01) != 0) cell.note = readU8(handle);
    if ((flag & 0x02) != 0) cell.instrument = readU8(handle);
    if ((flag & 0x04) != 0) cell.volumeColumn = readU8(handle);
    if ((flag & 0x08) != 0) cell.effect = readU8(handle);
    if ((flag & 0x10) != 0) cell.param = readU8(handle);
  } else {
    cell.note = flag;
    cell.instrument = readU8(handle);
    cell.volumeColumn = readU8(handle);
    cell.effect = readU8(handle);
    cell.param = readU8(handle);
  }
  if (cell.note == FILE_KEY_OFF) cell.note = KEY_OFF;
  if (cell.instrument > MAX_INSTRUMENT_NUMBER) cell.instrument = 0;
  // Numbers beyond XM's letters mean nothing in XM; the player's own start there.
  if (cell.effect >= XM_EFFECT_COUNT) cell.effect = EFFECT_NONE;
}

void readPatternCells(StreamHandle* handle, PatternCell* cells, std::uint64_t count) {
  for (std::uint64_t k = 0; k < count && !streamAtEnd(handle); ++k)
    readPatternCell(handle, cells[k]);
}

InstrumentStart readInstrumentStart(StreamHandle* handle) {
  InstrumentStart instrument{};
  instrument.start = handle != nullptr ? handle->position : 0;
  instrument.headerSize = readU32(handle);
  seek(handle, 23, 1);  // name and type
  instrument.sampleCount = readU16(handle);
  return instrument;
}

void seekPastInstrumentHeader(StreamHandle* handle, const InstrumentStart& instrument) {
  seekTo(handle, static_cast<std::int64_t>(instrument.start) + instrument.headerSize);
}

bool readSampleHeader(StreamHandle* handle, Sample& sample) {
  sample.length = readU32(handle);
  sample.loopStart = readU32(handle);
  sample.loopLength = readU32(handle);
  sample.volume = readU8(handle);
  sample.finetune = static_cast<std::int8_t>(readU8(handle));
  sample.loopMode = LOOP_OFF;
  sample.bits = 8;
  const std::uint8_t type = readU8(handle);
  if ((type & 0x01) != 0) sample.loopMode = LOOP_FORWARD;
  if ((type & 0x02) != 0) sample.loopMode = LOOP_PINGPONG;  // so type 3 is ping-pong
  if ((type & 0x10) != 0) sample.bits = 16;
  if (sample.loopMode == LOOP_OFF) {
    sample.loopStart = 0;
    sample.loopLength = sample.length;
  }
  bool oddByte = false;
  if (sample.bits == 16) {
    oddByte = (sample.length & 1) != 0;
    sample.length >>= 1;
    sample.loopStart >>= 1;
    sample.loopLength >>= 1;
  }
  if (sample.loopLength == 0) {
    sample.loopStart = 0;
    sample.loopLength = sample.length;
    sample.loopMode = LOOP_OFF;
  }
  sample.panning = readU8(handle);
  sample.relativeNote = static_cast<std::int8_t>(readU8(handle));
  seek(handle, 23, 1);  // reserved byte and name
  return oddByte;
}

void fitSampleToStream(const StreamHandle* handle, Sample& sample) {
  const auto bytesLeft =
      handle == nullptr ? 0u : static_cast<std::uint32_t>(handle->length - handle->position);
  const std::uint32_t valuesLeft = sample.bits == 16 ? bytesLeft / 2 : bytesLeft;
  if (sample.length > valuesLeft) sample.length = valuesLeft;
  if (sample.loopStart >= sample.length) {
    sample.loopMode = LOOP_OFF;
    sample.loopStart = 0;
    sample.loopLength = sample.length;
  } else if (static_cast<std::uint64_t>(sample.loopStart) + sample.loopLength > sample.length) {
    sample.loopLength = sample.length - sample.loopStart;
  }
}

std::uint32_t sampleFileBytes(const Sample& sample) {
  return sample.bits == 16 ? sample.length * 2 : sample.length;
}

}  // namespace player
