// Rendering a song from its start with no sound device, as fast as the machine allows: the same
// block rendering the player uses, one block after another, the audio being the blocks in
// render order. Also the song's natural length, found from its flow alone.
#pragma once

#include <cstdint>

#include "player/load/song.h"

namespace player {

constexpr std::int32_t OFFLINE_RATE = 44100;
// No natural end is looked for beyond 30 minutes.
constexpr std::int64_t MAX_NATURAL_FRAMES = std::int64_t{30} * 60 * OFFLINE_RATE;

// Frames from song start to its natural end after rounds times round the song (the first frame
// of the row tick that ends the last round), at most maxFrames: the frame count a render with
// the same rounds finds. Reads the song and leaves it as it was.
std::int64_t naturalLengthFrames(const Song* song, std::int32_t rounds, std::int64_t maxFrames);

// Prepares the engine at rate (OFFLINE_RATE unless given) with no device, allocates the ring and
// starts its copy of song, with its natural end watched for rounds times round. The song is only
// read. False, with nothing held, when memory cannot be had.
bool startOfflineRender(Engine& engine, const Song* song, std::int32_t rounds,
                        std::int32_t rate = OFFLINE_RATE);

// Renders the next block; its frames (offlineBlockFrames() interleaved 16-bit stereo frames)
// stay valid until the next call.
const std::int16_t* renderNextBlock(Engine& engine);

std::int32_t offlineBlockFrames(const Engine& engine);
// Blocks in the ring: renderNextBlock fills them in order, from the first, and then starts over.
std::int32_t offlineRingBlocks(const Engine& engine);

// The first frame of the song's natural end, once a rendered tick has reached it; -1 before.
std::int64_t offlineNaturalEnd(const Engine& engine);

// Frees what startOfflineRender took, the engine's copy of the song included.
void stopOfflineRender(Engine& engine);

}  // namespace player
