// Playing a module on the system's default sound device, through the player's own real-time
// path: 44,100 Hz 16-bit stereo, a two-second ring of blocks kept filled by a time-critical
// mixing thread, the song going round endlessly. Audio reaches the speaker about two seconds
// after it is mixed; the position query reports what is being heard.
#pragma once

#include "jingle/export.h"
#include "jingle/module.h"
#include "jingle/position.h"
#include "jingle/status.h"

namespace jingle {

// Starts the module from its beginning. NULL_ARGUMENT, BUSY while a song plays or renders
// (stop it first), NO_DEVICE when no sound device opens, OUT_OF_MEMORY when the ring or the
// mixing thread cannot be had (the device is closed again).
JINGLE_API Status play(Module* module);

// Pauses or resumes the playing song (device and mixing thread both). NOT_STARTED when nothing
// plays; asking for the state it is already in is OK and changes nothing.
JINGLE_API Status setPaused(bool paused);

// Stops the song and closes the device. NOT_STARTED when nothing plays.
JINGLE_API Status stop();

// True while a song plays (paused or not).
JINGLE_API bool playing();

// The order, row and time of the audio the device is playing now. NOT_STARTED when nothing
// plays. May be asked from any thread while the song plays.
JINGLE_API Status playbackPosition(Position* position);

}  // namespace jingle
