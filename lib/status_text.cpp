// The sentence for each status, and the library's version.
#include "jingle/jingle.h"

extern "C" {

const char* jingle_status_text(jingle_status status) {
  switch (status) {
    case JINGLE_OK:
      return "done";
    case JINGLE_NULL_ARGUMENT:
      return "a required argument is null";
    case JINGLE_INVALID_ARGUMENT:
      return "an argument is out of range";
    case JINGLE_CANNOT_READ:
      return "the file cannot be read";
    case JINGLE_NOT_A_MODULE:
      return "not a module the player reads";
    case JINGLE_UNSUPPORTED:
      return "a module the player cannot play";
    case JINGLE_DAMAGED:
      return "a damaged module with nothing playable left";
    case JINGLE_TOO_LARGE:
      return "too large to be a module";
    case JINGLE_OUT_OF_MEMORY:
      return "not enough memory";
    case JINGLE_NO_DEVICE:
      return "no sound device";
    case JINGLE_BUSY:
      return "the player is in use or plays on the device";
    case JINGLE_NOT_PLAYING:
      return "the player is not on the sound device";
  }
  return "unknown status";
}

const char* jingle_version(void) {
  return JINGLE_VERSION;
}

uint32_t jingle_version_number(void) {
  return JINGLE_VERSION_NUMBER;
}

}  // extern "C"
