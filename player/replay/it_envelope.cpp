#include "player/replay/it_envelope.h"

namespace player {
namespace {

std::int32_t valueAt(const NodeEnvelope& envelope, std::int32_t tick) {
  const EnvelopeNode* nodes = envelope.nodes;
  const std::int32_t last = envelope.nodeCount - 1;
  if (tick <= nodes[0].tick) return nodes[0].value * 256;
  for (std::int32_t k = 0; k < last; ++k) {
    const std::int32_t from = nodes[k].tick;
    const std::int32_t to = nodes[k + 1].tick;
    if (tick > to) continue;
    if (to == from) return nodes[k + 1].value * 256;
    const std::int32_t rise = (nodes[k + 1].value - nodes[k].value) * 256;
    return nodes[k].value * 256 + rise * (tick - from) / (to - from);
  }
  return nodes[last].value * 256;
}

}  // namespace

std::int32_t stepEnvelope(const NodeEnvelope& envelope, EnvelopeCursor& cursor, bool released) {
  if (envelope.nodeCount == 0) return 0;
  const std::int32_t value = valueAt(envelope, cursor.tick);
  const EnvelopeNode* nodes = envelope.nodes;
  std::int32_t next = cursor.tick + 1;
  if (!released && (envelope.flags & ENVELOPE_SUSTAIN) != 0) {
    if (next > nodes[envelope.sustainEnd].tick) next = nodes[envelope.sustainStart].tick;
  } else if ((envelope.flags & ENVELOPE_LOOP) != 0) {
    if (next > nodes[envelope.loopEnd].tick) next = nodes[envelope.loopStart].tick;
  }
  const std::int32_t lastTick = nodes[envelope.nodeCount - 1].tick;
  if (next > lastTick) {
    next = lastTick;
    cursor.ended = true;
  }
  cursor.tick = next;
  return value;
}

}  // namespace player
