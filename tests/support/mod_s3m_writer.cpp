#include "tests/support/mod_s3m_writer.h"

#include <algorithm>

namespace {

using Bytes = std::vector<std::uint8_t>;

void text(Bytes& out, const std::string& value, std::size_t width) {
  for (std::size_t i = 0; i < width; ++i)
    out.push_back(i < value.size() ? static_cast<std::uint8_t>(value[i]) : 0);
}

void bigEndian(Bytes& out, std::uint32_t value) {
  out.push_back(static_cast<std::uint8_t>(value >> 8));
  out.push_back(static_cast<std::uint8_t>(value));
}

void littleEndian(Bytes& out, std::uint32_t value, int size) {
  for (int k = 0; k < size; ++k)
    out.push_back(static_cast<std::uint8_t>(value >> (8 * k)));
}

void setLittleEndian(Bytes& out, std::size_t at, std::uint32_t value, int size) {
  for (int k = 0; k < size; ++k)
    out[at + k] = static_cast<std::uint8_t>(value >> (8 * k));
}

void alignTo16(Bytes& out) {
  out.resize((out.size() + 15) / 16 * 16, 0);
}

}  // namespace

namespace modtest {

void put(Module& module, int pattern, int row, int channel, const Cell& cell) {
  if (module.patterns.size() <= static_cast<std::size_t>(pattern)) {
    module.patterns.resize(pattern + 1);
  }
  std::vector<Cell>& cells = module.patterns[pattern];
  cells.resize(static_cast<std::size_t>(64 * module.channels));
  cells[row * module.channels + channel] = cell;
}

std::vector<std::uint8_t> writeMod(const Module& module) {
  Bytes out;
  const std::size_t sampleSlots = module.tag.empty() ? 15 : 31;
  text(out, module.name, 20);
  for (std::size_t s = 0; s < sampleSlots; ++s) {
    const Sample sample = s < module.samples.size() ? module.samples[s] : Sample{};
    text(out, sample.name, 22);
    bigEndian(out, static_cast<std::uint32_t>(sample.values.size() / 2));
    out.push_back(sample.finetune);
    out.push_back(sample.volume);
    bigEndian(out, sample.loopStart / 2);
    bigEndian(out, sample.loopLength > 0 ? sample.loopLength / 2 : 1);
  }
  out.push_back(static_cast<std::uint8_t>(module.orders.size()));
  out.push_back(module.restart);
  Bytes orders = module.orders;
  orders.resize(128, 0);
  out.insert(out.end(), orders.begin(), orders.end());
  if (!module.tag.empty()) text(out, module.tag, 4);
  for (const std::vector<Cell>& pattern : module.patterns) {
    for (std::size_t k = 0; k < static_cast<std::size_t>(64 * module.channels); ++k) {
      const Cell cell = k < pattern.size() ? pattern[k] : Cell{};
      out.push_back(static_cast<std::uint8_t>((cell.sample & 0xF0) | (cell.period >> 8 & 0x0F)));
      out.push_back(static_cast<std::uint8_t>(cell.period));
      out.push_back(static_cast<std::uint8_t>((cell.sample & 0x0F) << 4 | (cell.effect & 0x0F)));
      out.push_back(cell.param);
    }
  }
  for (const Sample& sample : module.samples) {
    for (std::size_t k = 0; k < sample.values.size() / 2 * 2; ++k)
      out.push_back(static_cast<std::uint8_t>(sample.values[k]));
  }
  out.insert(out.end(), module.trailing.begin(), module.trailing.end());
  return out;
}

}  // namespace modtest

