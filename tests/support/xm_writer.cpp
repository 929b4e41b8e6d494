#include "tests/support/xm_writer.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "player/load/xm_loader.h"

namespace xmtest {
namespace {

class Bytes {
 public:
  void u8(unsigned value) { data_.push_back(static_cast<std::uint8_t>(value)); }
  void u16(unsigned value) {
    u8(value & 0xFF);
    u8((value >> 8) & 0xFF);
  }
  void u32(std::uint32_t value) {
    u16(value & 0xFFFF);
    u16(value >> 16);
  }
  void text(const std::string& value, std::size_t width) {
    for (std::size_t i = 0; i < width; ++i) u8(i < value.size() ? static_cast<unsigned char>(value[i]) : 0);
  }
  void append(const std::vector<std::uint8_t>& bytes) { data_.insert(data_.end(), bytes.begin(), bytes.end()); }
  // Pads with zeros, or cuts, so that the bytes from start on number exactly size.
  void fit(std::size_t start, std::size_t size) { data_.resize(start + size, 0); }
  std::size_t size() const { return data_.size(); }
  std::vector<std::uint8_t> take() { return std::move(data_); }

 private:
  std::vector<std::uint8_t> data_;
};

bool isEmpty(const Cell& c) {
  return c.note == 0 && c.instrument == 0 && c.volume == 0 && c.effect == 0 && c.param == 0;
}

std::vector<std::uint8_t> encodeCells(const Pattern& pattern, int channels) {
  Bytes out;
  const std::size_t count = static_cast<std::size_t>(pattern.rows) * static_cast<std::size_t>(channels);
  for (std::size_t i = 0; i < count; ++i) {
    const Cell c = i < pattern.cells.size() ? pattern.cells[i] : Cell{};
    const bool full = c.note != 0 && c.instrument != 0 && c.volume != 0 && c.effect != 0 && c.param != 0;
    if (!pattern.packed || (full && c.note < 0x80)) {
      out.u8(c.note);
      out.u8(c.instrument);
      out.u8(c.volume);
      out.u8(c.effect);
      out.u8(c.param);
      continue;
    }
    unsigned flag = 0x80;
    if (c.note != 0) flag |= 0x01;
    if (c.instrument != 0) flag |= 0x02;
    if (c.volume != 0) flag |= 0x04;
    if (c.effect != 0) flag |= 0x08;
    if (c.param != 0) flag |= 0x10;
    out.u8(flag);
    if (c.note != 0) out.u8(c.note);
    if (c.instrument != 0) out.u8(c.instrument);
    if (c.volume != 0) out.u8(c.volume);
    if (c.effect != 0) out.u8(c.effect);
    if (c.param != 0) out.u8(c.param);
  }
  return out.take();
}

void writePattern(Bytes& out, const Pattern& pattern, int channels) {
  std::vector<std::uint8_t> data;
  if (pattern.rawData) {
    data = *pattern.rawData;
  } else if (!pattern.packed || !std::all_of(pattern.cells.begin(), pattern.cells.end(), isEmpty)) {
    data = encodeCells(pattern, channels);
  }
  out.u32(9);
  out.u8(0);
  out.u16(static_cast<unsigned>(pattern.rows));
  out.u16(pattern.packedSizeOverride ? *pattern.packedSizeOverride : static_cast<unsigned>(data.size()));
  out.append(data);
}

std::uint32_t bytesPerValue(const Sample& s) { return s.sixteenBit ? 2 : 1; }

void writeSampleHeader(Bytes& out, const Sample& s) {
  const std::uint32_t unit = bytesPerValue(s);
  out.u32(s.lengthBytes ? *s.lengthBytes : static_cast<std::uint32_t>(s.values.size()) * unit);
  out.u32(s.loopStartBytes ? *s.loopStartBytes : s.loopStart * unit);
  out.u32(s.loopLengthBytes ? *s.loopLengthBytes : s.loopLength * unit);
  out.u8(s.volume);
  out.u8(static_cast<std::uint8_t>(s.finetune));
  out.u8(s.typeByte ? *s.typeByte : (s.loopType & 3u) | (s.sixteenBit ? 0x10u : 0u));
  out.u8(s.panning);
  out.u8(static_cast<std::uint8_t>(s.relativeNote));
  out.u8(0);
  out.text(s.name, 22);
}

void writeSampleData(Bytes& out, const Sample& s) {
  if (s.rawData) {
    out.append(*s.rawData);
    return;
  }
  int previous = 0;
  for (int value : s.values) {
    const unsigned delta = static_cast<unsigned>(value - previous);
    previous = value;
    if (s.sixteenBit) {
      out.u16(delta & 0xFFFF);
    } else {
      out.u8(delta & 0xFF);
    }
  }
}

void writeEnvelopePoints(Bytes& out, const Envelope& e) {
  for (std::size_t i = 0; i < 12; ++i) {
    const auto point = i < e.points.size() ? e.points[i] : std::pair<std::uint16_t, std::uint16_t>{};
    out.u16(point.first);
    out.u16(point.second);
  }
}

void writeInstrument(Bytes& out, const Instrument& in) {
  const std::size_t start = out.size();
  const bool hasSamples = !in.samples.empty();
  const std::uint32_t headerSize = in.headerSize ? *in.headerSize : (hasSamples ? 263 : 29);
  out.u32(headerSize);
  out.text(in.name, 22);
  out.u8(0);
  out.u16(in.declaredSampleCount ? *in.declaredSampleCount : static_cast<unsigned>(in.samples.size()));
  if (hasSamples) {
    out.u32(40);
    for (std::size_t i = 0; i < 96; ++i) out.u8(i < in.sampleMap.size() ? in.sampleMap[i] : 0);
    writeEnvelopePoints(out, in.volume);
    writeEnvelopePoints(out, in.panning);
    out.u8(in.volume.pointCount ? *in.volume.pointCount : static_cast<unsigned>(in.volume.points.size()));
    out.u8(in.panning.pointCount ? *in.panning.pointCount : static_cast<unsigned>(in.panning.points.size()));
    out.u8(in.volume.sustain);
    out.u8(in.volume.loopStart);
    out.u8(in.volume.loopEnd);
    out.u8(in.panning.sustain);
    out.u8(in.panning.loopStart);
    out.u8(in.panning.loopEnd);
    out.u8(in.volume.flags);
    out.u8(in.panning.flags);
    out.u8(in.vibratoType);
    out.u8(in.vibratoSweep);
    out.u8(in.vibratoDepth);
    out.u8(in.vibratoRate);
    out.u16(in.fadeout);
  }
  out.fit(start, headerSize);
  for (const Sample& s : in.samples) writeSampleHeader(out, s);
  for (const Sample& s : in.samples) writeSampleData(out, s);
}

}  // namespace

Pattern& Pattern::set(int r, int c, const Cell& cell, int channels) {
  cells.resize(static_cast<std::size_t>(rows) * static_cast<std::size_t>(channels));
  cells.at(static_cast<std::size_t>(r) * static_cast<std::size_t>(channels) + static_cast<std::size_t>(c)) = cell;
  return *this;
}

std::vector<std::uint8_t> writeXm(const Module& m) {
  Bytes out;
  out.text(m.signature, 17);
  out.text(m.name, 20);
  out.u8(0x1A);
  out.text("test writer", 20);
  out.u16(0x0104);
  out.u32(m.headerSize);
  out.u16(m.songLength ? *m.songLength : static_cast<unsigned>(m.orders.size()));
  out.u16(m.restartPosition);
  out.u16(m.channels);
  out.u16(m.patternCount ? *m.patternCount : static_cast<unsigned>(m.patterns.size()));
  out.u16(m.instrumentCount ? *m.instrumentCount : static_cast<unsigned>(m.instruments.size()));
  out.u16(m.flags);
  out.u16(m.speed);
  out.u16(m.bpm);
  for (std::size_t i = 0; i < 256; ++i) out.u8(i < m.orders.size() ? m.orders[i] : 0);
  out.fit(60, m.headerSize);
  for (const Pattern& p : m.patterns) writePattern(out, p, m.channels);
  for (const Instrument& in : m.instruments) writeInstrument(out, in);
  return out.take();
}

ImagePtr makeImage(const std::vector<std::uint8_t>& file) {
  return ImagePtr(player::makeModuleImage(file.data(), static_cast<std::uint32_t>(file.size())));
}

void SongDeleter::operator()(player::Song* song) const { player::freeSong(song); }

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
  return std::vector<std::uint8_t>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
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
