#include "cli/chunked_render.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <system_error>
#include <thread>
#include <vector>

#include "cli/stop_signals.h"

namespace cli {
namespace {

// How often the calling thread looks for a stop signal while it waits for a chunk.
constexpr auto SIGNAL_POLL = std::chrono::milliseconds(50);
// Frames rendered between two looks for a stop.
constexpr std::size_t PIECE_FRAMES = 8192;

struct Slot {
  std::vector<std::int16_t> pcm;
  std::vector<float> floats;
  std::size_t frames = 0;
  bool full = false;
};

// What the players and the calling thread share, under mutex.
struct Chunks {
  std::int64_t frames = 0;
  bool floatSamples = false;
  int players = 1;
  std::mutex mutex;
  std::condition_variable changed;
  std::atomic<bool> abandoned{false};
  std::vector<Slot> slots;  // two per player, taken in turn

  Slot& slotOf(std::int64_t chunk) {
    const auto turn = static_cast<std::size_t>(chunk / players % 2);
    return slots[static_cast<std::size_t>(chunk % players) * 2 + turn];
  }
  std::size_t framesOf(std::int64_t chunk) const {
    const std::int64_t left = frames - chunk * CHUNK_FRAMES;
    return static_cast<std::size_t>(left < CHUNK_FRAMES ? left : CHUNK_FRAMES);
  }
};

bool stopping(const Chunks& chunks) {
  return chunks.abandoned.load() || stopSignalled();
}

// Fills slot with chunk, a piece at a time so that a stop is seen soon: false once the song has
// ended in it or the render is stopped. The seek to its start moves over the chunks before it
// that the player has not rendered (a seek also mixes the block it lands in, so it is made once).
bool renderChunk(Chunks& chunks, jingle::Player& player, std::int64_t chunk, Slot& slot) {
  const std::size_t asked = chunks.framesOf(chunk);
  std::size_t got = 0;
  if (!stopping(chunks) && player.seekFrame(chunk * CHUNK_FRAMES) == JINGLE_OK) {
    while (got < asked && !stopping(chunks)) {
      const std::size_t piece = asked - got < PIECE_FRAMES ? asked - got : PIECE_FRAMES;
      const std::size_t made = chunks.floatSamples
                                   ? player.render(slot.floats.data() + 2 * got, piece)
                                   : player.render(slot.pcm.data() + 2 * got, piece);
      got += made;
      if (made < piece) break;
    }
  }
  slot.frames = got;
  return got == asked;
}

// Player index's part: its chunks, each into its slot once the calling thread has taken what
// the slot held.
void play(Chunks& chunks, jingle::Player& player, int index) {
  for (std::int64_t chunk = index; chunk * CHUNK_FRAMES < chunks.frames; chunk += chunks.players) {
    Slot& slot = chunks.slotOf(chunk);
    {
      std::unique_lock<std::mutex> lock(chunks.mutex);
      chunks.changed.wait(lock, [&] { return chunks.abandoned || !slot.full; });
      if (chunks.abandoned) return;
    }
    const bool more = renderChunk(chunks, player, chunk, slot);
    {
      const std::lock_guard<std::mutex> lock(chunks.mutex);
      slot.full = true;
    }
    chunks.changed.notify_all();
    if (!more) return;
  }
}

void abandon(Chunks& chunks) {
  {
    const std::lock_guard<std::mutex> lock(chunks.mutex);
    chunks.abandoned.store(true);
  }
  chunks.changed.notify_all();
}

// Waits for chunk's slot to be filled: null after a stop signal.
Slot* awaitChunk(Chunks& chunks, std::int64_t chunk) {
  Slot& slot = chunks.slotOf(chunk);
  std::unique_lock<std::mutex> lock(chunks.mutex);
  while (!slot.full) {
    if (stopSignalled()) return nullptr;
    chunks.changed.wait_for(lock, SIGNAL_POLL);
  }
  return &slot;
}

void release(Chunks& chunks, Slot& slot) {
  {
    const std::lock_guard<std::mutex> lock(chunks.mutex);
    slot.full = false;
  }
  chunks.changed.notify_all();
}

void addClipping(const std::vector<jingle::Player>& players, ChunkedClipping& clipping) {
  for (const jingle::Player& player : players) {
    std::uint64_t clipped = 0;
    float peak = 0.0f;
    if (player.clipping(clipped, peak) != JINGLE_OK) continue;
    clipping.clipped += clipped;
    clipping.peak = peak > clipping.peak ? peak : clipping.peak;
  }
}

// One player, on the calling thread.
ChunkedResult renderAlone(Chunks& chunks, jingle::Player& player,
                          const std::function<bool(const RenderChunk&)>& write) {
  Slot& slot = chunks.slots.front();
  for (std::int64_t chunk = 0; chunk * CHUNK_FRAMES < chunks.frames; ++chunk) {
    if (stopSignalled()) return ChunkedResult::STOPPED;
    const bool more = renderChunk(chunks, player, chunk, slot);
    if (slot.frames > 0 && !write({slot.pcm.data(), slot.floats.data(), slot.frames})) break;
    if (!more) break;
  }
  return stopSignalled() ? ChunkedResult::STOPPED : ChunkedResult::DONE;
}

// The players' threads, started; false (with none left running) if one could not be.
bool startThreads(Chunks& chunks, std::vector<jingle::Player>& players,
                  std::vector<std::thread>& threads) {
  try {
    for (int index = 0; index < chunks.players; ++index) {
      threads.emplace_back(play, std::ref(chunks), std::ref(players[index]), index);
    }
    return true;
  } catch (const std::system_error&) {
    abandon(chunks);
    for (std::thread& thread : threads)
      thread.join();
    threads.clear();
    return false;
  }
}

ChunkedResult renderTogether(Chunks& chunks, const std::function<bool(const RenderChunk&)>& write,
                             std::vector<std::thread>& threads) {
  ChunkedResult result = ChunkedResult::DONE;
  for (std::int64_t chunk = 0; chunk * CHUNK_FRAMES < chunks.frames; ++chunk) {
    Slot* slot = awaitChunk(chunks, chunk);
    if (slot == nullptr) {
      result = ChunkedResult::STOPPED;
      break;
    }
    const bool ended = slot->frames < chunks.framesOf(chunk);
    if (slot->frames > 0 && !write({slot->pcm.data(), slot->floats.data(), slot->frames})) break;
    if (ended) break;
    release(chunks, *slot);
  }
  abandon(chunks);
  for (std::thread& thread : threads)
    thread.join();
  return result;
}

}  // namespace

int defaultRenderThreads() {
#if defined(__EMSCRIPTEN__)
  return 1;  // the web build runs without threads
#else
  constexpr int MOST_DEFAULT_THREADS = 4;
  const unsigned processors = std::thread::hardware_concurrency();
  if (processors < 1) return 1;
  return processors < MOST_DEFAULT_THREADS ? static_cast<int>(processors) : MOST_DEFAULT_THREADS;
#endif
}

ChunkedResult renderInChunks(const std::function<jingle::Status(jingle::Player&)>& make,
                             std::int64_t frames, bool floatSamples, int threads,
                             const std::function<bool(const RenderChunk&)>& write,
                             ChunkedClipping& clipping) {
#if defined(__EMSCRIPTEN__)
  threads = 1;
#endif
  const std::int64_t chunkCount = (frames + CHUNK_FRAMES - 1) / CHUNK_FRAMES;
  if (threads > chunkCount) threads = static_cast<int>(chunkCount > 1 ? chunkCount : 1);
  if (threads < 1) threads = 1;

  // Fewer players where memory runs out for more.
  std::vector<jingle::Player> players(static_cast<std::size_t>(threads));
  for (int index = 0; index < threads; ++index) {
    if (make(players[static_cast<std::size_t>(index)]) == JINGLE_OK) continue;
    if (index == 0) return ChunkedResult::NO_MEMORY;
    threads = index;
    players.resize(static_cast<std::size_t>(index));
  }
  Chunks chunks;
  chunks.frames = frames;
  chunks.floatSamples = floatSamples;
  chunks.players = threads;
  chunks.slots.resize(threads > 1 ? 2 * static_cast<std::size_t>(threads) : 1);
  for (Slot& slot : chunks.slots) {
    if (floatSamples) {
      slot.floats.resize(2 * static_cast<std::size_t>(CHUNK_FRAMES));
    } else {
      slot.pcm.resize(2 * static_cast<std::size_t>(CHUNK_FRAMES));
    }
  }

  std::vector<std::thread> running;
  if (threads > 1 && startThreads(chunks, players, running)) {
    const ChunkedResult result = renderTogether(chunks, write, running);
    addClipping(players, clipping);
    return result;
  }
  // Alone: with a fresh player where threads had begun with it.
  players.resize(1);
  if (threads > 1) {
    players.front().reset();
    if (make(players.front()) != JINGLE_OK) return ChunkedResult::NO_MEMORY;
  }
  chunks.players = 1;
  chunks.abandoned.store(false);  // threads that could not all start were told to stop
  const ChunkedResult result = renderAlone(chunks, players.front(), write);
  addClipping(players, clipping);
  return result;
}

}  // namespace cli
