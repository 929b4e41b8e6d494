// What the device is playing: the BlockInfo of AudioOutput::heardBlock, handed from the mixing
// thread to any other thread through one atomic word.
#pragma once

#include "player/audio_output.h"

namespace player {

// Publishes blockInfos[heardBlock]; called by the thread that moves heardBlock.
void publishHeardBlock(AudioOutput& output);

// The BlockInfo last published.
BlockInfo readHeardBlock(const AudioOutput& output);

}  // namespace player
