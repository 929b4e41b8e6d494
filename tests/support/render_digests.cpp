#include "tests/support/render_digests.h"

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>

#include <gtest/gtest.h>

#include "player/offline_render.h"
#include "tests/support/xm_writer.h"

namespace xmtest {

namespace {

std::map<std::string, Digest> readTable() {
  std::map<std::string, Digest> table;
  std::ifstream in(JINGLE_DIGEST_TABLE);
  std::string line;
  while (std::getline(in, line)) {
    if (line.empty() || line[0] == '#') continue;
    std::istringstream fields(line);
    std::string name;
    Digest digest;
    fields >> name >> digest.naturalFrames;
    for (std::uint64_t& pcm : digest.pcm)
      fields >> std::hex >> pcm;
    table[name] = digest;
  }
  return table;
}

}  // namespace

std::vector<DigestSong> digestSongs() {
  std::vector<DigestSong> songs;
  for (const std::string& path : corpusModules())
    songs.push_back({path.substr(path.find_last_of("/\\") + 1), readFile(path)});
  // Every third module of each other format: the same bytes on every path for them too.
  for (const char* format : {"mod", "s3m", "it"}) {
    std::vector<std::string> paths;
    std::error_code error;
    const std::filesystem::path folder = std::filesystem::path(JINGLE_CORPUS_DIR) / format;
    for (const auto& entry : std::filesystem::directory_iterator(folder, error))
      paths.push_back(entry.path().string());
    std::sort(paths.begin(), paths.end());
    for (std::size_t i = 0; i < paths.size(); i += 3) {
      const std::string name = paths[i].substr(paths[i].find_last_of("/\\") + 1);
      songs.push_back({std::string(format) + "/" + name, readFile(paths[i])});
    }
  }
  for (DigestSong& song : smallSongs())
    songs.push_back(std::move(song));
  return songs;
}

std::uint64_t digestOf(const std::int16_t* values, std::size_t count, std::uint64_t hash) {
  for (std::size_t i = 0; i < count; ++i) {
    const auto value = static_cast<std::uint16_t>(values[i]);
    hash = (hash ^ (value & 0xFF)) * 1099511628211ull;
    hash = (hash ^ (value >> 8)) * 1099511628211ull;
  }
  return hash;
}

const Digest* expectedDigest(const std::string& name) {
  static const std::map<std::string, Digest> table = readTable();
  const auto found = table.find(name);
  return found == table.end() ? nullptr : &found->second;
}

void expectTableDigests(const std::vector<DigestSong>& songs, const PathRender& render,
                        const std::vector<player::Interpolation>& interpolations) {
  const char* out = std::getenv("JINGLE_DIGEST_OUT");
  std::ofstream table;
  if (out != nullptr) table.open(out);
  for (const DigestSong& song : songs) {
    SCOPED_TRACE(song.name);
    const Digest* expected = expectedDigest(song.name);
    Digest got;
    if (out != nullptr) {
      const SongPtr loaded = loadFile(song.file);
      ASSERT_NE(loaded, nullptr);
      got.naturalFrames = player::naturalLengthFrames(loaded.get(), 1, player::MAX_NATURAL_FRAMES);
      if (got.naturalFrames == player::MAX_NATURAL_FRAMES) got.naturalFrames = -1;
    } else {
      ASSERT_NE(expected, nullptr) << "no row in the table";
      got.naturalFrames = expected->naturalFrames;
    }
    const std::int64_t frames = got.naturalFrames < 0 || got.naturalFrames > DIGEST_FRAMES
                                    ? DIGEST_FRAMES
                                    : got.naturalFrames;
    for (const player::Interpolation interpolation : interpolations) {
      const int i = static_cast<int>(interpolation);
      got.pcm[i] = render(song, frames, interpolation);
      if (out == nullptr) {
        EXPECT_EQ(got.pcm[i], expected->pcm[i]) << player::interpolationName(interpolation);
      }
    }
    if (out != nullptr) {
      table << song.name << ' ' << got.naturalFrames << std::hex;
      for (const std::uint64_t pcm : got.pcm)
        table << ' ' << pcm;
      table << std::dec << '\n';
    }
  }
}

}  // namespace xmtest
