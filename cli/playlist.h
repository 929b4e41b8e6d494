// The modules a command works through, from the FILEs on its command line: a file (or '-') named
// there is taken as it is, a folder for every module in it and the folders below, in name order.
// A file found in a folder is a module by its first bytes and size, whatever its name; every other
// file found is skipped with one line on stderr saying why.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace cli {

struct ListedModule {
  std::string path;   // as given, or the folder as given joined with the file's place in it
  std::string below;  // for a file found in a folder, its place in it ("a/b.xm"); else empty
};

// The modules of operands in order; the files skipped are reported on stderr as they are found
// ("jingle: NAME: skipped: reason"). False after one line on stderr for a folder that cannot be
// read.
bool listModules(const std::vector<std::string>& operands, std::vector<ListedModule>& modules);

// The list in another order, with the same modules: random, never the order it was in when it
// holds two or more.
void shuffleModules(std::vector<ListedModule>& modules);

}  // namespace cli
