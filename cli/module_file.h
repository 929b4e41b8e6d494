// Opening a module for a command: a file through the library's own check and load, or standard
// input ("-"), read here within the library's size limit and judged by the same check. A module
// that cannot be used is refused in one line on stderr; a damaged one is used for what remains of
// it, with one line saying what is missing.
#pragma once

#include <string>

#include "jingle/jingle.h"

namespace cli {

// EXIT_OK with module loaded, or EXIT_BAD_INPUT after "jingle: NAME: reason" on stderr.
int openModule(const std::string& path, jingle::Module& module);

// "jingle: NAME: damaged: what is missing" on stderr for each of the module's warnings.
void warnOfDamage(const std::string& path, const jingle::Module& module);

}  // namespace cli
