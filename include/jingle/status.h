// The result of every library call that can fail, and the sentence that describes it.
#pragma once

#include "jingle/export.h"

namespace jingle {

enum class Status : int {
  OK = 0,
  NULL_ARGUMENT,     // a pointer the call needs was null
  INVALID_ARGUMENT,  // a value outside what the call takes (a rate, a count of rounds)
  CANNOT_READ,       // the file could not be read
  NOT_A_MODULE,      // the bytes are no module the player knows (XM, S3M or MOD)
  UNSUPPORTED,       // a module the player cannot play (too many channels, patterns, samples)
  OUT_OF_MEMORY,     // memory could not be had
  NO_DEVICE,         // no sound device could be opened
  BUSY,              // another song is playing or rendering: the engine plays one at a time
  NOT_STARTED,       // nothing is playing or rendering to act on
};

// A short English sentence for the status, e.g. "another song is playing or rendering". Never
// null; the text is static.
JINGLE_API const char* statusText(Status status);

}  // namespace jingle
