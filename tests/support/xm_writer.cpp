#include "tests/support/xm_writer.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "player/load/xm_loader.h"

namespace xmtest {
namespace {

using Bytes = std::vector<std::uint8_t>;

// Appends value in `size` little-endian bytes.
void put(Bytes& out, std::uint32_t value, int size) {
  for (int k = 0; k < size; ++k)
    out.push_back(static_cast<std::uint8_t>(value >> (8 * k)));
}

void text(Bytes& out, const std::string& value, std::size_t width) {
  for (std::size_t i = 0; i < width; ++i)
    out.push_back(i < value.size() ? static_cast<std::uint8_t>(value[i]) : 0);
}

// Pads with zeros, or cuts, so that the bytes from start on number exactly size.
void fit(Bytes& out, std::size_t start, std::size_t size) {
  out.resize(start + size, 0);
}

template <typename T>
T given(const std::optional<T>& override, std::size_t derived) {
  return override ? *override : static_cast<T>(derived);
}

Bytes encodeCells(const Pattern& pattern, int channels) {
  Bytes out;
  const std::size_t count =
      static_cast<std::size_t>(pattern.rows) * static_cast<std::size_t>(channels);
  for (std::size_t i = 0; i < count; ++i) {
    const Cell c = i < pattern.cells.size() ? pattern.cells[i] : Cell{};
    const std::uint8_t fields[] = {c.note, c.instrument, c.volume, c.effect, c.param};
    // A cell with every field set is written plain, unless its note would read as a flag byte.
    const bool full =
        std::all_of(std::begin(fields), std::end(fields), [](auto f) { return f != 0; });
    if (!pattern.packed || (full && c.note < 0x80)) {
      out.insert(out.end(), std::begin(fields), std::end(fields));
      continue;
    }
    const std::size_t flag = out.size();
    out.push_back(0x80);
    for (int k = 0; k < 5; ++k) {
      if (fields[k] == 0) continue;
      out[flag] |= static_cast<std::uint8_t>(1 << k);
      out.push_back(fields[k]);
    }
  }
  return out;
}

void writePattern(Bytes& out, const Pattern& pattern, int channels) {
  const bool empty = std::all_of(pattern.cells.begin(), pattern.cells.end(), [](const Cell& c) {
    return c.note == 0 && c.instrument == 0 && c.volume == 0 && c.effect == 0 && c.param == 0;
  });
  Bytes data;
  if (pattern.rawData) {
    data = *pattern.rawData;
  } else if (!pattern.packed || !empty) {
    data = encodeCells(pattern, channels);
  }
  put(out, 9, 4);
  put(out, 0, 1);
  put(out, static_cast<std::uint32_t>(pattern.rows), 2);
  put(out, given(pattern.packedSizeOverride, data.size()), 2);
  out.insert(out.end(), data.begin(), data.end());
}

void writeSampleHeader(Bytes& out, const Sample& s) {
  const std::uint32_t unit = s.sixteenBit ? 2 : 1;
  put(out, given(s.lengthBytes, s.values.size() * unit), 4);
  put(out, given(s.loopStartBytes, s.loopStart * unit), 4);
  put(out, given(s.loopLengthBytes, s.loopLength * unit), 4);
  put(out, s.volume, 1);
  put(out, static_cast<std::uint8_t>(s.finetune), 1);
  put(out, given(s.typeByte, (s.loopType & 3u) | (s.sixteenBit ? 0x10u : 0u)), 1);
  put(out, s.panning, 1);
  put(out, static_cast<std::uint8_t>(s.relativeNote), 1);
  put(out, 0, 1);
  text(out, s.name, 22);
}

void writeSampleData(Bytes& out, const Sample& s) {
  if (s.rawData) {
    out.insert(out.end(), s.rawData->begin(), s.rawData->end());
    return;
  }
  int previous = 0;
  for (int value : s.values) {
    put(out, static_cast<std::uint32_t>(value - previous), s.sixteenBit ? 2 : 1);
    previous = value;
  }
}

void writeInstrument(Bytes& out, const Instrument& in) {
  const std::size_t start = out.size();
  const bool hasSamples = !in.samples.empty();
  const std::uint32_t headerSize = given(in.headerSize, hasSamples ? 263 : 29);
  put(out, headerSize, 4);
  text(out, in.name, 22);
  put(out, 0, 1);
  put(out, given(in.declaredSampleCount, in.samples.size()), 2);
  if (hasSamples) {
    put(out, 40, 4);
    for (std::size_t i = 0; i < 96; ++i)
      put(out, i < in.sampleMap.size() ? in.sampleMap[i] : 0, 1);
    for (const Envelope* e : {&in.volume, &in.panning}) {
      for (std::size_t i = 0; i < 12; ++i) {
        put(out, i < e->points.size() ? e->points[i].first : 0, 2);
        put(out, i < e->points.size() ? e->points[i].second : 0, 2);
      }
    }
    const Envelope& v = in.volume;
    const Envelope& p = in.panning;
    for (std::uint8_t value :
         {given(v.pointCount, v.points.size()), given(p.pointCount, p.points.size()), v.sustain,
          v.loopStart, v.loopEnd, p.sustain, p.loopStart, p.loopEnd, v.flags, p.flags,
          in.vibratoType, in.vibratoSweep, in.vibratoDepth, in.vibratoRate}) {
      put(out, value, 1);
    }
    put(out, in.fadeout, 2);
  }
  fit(out, start, headerSize);
  for (const Sample& s : in.samples)
    writeSampleHeader(out, s);
  for (const Sample& s : in.samples)
    writeSampleData(out, s);
}

}  // namespace

Pattern& Pattern::set(int r, int c, const Cell& cell, int channels) {
  cells.resize(static_cast<std::size_t>(rows) * static_cast<std::size_t>(channels));
  cells.at(static_cast<std::size_t>(r) * static_cast<std::size_t>(channels) +
           static_cast<std::size_t>(c)) = cell;
  return *this;
}

std::vector<std::uint8_t> writeXm(const Module& m) {
  Bytes out;
  text(out, m.signature, 17);
  text(out, m.name, 20);
  put(out, 0x1A, 1);
  text(out, "test writer", 20);
  put(out, 0x0104, 2);
  put(out, m.headerSize, 4);
  put(out, given(m.songLength, m.orders.size()), 2);
  put(out, m.restartPosition, 2);
  put(out, m.channels, 2);
  put(out, given(m.patternCount, m.patterns.size()), 2);
  put(out, given(m.instrumentCount, m.instruments.size()), 2);
  for (std::uint16_t value : {m.flags, m.speed, m.bpm})
    put(out, value, 2);
  for (std::size_t i = 0; i < 256; ++i)
    put(out, i < m.orders.size() ? m.orders[i] : 0, 1);
  fit(out, 60, m.headerSize);
  for (const Pattern& p : m.patterns)
    writePattern(out, p, m.channels);
  for (const Instrument& in : m.instruments)
    writeInstrument(out, in);
  return out;
}

ImagePtr makeImage(const std::vector<std::uint8_t>& file) {
  return ImagePtr(player::makeModuleImage(file.data(), static_cast<std::uint32_t>(file.size())));
}

void SongDeleter::operator()(player::Song* song) const {
  player::freeSong(song);
}

SongPtr loadFile(const std::vector<std::uint8_t>& file, player::SampleReadHook hook) {
  ImagePtr image = makeImage(file);
  return SongPtr(player::loadSong(image.get(), hook));
}

SongPtr loadModule(const Module& module, player::SampleReadHook hook) {
  return loadFile(writeXm(module), hook);
}

Sample sampleOf(std::vector<int> values, bool sixteenBit) {
  Sample sample;
  sample.values = std::move(values);
  sample.sixteenBit = sixteenBit;
  return sample;
}

Instrument simpleInstrument(std::vector<int> values, bool sixteenBit) {
  Instrument instrument;
  instrument.samples.push_back(sampleOf(std::move(values), sixteenBit));
  instrument.sampleMap.assign(96, 0);
  return instrument;
}

std::vector<std::uint8_t> readFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return {};
  return std::vector<std::uint8_t>(std::istreambuf_iterator<char>(in),
                                   std::istreambuf_iterator<char>());
}

std::vector<std::string> corpusModules() {
  std::vector<std::string> paths;
  std::error_code error;
  for (const auto& entry : std::filesystem::directory_iterator(JINGLE_CORPUS_DIR, error)) {
    if (entry.path().extension() == ".xm") paths.push_back(entry.path().string());
  }
  std::sort(paths.begin(), paths.end());
  return paths;
}

}  // namespace xmtest
