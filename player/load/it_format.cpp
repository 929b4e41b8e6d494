#include "player/load/it_format.h"

#include <cstring>

#include "player/load/xm_format.h"

namespace player {
namespace {

constexpr std::uint8_t IT_ENVELOPE_ON = 0x01;
constexpr std::uint8_t IT_ENVELOPE_LOOP = 0x02;
constexpr std::uint8_t IT_ENVELOPE_SUSTAIN = 0x04;
constexpr std::uint8_t IT_ENVELOPE_CARRY = 0x08;
constexpr std::uint8_t IT_ENVELOPE_FILTER = 0x80;
constexpr std::uint8_t OLD_NODE_END = 0xFF;  // tick byte that ends an old envelope's nodes
constexpr std::int32_t KEYBOARD_OFFSET = 0x40;
constexpr std::int32_t ENVELOPES_OFFSET = 0x130;
constexpr std::int32_t ENVELOPE_SIZE = 82;
constexpr std::int32_t OLD_NODES_OFFSET = 0x1F8;
constexpr std::int32_t HISTORY_ENTRY = 8;

std::uint8_t atMost(std::uint8_t value, std::uint8_t most) {
  return value < most ? value : most;
}

// Keeps the loops on nodes the envelope has, the ticks from falling and the values in range.
void boundEnvelope(NodeEnvelope& envelope, std::int8_t lowest, std::int8_t highest) {
  if (envelope.nodeCount > ENVELOPE_NODES) envelope.nodeCount = ENVELOPE_NODES;
  if (envelope.nodeCount == 0) envelope.flags = 0;
  if (envelope.loopStart > envelope.loopEnd || envelope.loopEnd >= envelope.nodeCount) {
    envelope.flags &= static_cast<std::uint8_t>(~ENVELOPE_LOOP);
  }
  if (envelope.sustainStart > envelope.sustainEnd || envelope.sustainEnd >= envelope.nodeCount) {
    envelope.flags &= static_cast<std::uint8_t>(~ENVELOPE_SUSTAIN);
  }
  for (int k = 0; k < ENVELOPE_NODES; ++k) {
    EnvelopeNode& node = envelope.nodes[k];
    if (k > 0 && node.tick < envelope.nodes[k - 1].tick) node.tick = envelope.nodes[k - 1].tick;
    if (node.value < lowest) node.value = lowest;
    if (node.value > highest) node.value = highest;
  }
}

// The model's envelope bits for the file's.
std::uint8_t envelopeFlags(std::uint8_t stored, bool onlyFilterBit) {
  std::uint8_t flags = 0;
  if ((stored & IT_ENVELOPE_ON) != 0) flags |= ENVELOPE_ON;
  if ((stored & IT_ENVELOPE_LOOP) != 0) flags |= ENVELOPE_LOOP;
  if ((stored & IT_ENVELOPE_SUSTAIN) != 0) flags |= ENVELOPE_SUSTAIN;
  if ((stored & IT_ENVELOPE_CARRY) != 0) flags |= ENVELOPE_CARRY;
  if (onlyFilterBit && (stored & IT_ENVELOPE_FILTER) != 0) flags |= ENVELOPE_FILTER;
  return flags;
}

// One envelope of the current instrument format; values range from lowest to 64 or 32.
void readEnvelope(StreamHandle* handle, NodeEnvelope& envelope, bool volume, bool pitch) {
  envelope.flags = envelopeFlags(readU8(handle), pitch);
  envelope.nodeCount = readU8(handle);
  envelope.loopStart = readU8(handle);
  envelope.loopEnd = readU8(handle);
  envelope.sustainStart = readU8(handle);
  envelope.sustainEnd = readU8(handle);
  for (EnvelopeNode& node : envelope.nodes) {
    node.value = static_cast<std::int8_t>(readU8(handle));
    node.tick = readU16(handle);
  }
  if (volume) {
    boundEnvelope(envelope, 0, 64);
  } else {
    boundEnvelope(envelope, -32, 32);
  }
}

void readKeyboard(StreamHandle* handle, Instrument& in) {
  for (int k = 0; k < KEYBOARD_NOTES; ++k) {
    in.keyboardNote[k] = atMost(readU8(handle), KEYBOARD_NOTES - 1);
    in.keyboardSample[k] = readU8(handle);
  }
}

void readOldInstrument(StreamHandle* handle, std::int64_t offset, Instrument& in) {
  seekTo(handle, offset + 0x11);
  const std::uint8_t flags = readU8(handle);
  NodeEnvelope& volume = in.volumeNodes;
  volume.flags = envelopeFlags(flags, false) & (ENVELOPE_ON | ENVELOPE_LOOP | ENVELOPE_SUSTAIN);
  volume.loopStart = readU8(handle);
  volume.loopEnd = readU8(handle);
  volume.sustainStart = readU8(handle);
  volume.sustainEnd = readU8(handle);
  readU16(handle);
  // Fadeout 0..64 on a count of 512: twice as fast as the same number now.
  const std::uint16_t fadeout = readU16(handle);
  in.fadeout = static_cast<std::uint16_t>((fadeout < 511 ? fadeout : 511) * 128);
  in.newNoteAction = atMost(readU8(handle), NNA_NOTE_FADE);
  if (readU8(handle) != 0) {
    in.duplicateCheck = DUPLICATE_NOTE;
    in.duplicateAction = DUPLICATE_CUT;
  }
  in.globalVolume = 128;
  in.pitchPanCentre = 60;  // C-5
  in.filterCutoff = FILTER_UNSET;
  in.filterResonance = FILTER_UNSET;
  seekTo(handle, offset + KEYBOARD_OFFSET);
  readKeyboard(handle, in);
  seekTo(handle, offset + OLD_NODES_OFFSET);
  for (EnvelopeNode& node : volume.nodes) {
    const std::uint8_t tick = readU8(handle);
    const std::uint8_t value = readU8(handle);
    if (tick == OLD_NODE_END) break;
    node.tick = tick;
    node.value = static_cast<std::int8_t>(atMost(value, 64));
    ++volume.nodeCount;
  }
  boundEnvelope(volume, 0, 64);
}

void readNewInstrument(StreamHandle* handle, std::int64_t offset, Instrument& in) {
  seekTo(handle, offset + 0x11);
  in.newNoteAction = atMost(readU8(handle), NNA_NOTE_FADE);
  in.duplicateCheck = atMost(readU8(handle), DUPLICATE_INSTRUMENT);
  in.duplicateAction = atMost(readU8(handle), DUPLICATE_NOTE_FADE);
  // Fadeout 0..128 (later trackers allow more) on a count of 1024.
  const std::uint16_t fadeout = readU16(handle);
  in.fadeout = static_cast<std::uint16_t>((fadeout < 1023 ? fadeout : 1023) * 64);
  const auto separation = static_cast<std::int8_t>(readU8(handle));
  in.pitchPanSeparation = separation < -32 ? -32 : (separation > 32 ? 32 : separation);
  in.pitchPanCentre = atMost(readU8(handle), KEYBOARD_NOTES - 1);
  in.globalVolume = atMost(readU8(handle), 128);
  const std::uint8_t pan = readU8(handle);
  in.usesPanning = (pan & 0x80) == 0 ? 1 : 0;
  in.panning = atMost(pan & 0x7F, 64);
  in.randomVolume = atMost(readU8(handle), 100);
  in.randomPanning = atMost(readU8(handle), 64);
  seekTo(handle, offset + 0x3A);
  const std::uint8_t cutoff = readU8(handle);
  const std::uint8_t resonance = readU8(handle);
  in.filterCutoff = (cutoff & 0x80) != 0 ? cutoff & 0x7F : FILTER_UNSET;
  in.filterResonance = (resonance & 0x80) != 0 ? resonance & 0x7F : FILTER_UNSET;
  seekTo(handle, offset + KEYBOARD_OFFSET);
  readKeyboard(handle, in);
  seekTo(handle, offset + ENVELOPES_OFFSET);
  readEnvelope(handle, in.volumeNodes, true, false);
  seekTo(handle, offset + ENVELOPES_OFFSET + ENVELOPE_SIZE);
  readEnvelope(handle, in.panningNodes, false, false);
  seekTo(handle, offset + ENVELOPES_OFFSET + 2 * ENVELOPE_SIZE);
  readEnvelope(handle, in.pitchNodes, false, true);
}

}  // namespace

bool modplugIt(std::uint16_t trackerVersion, std::uint16_t formatVersion) {
  return trackerVersion == 0x0888 ||
         (formatVersion == 0x0200 && (trackerVersion == 0x0214 || trackerVersion == 0x0217));
}

bool readItSignature(StreamHandle* handle) {
  std::uint8_t bytes[4] = {};
  seek(handle, 0, 0);
  read(bytes, 4, handle);
  return std::memcmp(bytes, "IMPM", 4) == 0;
}

void readItHeader(StreamHandle* handle, ItHeader& header) {
  header = ItHeader{};
  seek(handle, 0x20, 0);
  header.orderCount = readU16(handle);
  header.instrumentCount = readU16(handle);
  header.sampleCount = readU16(handle);
  header.patternCount = readU16(handle);
  header.trackerVersion = readU16(handle);
  header.formatVersion = readU16(handle);
  header.flags = readU16(handle);
  header.special = readU16(handle);
  header.globalVolume = readU8(handle);
  header.mixingVolume = readU8(handle);
  header.speed = readU8(handle);
  header.tempo = readU8(handle);
  header.panSeparation = readU8(handle);
  readU8(handle);  // pitch wheel depth
  header.messageLength = readU16(handle);
  header.messageOffset = readU32(handle);
  readU32(handle);
  read(header.channelPan, SONG_CHANNELS, handle);
  read(header.channelVolume, SONG_CHANNELS, handle);
}

std::int64_t itInstrumentTable(const ItHeader& header) {
  return IT_HEADER_SIZE + static_cast<std::int64_t>(header.orderCount);
}

std::int64_t itSampleTable(const ItHeader& header) {
  return itInstrumentTable(header) + 4 * static_cast<std::int64_t>(header.instrumentCount);
}

std::int64_t itPatternTable(const ItHeader& header) {
  return itSampleTable(header) + 4 * static_cast<std::int64_t>(header.sampleCount);
}

std::int64_t itAfterTables(const ItHeader& header) {
  return itPatternTable(header) + 4 * static_cast<std::int64_t>(header.patternCount);
}

std::uint32_t readItOffset(StreamHandle* handle, std::int64_t table, std::int32_t n) {
  seekTo(handle, table + 4 * static_cast<std::int64_t>(n));
  if (streamAtEnd(handle)) return 0;
  return readU32(handle);
}

std::int64_t itMacroOffset(StreamHandle* handle, const ItHeader& header) {
  if ((header.special & IT_SPECIAL_MACROS) == 0) return -1;
  std::int64_t offset = itAfterTables(header);
  if ((header.special & IT_SPECIAL_HISTORY) != 0) {
    seekTo(handle, offset);
    offset += 2 + HISTORY_ENTRY * static_cast<std::int64_t>(readU16(handle));
  }
  return offset;
}

void readItInstrument(StreamHandle* handle, std::int64_t offset, bool oldFormat, Instrument& in) {
  if (oldFormat) {
    readOldInstrument(handle, offset, in);
  } else {
    readNewInstrument(handle, offset, in);
  }
}

void readItSampleHeader(StreamHandle* handle, std::int64_t offset, ItSampleHeader& header) {
  header = ItSampleHeader{};
  seekTo(handle, offset + 0x11);
  header.globalVolume = readU8(handle);
  header.flags = readU8(handle);
  header.volume = readU8(handle);
  seekTo(handle, offset + 0x2E);
  header.convert = readU8(handle);
  header.panning = readU8(handle);
  header.length = readU32(handle);
  header.loopStart = readU32(handle);
  header.loopEnd = readU32(handle);
  header.c5Speed = readU32(handle);
  header.sustainStart = readU32(handle);
  header.sustainEnd = readU32(handle);
  header.dataOffset = readU32(handle);
  header.vibratoSpeed = readU8(handle);
  header.vibratoDepth = readU8(handle);
  header.vibratoRate = readU8(handle);
  header.vibratoType = readU8(handle);
}

void takeItSampleHeader(const ItSampleHeader& header, Sample& sample) {
  sample.length = (header.flags & IT_SAMPLE_DATA) != 0 ? header.length : 0;
  sample.volume = atMost(header.volume, 64);
  sample.globalVolume = atMost(header.globalVolume, 64);
  sample.usesPanning = (header.panning & 0x80) != 0 ? 1 : 0;
  sample.panning = atMost(header.panning & 0x7F, 64);
  sample.c5Speed =
      header.c5Speed == 0 ? 8363 : (header.c5Speed > 9999999 ? 9999999 : header.c5Speed);
  sample.bits = 16;
  sample.loopMode = LOOP_OFF;
  if ((header.flags & IT_SAMPLE_LOOP) != 0) {
    sample.loopMode = (header.flags & IT_SAMPLE_PINGPONG) != 0 ? LOOP_PINGPONG : LOOP_FORWARD;
    sample.loopStart = header.loopStart;
    sample.loopLength = header.loopEnd - header.loopStart;
    if (header.loopEnd <= header.loopStart) sample.loopMode = LOOP_OFF;
  }
  sample.sustainMode = LOOP_OFF;
  if ((header.flags & IT_SAMPLE_SUSTAIN) != 0 && header.sustainEnd > header.sustainStart) {
    sample.sustainMode =
        (header.flags & IT_SAMPLE_SUSTAIN_PINGPONG) != 0 ? LOOP_PINGPONG : LOOP_FORWARD;
    sample.sustainStart = header.sustainStart;
    sample.sustainLength = header.sustainEnd - header.sustainStart;
  }
  sample.vibratoSpeed = atMost(header.vibratoSpeed, 64);
  sample.vibratoDepth = atMost(header.vibratoDepth, 64);
  sample.vibratoRate = atMost(header.vibratoRate, 64);
  sample.vibratoType = atMost(header.vibratoType, 3);
}

std::int32_t itPatternRows(StreamHandle* handle, std::uint32_t offset) {
  if (offset == 0) return IT_EMPTY_PATTERN_ROWS;
  seekTo(handle, static_cast<std::int64_t>(offset) + 2);
  const std::uint16_t rows = readU16(handle);
  if (rows == 0) return IT_EMPTY_PATTERN_ROWS;
  return rows < IT_MAX_ROWS ? rows : IT_MAX_ROWS;
}

void unpackItPattern(StreamHandle* handle, std::uint32_t offset, ItCell* cells,
                     std::int32_t& highestChannel) {
  if (offset == 0) return;
  seekTo(handle, offset);
  const std::uint16_t packedBytes = readU16(handle);
  const std::int32_t rows = itPatternRows(handle, offset);
  seekTo(handle, static_cast<std::int64_t>(offset) + 8);
  const std::int64_t end = static_cast<std::int64_t>(handle->position) + packedBytes;
  // What each channel's last mask and values were: a mask can ask for them again.
  std::uint8_t lastMask[SONG_CHANNELS] = {};
  ItCell last[SONG_CHANNELS] = {};
  std::int32_t row = 0;
  while (row < rows && handle->position < end && !streamAtEnd(handle)) {
    const std::uint8_t marker = readU8(handle);
    if (marker == 0) {
      ++row;
      continue;
    }
    const std::int32_t channel = (marker - 1) & (SONG_CHANNELS - 1);
    if ((marker & 0x80) != 0) lastMask[channel] = readU8(handle);
    const std::uint8_t mask = lastMask[channel];
    ItCell& memory = last[channel];
    ItCell cell{};
    if ((mask & 0x01) != 0) memory.note = readU8(handle);
    if ((mask & 0x02) != 0) memory.instrument = readU8(handle);
    if ((mask & 0x04) != 0) memory.volume = readU8(handle);
    if ((mask & 0x08) != 0) {
      memory.effect = readU8(handle);
      memory.param = readU8(handle);
    }
    if ((mask & 0x11) != 0) {
      cell.fields |= IT_CELL_NOTE;
      cell.note = memory.note;
    }
    if ((mask & 0x22) != 0) {
      cell.fields |= IT_CELL_INSTRUMENT;
      cell.instrument = memory.instrument;
    }
    if ((mask & 0x44) != 0) {
      cell.fields |= IT_CELL_VOLUME;
      cell.volume = memory.volume;
    }
    if ((mask & 0x88) != 0) {
      cell.fields |= IT_CELL_EFFECT;
      cell.effect = memory.effect;
      cell.param = memory.param;
    }
    if (cell.fields == 0) continue;
    if (channel > highestChannel) highestChannel = channel;
    if (cells != nullptr) cells[row * SONG_CHANNELS + channel] = cell;
  }
}

}  // namespace player
