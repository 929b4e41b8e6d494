// The renders every build path must give: each corpus module and each small song of
// digest_songs.cpp, with its natural length and a digest of its first frames in every
// interpolation, as tests/render_digests.txt lists them. The offline render, the library's pull
// render, the render command and each mixer path check the same table.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "player/mixer/interpolation.h"

namespace xmtest {

struct DigestSong {
  std::string name;
  std::vector<std::uint8_t> file;
};

// The corpus modules, then the small songs.
std::vector<DigestSong> digestSongs();
// The small songs alone: one or two features of the replayer each.
std::vector<DigestSong> smallSongs();

// A digest covers the song to its natural end (one round), at most this many frames at 44,100 Hz.
constexpr std::int64_t DIGEST_FRAMES = 10 * 44100;

// FNV-1a over the bytes of 16-bit little-endian values, continuing from hash.
std::uint64_t digestOf(const std::int16_t* values, std::size_t count,
                       std::uint64_t hash = 14695981039346656037ull);

struct Digest {
  std::int64_t naturalFrames = -1;  // one round; -1 when the song does not end
  std::uint64_t pcm[player::INTERPOLATIONS] = {};
};

// The row of song name in the table; null when the table has none.
const Digest* expectedDigest(const std::string& name);

// The digest of the first `frames` frames of song as one build path renders them.
using PathRender =
    std::function<std::uint64_t(const DigestSong&, std::int64_t frames, player::Interpolation)>;

// Checks every song on one path, in the interpolations given. With JINGLE_DIGEST_OUT set, the
// rows the path gives are written to that file instead, to renew the table after a deliberate
// change of the sound.
void expectTableDigests(const std::vector<DigestSong>& songs, const PathRender& render,
                        const std::vector<player::Interpolation>& interpolations = {
                            player::Interpolation::LINEAR});

}  // namespace xmtest
