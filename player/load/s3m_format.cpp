#include "player/load/s3m_format.h"

#include <cstdio>
#include <cstring>

#include "player/load/effects.h"
#include "player/load/letter_effects.h"
#include "player/load/xm_format.h"

namespace player {
namespace {

constexpr std::int32_t COUNTS_OFFSET = 0x20;
constexpr std::int32_t FLAGS_OFFSET = 0x26;
constexpr std::int32_t GLOBAL_VOLUME_OFFSET = 0x30;
constexpr std::int32_t ORDERS_OFFSET = 0x60;
constexpr std::uint8_t PANNING_STORED = 252;
constexpr std::uint8_t CHANNEL_DISABLED = 0x80;
constexpr std::uint8_t LAST_SAMPLE_CHANNEL = 15;  // 0-7 left, 8-15 right, 16-31 AdLib
constexpr std::uint8_t NOTE_EMPTY = 255;
constexpr std::uint8_t NOTE_OFF = 254;
constexpr std::uint8_t ROW_END = 0;
constexpr std::uint8_t HAS_NOTE = 0x20;
constexpr std::uint8_t HAS_VOLUME = 0x40;
constexpr std::uint8_t HAS_EFFECT = 0x80;

std::uint32_t paragraphs(std::uint16_t pointer) {
  return std::uint32_t{pointer} * 16;
}

std::uint8_t noteOf(std::uint8_t stored) {
  if (stored == NOTE_EMPTY) return 0;
  if (stored == NOTE_OFF) return KEY_OFF;
  const std::int32_t octave = stored >> 4;
  const std::int32_t semitone = stored & 0x0F;
  if (semitone > 11 || octave > 7) return 0;
  return static_cast<std::uint8_t>(octave * 12 + semitone + 1);
}

}  // namespace

bool isS3m(const std::uint8_t* bytes, std::uint64_t count) {
  return count >= S3M_SIGNATURE_OFFSET + 4 &&
         std::memcmp(bytes + S3M_SIGNATURE_OFFSET, "SCRM", 4) == 0;
}

void readS3mHeader(StreamHandle* handle, S3mHeader& header) {
  header = S3mHeader{};
  seek(handle, COUNTS_OFFSET, 0);
  header.orderCount = readU16(handle);
  header.instrumentCount = readU16(handle);
  header.patternCount = readU16(handle);
  seek(handle, FLAGS_OFFSET, 0);
  header.flags = readU16(handle);
  header.trackerVersion = readU16(handle);
  header.sampleFormat = readU16(handle);
  seek(handle, GLOBAL_VOLUME_OFFSET, 0);
  header.globalVolume = readU8(handle);
  header.speed = readU8(handle);
  header.tempo = readU8(handle);
  header.masterVolume = readU8(handle);
  header.ultraClick = readU8(handle);
  header.panningStored = readU8(handle);
  seek(handle, 8, 1);
  header.special = readU16(handle);
  read(header.channelSettings, S3M_CHANNELS, handle);

  read(header.orders, header.orderCount < 256 ? header.orderCount : 256, handle);
  seekTo(handle, ORDERS_OFFSET + std::int64_t{header.orderCount});
  header.instruments =
      header.instrumentCount < S3M_MAX_INSTRUMENTS ? header.instrumentCount : S3M_MAX_INSTRUMENTS;
  for (std::int32_t i = 0; i < header.instruments; ++i)
    header.instrumentOffsets[i] = paragraphs(readU16(handle));
  seekTo(handle, ORDERS_OFFSET + std::int64_t{header.orderCount} + 2 * header.instrumentCount);
  header.patterns = header.patternCount < S3M_MAX_PATTERNS ? header.patternCount : S3M_MAX_PATTERNS;
  for (std::int32_t p = 0; p < header.patterns; ++p)
    header.patternOffsets[p] = paragraphs(readU16(handle));
  if (header.panningStored == PANNING_STORED) {
    seekTo(handle, ORDERS_OFFSET + std::int64_t{header.orderCount} +
                       2 * (std::int64_t{header.instrumentCount} + header.patternCount));
    read(header.channelPanning, S3M_CHANNELS, handle);
  }
}

std::int32_t s3mSongChannels(const S3mHeader& header, std::int32_t songChannel[S3M_CHANNELS]) {
  std::int32_t channels = 0;
  for (std::int32_t c = 0; c < S3M_CHANNELS; ++c) {
    const std::uint8_t setting = header.channelSettings[c];
    const bool plays = (setting & CHANNEL_DISABLED) == 0 && setting <= LAST_SAMPLE_CHANNEL;
    songChannel[c] = plays ? channels++ : -1;
  }
  return channels;
}

void readS3mInstrument(StreamHandle* handle, std::uint32_t offset, S3mInstrument& instrument) {
  instrument = S3mInstrument{};
  seekTo(handle, offset);
  instrument.type = readU8(handle);
  seek(handle, 12, 1);  // the DOS file name
  const std::uint32_t high = readU8(handle);
  const std::uint32_t low = readU16(handle);
  instrument.dataOffset = (high << 16 | low) * 16;
  instrument.length = readU32(handle);
  instrument.loopStart = readU32(handle);
  instrument.loopEnd = readU32(handle);
  instrument.volume = readU8(handle);
  readU8(handle);
  instrument.pack = readU8(handle);
  instrument.flags = readU8(handle);
  instrument.c2spd = readU32(handle);
}

void readS3mPattern(StreamHandle* handle, std::uint32_t offset,
                    const std::int32_t songChannel[S3M_CHANNELS], std::int32_t channels,
                    PatternCell* cells) {
  if (offset == 0 || cells == nullptr) return;
  seekTo(handle, std::int64_t{offset} + 2);  // behind the packed length, which is not needed
  for (std::int32_t row = 0; row < S3M_ROWS && !streamAtEnd(handle);) {
    const std::uint8_t what = readU8(handle);
    if (what == ROW_END) {
      ++row;
      continue;
    }
    // An entry writes the fields it holds: a second entry for a channel in one row (which
    // damaged files have) changes only those.
    const std::int32_t channel = songChannel[what & 31];
    PatternCell ignored{};
    PatternCell& cell =
        channel >= 0 && channel < channels ? cells[row * channels + channel] : ignored;
    if ((what & HAS_NOTE) != 0) {
      cell.note = noteOf(readU8(handle));
      cell.instrument = readU8(handle);
    }
    if ((what & HAS_VOLUME) != 0) {
      const std::uint8_t volume = readU8(handle);
      if (volume <= 64) cell.volumeColumn = static_cast<std::uint8_t>(0x10 + volume);
    }
    if ((what & HAS_EFFECT) != 0) {
      const std::uint8_t letter = readU8(handle);
      const std::uint8_t param = readU8(handle);
      translateLetterEffect(letter, param, LetterDialect::S3M, cell);
    }
  }
  // A note delay without a note delays nothing.
  for (std::int32_t k = 0; k < S3M_ROWS * channels; ++k) {
    PatternCell& cell = cells[k];
    if (cell.note == 0 && cell.effect == EFFECT_SPECIAL && cell.param >> 4 == SPECIAL_NOTE_DELAY) {
      cell.effect = EFFECT_NONE;
      cell.param = 0;
    }
  }
}

std::string s3mTrackerName(const S3mHeader& header, bool wideSamples) {
  const std::uint16_t version = header.trackerVersion;
  char number[16];
  std::snprintf(number, sizeof number, " %X.%02X", (version >> 8) & 0x0F, version & 0xFF);
  switch (version >> 12) {
    case 1:
      // Scream Tracker plays neither 16-bit nor stereo samples; ModPlug Tracker wrote this
      // version with them.
      if (version == 0x1320 && wideSamples) return "ModPlug Tracker (as Scream Tracker 3.20)";
      return std::string("Scream Tracker") + number;
    case 2:
      return std::string("Imago Orpheus") + number;
    case 3:
      return std::string("Impulse Tracker") + number;
    case 4:
      return "Schism Tracker";
    case 5:
      return std::string("OpenMPT") + number;
    case 6:
      return "BeRoTracker";
    case 7:
      return "CreamTracker";
    default:
      break;
  }
  return "";
}

}  // namespace player
