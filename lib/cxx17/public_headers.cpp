// Built as C++17 with -Wpedantic: the public headers must stay usable from older code bases.
#include "jingle/jingle.h"

static_assert(__cplusplus == 201703L, "this check is compiled as C++17");