namespace s3mtest {
namespace {

void writeValues(Bytes& out, const Sample& sample, bool isUnsigned) {
  const int channels = sample.stereo ? 2 : 1;
  for (int channel = 0; channel < channels; ++channel) {
    for (int value : sample.values) {
      if (sample.sixteenBit) {
        littleEndian(out, static_cast<std::uint16_t>(value ^ (isUnsigned ? 0x8000 : 0)), 2);
      } else {
        out.push_back(static_cast<std::uint8_t>((value >> 8) ^ (isUnsigned ? 0x80 : 0)));
      }
    }
  }
}

Bytes packPattern(const Module& module, int pattern) {
  Bytes rows;
  for (int row = 0; row < 64; ++row) {
    for (const Module::Placed& placed : module.cells) {
      if (placed.pattern != pattern || placed.row != row) continue;
      const Cell& c = placed.cell;
      std::uint8_t what = static_cast<std::uint8_t>(placed.channel & 31);
      if (c.note != 255 || c.instrument != 0) what |= 0x20;
      if (c.volume != 255) what |= 0x40;
      if (c.effect != 0 || c.param != 0) what |= 0x80;
      rows.push_back(what);
      if (what & 0x20) rows.insert(rows.end(), {c.note, c.instrument});
      if (what & 0x40) rows.push_back(c.volume);
      if (what & 0x80) rows.insert(rows.end(), {c.effect, c.param});
    }
    rows.push_back(0);
  }
  Bytes out;
  littleEndian(out, static_cast<std::uint32_t>(rows.size() + 2), 2);
  out.insert(out.end(), rows.begin(), rows.end());
  return out;
}

}  // namespace

std::vector<std::uint8_t> writeS3m(const Module& module) {
  Bytes out;
  text(out, module.name, 28);
  out.insert(out.end(), {0x1A, 16, 0, 0});
  Bytes orders = module.orders;
  if (orders.size() % 2 != 0) orders.push_back(255);
  littleEndian(out, static_cast<std::uint32_t>(orders.size()), 2);
  littleEndian(out, static_cast<std::uint32_t>(module.samples.size()), 2);
  littleEndian(out, static_cast<std::uint32_t>(module.patterns), 2);
  littleEndian(out, module.flags, 2);
  littleEndian(out, module.tracker, 2);
  littleEndian(out, module.sampleFormat, 2);
  text(out, "SCRM", 4);
  out.insert(out.end(), {module.globalVolume, module.speed, module.tempo, module.masterVolume, 16,
                         static_cast<std::uint8_t>(module.panning.empty() ? 0 : 252)});
  out.resize(0x40, 0);
  Bytes settings = module.channels;
  settings.resize(32, 255);
  out.insert(out.end(), settings.begin(), settings.end());
  out.insert(out.end(), orders.begin(), orders.end());
  const std::size_t pointers = out.size();
  out.resize(out.size() + 2 * (module.samples.size() + module.patterns), 0);
  if (!module.panning.empty()) {
    Bytes panning = module.panning;
    panning.resize(32, 0);
    out.insert(out.end(), panning.begin(), panning.end());
  }
  std::vector<std::size_t> headers;
  for (std::size_t s = 0; s < module.samples.size(); ++s) {
    alignTo16(out);
    setLittleEndian(out, pointers + 2 * s, static_cast<std::uint32_t>(out.size() / 16), 2);
    headers.push_back(out.size());
    const Sample& sample = module.samples[s];
    out.push_back(sample.type);
    text(out, "", 15);
    littleEndian(out, static_cast<std::uint32_t>(sample.values.size()), 4);
    littleEndian(out, sample.loopStart, 4);
    littleEndian(out, sample.loopEnd, 4);
    out.insert(out.end(),
               {sample.volume, 0, 0,
                static_cast<std::uint8_t>((sample.loopEnd > 0 ? 1 : 0) | (sample.stereo ? 2 : 0) |
                                          (sample.sixteenBit ? 4 : 0))});
    littleEndian(out, sample.c2spd, 4);
    text(out, "", 12);
    text(out, sample.name, 28);
    text(out, sample.type == 1 ? "SCRS" : "SCRI", 4);
  }
  for (int p = 0; p < module.patterns; ++p) {
    alignTo16(out);
    setLittleEndian(out, pointers + 2 * (module.samples.size() + p),
                    static_cast<std::uint32_t>(out.size() / 16), 2);
    const Bytes packed = packPattern(module, p);
    out.insert(out.end(), packed.begin(), packed.end());
  }
  for (std::size_t s = 0; s < module.samples.size(); ++s) {
    alignTo16(out);
    const std::uint32_t paragraph = static_cast<std::uint32_t>(out.size() / 16);
    out[headers[s] + 13] = static_cast<std::uint8_t>(paragraph >> 16);
    setLittleEndian(out, headers[s] + 14, paragraph & 0xFFFF, 2);
    writeValues(out, module.samples[s], module.sampleFormat == 2);
  }
  return out;
}

}  // namespace s3mtest
