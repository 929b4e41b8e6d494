// The library's version.
#pragma once

#include "jingle/export.h"

namespace jingle {

// "MAJOR.MINOR.PATCH" of the library the program runs with.
JINGLE_API const char* version();

}  // namespace jingle
