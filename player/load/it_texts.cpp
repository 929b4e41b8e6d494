#include "player/load/it_texts.h"

#include <cstdio>

#include "player/load/it_format.h"
#include "player/load/xm_format.h"

namespace player {
namespace {

constexpr std::int32_t NAME_BYTES = 26;
constexpr std::int32_t TITLE_OFFSET = 4;
constexpr std::int32_t INSTRUMENT_NAME_OFFSET = 0x20;
constexpr std::int32_t SAMPLE_NAME_OFFSET = 0x14;
constexpr std::uint16_t MAX_MESSAGE = 8000;

// A text as stored up to its first NUL, trailing spaces dropped; line breaks (CR) become '\n'
// where allowed, other control bytes '?'.
std::string readText(StreamHandle* handle, std::int64_t offset, std::int32_t bytes, bool lines) {
  seekTo(handle, offset);
  std::string text;
  for (std::int32_t i = 0; i < bytes && !streamAtEnd(handle); ++i) {
    const std::uint8_t byte = readU8(handle);
    if (byte == 0) break;
    if (lines && (byte == 13 || byte == 10)) {
      text += '\n';
    } else {
      text += byte < 0x20 || byte == 0x7F ? '?' : static_cast<char>(byte);
    }
  }
  while (!text.empty() && (text.back() == ' ' || text.back() == '\n'))
    text.pop_back();
  return text;
}

}  // namespace

std::string itTrackerName(std::uint16_t trackerVersion, std::uint16_t formatVersion) {
  char name[48];
  const unsigned major = trackerVersion >> 8 & 0xF, minor = trackerVersion & 0xFF;
  if (modplugIt(trackerVersion, formatVersion))
    return trackerVersion == 0x0888 ? "OpenMPT 1.17" : "ModPlug Tracker";
  switch (trackerVersion >> 12) {
    case 0x0:
      std::snprintf(name, sizeof name, "Impulse Tracker %u.%02x", major, minor);
      break;
    case 0x1:
      return "Schism Tracker";
    case 0x5:
      std::snprintf(name, sizeof name, "OpenMPT %u.%02x", major, minor);
      break;
    default:
      std::snprintf(name, sizeof name, "unknown tracker %04x (format %04x)", trackerVersion,
                    formatVersion);
      break;
  }
  return name;
}

ModuleTexts readItTexts(const ModuleImage* image) {
  ModuleTexts texts;
  if (image == nullptr || moduleByteCount(image) == 0) return texts;
  StreamHandle* handle = openStream(image);
  if (handle == nullptr) return texts;
  if (readItSignature(handle)) {
    ItHeader header;
    readItHeader(handle, header);
    texts.title = readText(handle, TITLE_OFFSET, NAME_BYTES, false);
    texts.tracker = itTrackerName(header.trackerVersion, header.formatVersion);
    if ((header.special & IT_SPECIAL_MESSAGE) != 0) {
      const std::uint16_t length =
          header.messageLength < MAX_MESSAGE ? header.messageLength : MAX_MESSAGE;
      texts.message = readText(handle, header.messageOffset, length, true);
    }
    const std::int32_t samples =
        header.sampleCount < IT_MAX_SAMPLES ? header.sampleCount : IT_MAX_SAMPLES;
    std::vector<std::string> sampleNames;
    for (std::int32_t s = 0; s < samples; ++s) {
      const std::uint32_t at = readItOffset(handle, itSampleTable(header), s);
      sampleNames.push_back(
          readText(handle, std::int64_t{at} + SAMPLE_NAME_OFFSET, NAME_BYTES, false));
    }
    if ((header.flags & IT_INSTRUMENTS) == 0) {
      for (const std::string& name : sampleNames) {
        texts.instrumentNames.push_back(name);
        texts.sampleNames.push_back({name});
      }
    } else {
      const std::int32_t instruments =
          header.instrumentCount < IT_MAX_INSTRUMENTS ? header.instrumentCount : IT_MAX_INSTRUMENTS;
      for (std::int32_t i = 0; i < instruments; ++i) {
        const std::uint32_t at = readItOffset(handle, itInstrumentTable(header), i);
        texts.instrumentNames.push_back(
            readText(handle, std::int64_t{at} + INSTRUMENT_NAME_OFFSET, NAME_BYTES, false));
        Instrument in{};
        readItInstrument(handle, at, header.formatVersion < 0x200, in);
        std::vector<std::string>& names = texts.sampleNames.emplace_back();
        bool listed[IT_MAX_SAMPLES + 1] = {};
        for (const std::uint8_t number : in.keyboardSample) {
          if (number == 0 || number > samples || listed[number]) continue;
          listed[number] = true;
          names.push_back(sampleNames[number - 1]);
        }
      }
    }
  }
  closeStream(handle);
  return texts;
}

}  // namespace player
