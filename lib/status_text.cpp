#include "jingle/status.h"
#include "jingle/version.h"

namespace jingle {

const char* statusText(Status status) {
  switch (status) {
    case Status::OK:
      return "done";
    case Status::NULL_ARGUMENT:
      return "a required argument is null";
    case Status::INVALID_ARGUMENT:
      return "an argument is out of range";
    case Status::CANNOT_READ:
      return "the file cannot be read";
    case Status::NOT_A_MODULE:
      return "not a module the player knows";
    case Status::UNSUPPORTED:
      return "a module the player cannot play";
    case Status::OUT_OF_MEMORY:
      return "not enough memory";
    case Status::NO_DEVICE:
      return "no sound device";
    case Status::BUSY:
      return "another song is playing or rendering";
    case Status::NOT_STARTED:
      return "nothing is playing or rendering";
  }
  return "unknown status";
}

const char* version() {
  return JINGLE_VERSION;
}

}  // namespace jingle
