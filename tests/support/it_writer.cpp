#include "tests/support/it_writer.h"

#include <cstring>

namespace ittest {
namespace {

struct Bytes {
  std::vector<std::uint8_t> v;
  void u8(int x) { v.push_back(static_cast<std::uint8_t>(x)); }
  void u16(int x) {
    u8(x);
    u8(x >> 8);
  }
  void u32(std::uint32_t x) {
    u16(static_cast<int>(x & 0xFFFF));
    u16(static_cast<int>(x >> 16));
  }
  void zeros(std::size_t n) { v.resize(v.size() + n); }
  void text(const std::string& s, std::size_t n) {
    const std::size_t at = v.size();
    zeros(n);
    std::memcpy(v.data() + at, s.data(), s.size() < n ? s.size() : n);
  }
  void patch32(std::size_t at, std::size_t x) {
    for (int k = 0; k < 4; ++k)
      v[at + static_cast<std::size_t>(k)] = static_cast<std::uint8_t>(x >> (8 * k));
  }
};

struct BitWriter {
  std::vector<std::uint8_t> bytes;
  int used = 8;
  void put(std::uint32_t value, int width) {
    for (int k = 0; k < width; ++k) {
      if (used == 8) {
        bytes.push_back(0);
        used = 0;
      }
      bytes.back() = static_cast<std::uint8_t>(bytes.back() | ((value >> k) & 1) << used++);
    }
  }
};

void envelope(Bytes& b, const Envelope& e) {
  b.u8(e.flags);
  b.u8(e.count.value_or(static_cast<std::uint8_t>(e.nodes.size())));
  b.u8(e.loopStart);
  b.u8(e.loopEnd);
  b.u8(e.sustainStart);
  b.u8(e.sustainEnd);
  for (std::size_t k = 0; k < 25; ++k) {
    b.u8(k < e.nodes.size() ? e.nodes[k].first : 0);
    b.u16(k < e.nodes.size() ? e.nodes[k].second : 0);
  }
  b.u8(0);
}

void instrument(Bytes& b, const Instrument& in, bool old) {
  const std::size_t start = b.v.size();
  b.text("IMPI", 17);
  const std::size_t nameAt = start + 0x20;
  if (old) {
    b.u8(in.volume.flags);
    for (const std::uint8_t node :
         {in.volume.loopStart, in.volume.loopEnd, in.volume.sustainStart, in.volume.sustainEnd})
      b.u8(node);
    b.u16(0);
    b.u16(in.fadeout);
    b.u8(in.nna);
    b.u8(in.dct);
  } else {
    for (const int x : {int{in.nna}, int{in.dct}, int{in.dca}})
      b.u8(x);
    b.u16(in.fadeout);
    for (const int x : {in.pps, in.ppc, in.globalVolume, in.pan, in.randomVolume, in.randomPanning})
      b.u8(x);
  }
  b.zeros(nameAt - b.v.size());
  b.text(in.name, 26);
  b.u8(in.cutoff);
  b.u8(in.resonance);
  b.zeros(4);
  for (int k = 0; k < 120; ++k) {
    const bool given = static_cast<std::size_t>(k) < in.keyboard.size();
    b.u8(given ? in.keyboard[static_cast<std::size_t>(k)].first : k);
    b.u8(given ? in.keyboard[static_cast<std::size_t>(k)].second : 1);
  }
  if (old) {
    b.zeros(200);
    for (std::size_t k = 0; k < 25; ++k) {
      b.u8(k < in.volume.nodes.size() ? in.volume.nodes[k].second : 0xFF);
      b.u8(k < in.volume.nodes.size() ? in.volume.nodes[k].first : 0);
    }
  } else {
    for (const Envelope* e : {&in.volume, &in.panning, &in.pitch})
      envelope(b, *e);
  }
  b.zeros(start + 554 - b.v.size());
}

void sampleData(Bytes& b, const Sample& s) {
  for (const std::vector<int>* channel : {&s.values, &s.right}) {
    if (channel->empty()) continue;
    if (s.compression != 0) {
      const auto packed = compressItSample(*channel, s.sixteenBit, s.compression == 215);
      b.v.insert(b.v.end(), packed.begin(), packed.end());
      continue;
    }
    for (const int value : *channel) {
      const int stored = s.isSigned ? value : value ^ (s.sixteenBit ? 0x8000 : 0x80);
      if (s.sixteenBit) {
        b.u16(stored);
      } else {
        b.u8(stored);
      }
    }
  }
}

void pattern(Bytes& b, const Pattern& p) {
  Bytes data;
  int lastMask[64] = {}, last[64][4] = {};
  std::size_t next = 0;
  for (int row = 0; row < p.rows; ++row) {
    for (; next < p.cells.size() && p.cells[next].row == row; ++next) {
      const Cell& c = p.cells[next];
      const std::optional<int> fields[4] = {
          c.note, c.instrument, c.volume,
          c.effect ? std::optional<int>(c.effect->first << 8 | c.effect->second) : std::nullopt};
      int mask = 0;
      for (int k = 0; k < 4; ++k) {
        if (!fields[k]) continue;
        const bool again = p.reuse && *fields[k] == last[c.channel][k];
        mask |= again ? 0x10 << k : 1 << k;
        last[c.channel][k] = *fields[k];
      }
      if (mask == lastMask[c.channel]) {
        data.u8(c.channel + 1);
      } else {
        data.u8((c.channel + 1) | 0x80);
        data.u8(mask);
        lastMask[c.channel] = mask;
      }
      for (int k = 0; k < 3; ++k)
        if ((mask & 1 << k) != 0) data.u8(*fields[k]);
      if ((mask & 8) != 0) data.u16(*fields[3] >> 8 | (*fields[3] & 0xFF) << 8);
    }
    data.u8(0);
  }
  b.u16(static_cast<int>(data.v.size()));
  b.u16(p.rows);
  b.zeros(4);
  b.v.insert(b.v.end(), data.v.begin(), data.v.end());
}

}  // namespace

Cell cell(int row, int channel, int note, int instrument, int volume, int effect, int param) {
  Cell c;
  c.row = row;
  c.channel = channel;
  const auto field = [](int v) {
    return v < 0 ? std::nullopt : std::optional<std::uint8_t>(static_cast<std::uint8_t>(v));
  };
  c.note = field(note);
  c.instrument = field(instrument);
  c.volume = field(volume);
  if (effect != 0) c.effect = {static_cast<std::uint8_t>(effect), static_cast<std::uint8_t>(param)};
  return c;
}

Sample sample(std::vector<int> values, bool sixteenBit, int compression) {
  Sample s;
  s.values = std::move(values);
  s.sixteenBit = sixteenBit;
  s.compression = compression;
  return s;
}

std::vector<std::uint8_t> compressItSample(const std::vector<int>& values, bool sixteenBit,
                                           bool doubleDelta) {
  const int full = sixteenBit ? 17 : 9, changeBits = sixteenBit ? 4 : 3;
  const int bits = full - 1, border = sixteenBit ? 8 : 4;
  const std::size_t blockValues = sixteenBit ? 0x4000 : 0x8000;
  std::vector<std::uint8_t> out;
  for (std::size_t first = 0; first < values.size(); first += blockValues) {
    BitWriter w;
    int width = full, previous = 0, previousDelta = 0;
    for (std::size_t k = first; k < values.size() && k < first + blockValues; ++k) {
      const int delta = values[k] - previous;
      int code = doubleDelta ? delta - previousDelta : delta;
      previous = values[k];
      previousDelta = delta;
      code = (code + (1 << (bits - 1))) % (1 << bits);  // signed in `bits` bits
      code = (code < 0 ? code + (1 << bits) : code) - (1 << (bits - 1));
      int wanted = full;
      for (int t = 1; t < full && wanted == full; ++t) {
        const int reach = t < 7 ? (1 << (t - 1)) - 1 : (1 << (t - 1)) - border;
        if (code >= -reach && code <= (t < 7 ? reach : reach - 1)) wanted = t;
      }
      if (wanted != width) {
        const int choice = wanted < width ? wanted : wanted - 1;
        if (width < 7) {
          w.put(1u << (width - 1), width);
          w.put(static_cast<std::uint32_t>(choice - 1), changeBits);
        } else if (width < full) {
          w.put(static_cast<std::uint32_t>((1 << (width - 1)) - 1 - border + choice), width);
        } else {
          w.put(1u << (full - 1) | static_cast<std::uint32_t>(wanted - 1), full);
        }
        width = wanted;
      }
      w.put(static_cast<std::uint32_t>(code) & ((1u << (width == full ? bits : width)) - 1), width);
    }
    out.push_back(static_cast<std::uint8_t>(w.bytes.size()));
    out.push_back(static_cast<std::uint8_t>(w.bytes.size() >> 8));
    out.insert(out.end(), w.bytes.begin(), w.bytes.end());
  }
  return out;
}

std::vector<std::uint8_t> writeIt(const Module& m) {
  Bytes b;
  b.text("IMPM", 4);
  b.text(m.title, 0x1C);
  for (const std::size_t n :
       {m.orders.size(), m.instruments.size(), m.samples.size(), m.patterns.size()})
    b.u16(static_cast<int>(n));
  const std::uint16_t special = m.special | (m.message.empty() ? 0 : 1);
  for (const int x : {m.trackerVersion, m.formatVersion, m.flags, special})
    b.u16(x);
  for (const int x :
       {int{m.globalVolume}, int{m.mixingVolume}, int{m.speed}, int{m.tempo}, int{m.separation}, 0})
    b.u8(x);
  b.zeros(10);
  b.v.insert(b.v.end(), m.channelPan.begin(), m.channelPan.end());
  b.v.insert(b.v.end(), m.channelVolume.begin(), m.channelVolume.end());
  b.v.insert(b.v.end(), m.orders.begin(), m.orders.end());
  const std::size_t tables = b.v.size();
  b.zeros(4 * (m.instruments.size() + m.samples.size() + m.patterns.size()));
  if (!m.macros.empty()) {
    b.zeros(9 * 32);
    for (std::size_t k = 0; k < 144; ++k)
      b.text(k < m.macros.size() ? m.macros[k] : "", 32);
  }
  std::size_t slot = tables;
  for (const Instrument& in : m.instruments) {
    b.patch32(slot, b.v.size());
    slot += 4;
    instrument(b, in, m.oldInstruments);
  }
  std::vector<std::size_t> pointers;
  for (const Sample& s : m.samples) {
    b.patch32(slot, b.v.size());
    slot += 4;
    b.text("IMPS", 0x11);
    b.u8(s.globalVolume);
    b.u8(1 | (s.sixteenBit ? 2 : 0) | (s.right.empty() ? 0 : 4) | (s.compression ? 8 : 0) |
         s.flags);
    b.u8(s.volume);
    b.text(s.name, 26);
    b.u8((s.isSigned ? 1 : 0) | (s.compression == 215 ? 4 : 0));
    b.u8(s.panning);
    for (const std::uint32_t x : {s.length.value_or(static_cast<std::uint32_t>(s.values.size())),
                                  s.loopStart, s.loopEnd, s.c5Speed, s.sustainStart, s.sustainEnd})
      b.u32(x);
    pointers.push_back(b.v.size());
    b.u32(0);
    for (const std::uint8_t x : s.vibrato)
      b.u8(x);
  }
  for (const Pattern& p : m.patterns) {
    b.patch32(slot, b.v.size());
    slot += 4;
    pattern(b, p);
  }
  for (std::size_t k = 0; k < m.samples.size(); ++k) {
    b.patch32(pointers[k], b.v.size());
    sampleData(b, m.samples[k]);
  }
  if (!m.message.empty()) {
    b.v[0x36] = static_cast<std::uint8_t>(m.message.size());
    b.v[0x37] = static_cast<std::uint8_t>(m.message.size() >> 8);
    b.patch32(0x38, b.v.size());
    b.text(m.message, m.message.size());
  }
  return b.v;
}

}  // namespace ittest
