#include "cli/duration_text.h"

#include <cinttypes>
#include <cstdio>

#include "player/offline_render.h"

namespace cli {

std::string naturalDurationText(const player::Song* song) {
  const std::int64_t limit = player::MAX_NATURAL_FRAMES;
  const std::int64_t frames = player::naturalLengthFrames(song, 1, limit);
  const std::int64_t ms = (frames * 1000 + player::OFFLINE_RATE / 2) / player::OFFLINE_RATE;
  char text[96];
  std::snprintf(text, sizeof text, "%" PRId64 ":%02" PRId64 ".%03" PRId64 " (%" PRId64 " frames)%s",
                ms / 60000, ms / 1000 % 60, ms % 1000, frames,
                frames >= limit ? ", no end within the limit" : "");
  return text;
}

}  // namespace cli
