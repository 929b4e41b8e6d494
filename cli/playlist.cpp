#include "cli/playlist.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <random>

#include "cli/display_text.h"
#include "jingle/jingle.h"

namespace cli {
namespace {

namespace fs = std::filesystem;

// Empty when the file found is worth loading; otherwise why it is skipped.
std::string skipReason(const fs::directory_entry& entry) {
  std::error_code error;
  if (!entry.is_regular_file(error)) return "not a regular file";
  const std::uintmax_t size = entry.file_size(error);
  if (error) return "cannot be read: " + error.message();
  std::ifstream file(entry.path(), std::ios::binary);
  char head[JINGLE_HEAD_BYTES];
  file.read(head, sizeof head);
  if (file.bad() || (!file && !file.eof())) return "cannot be read";
  const auto got = static_cast<std::size_t>(file.gcount());
  if (jingle_check_file_head(head, got, static_cast<std::uint64_t>(size)) != JINGLE_OK) {
    return jingle_load_reason();
  }
  // The head decides only what it can (an XM's); the whole file tells a MOD or an S3M from
  // anything else, as the load that plays it will.
  jingle_module* module = nullptr;
  if (jingle_module_load_file(entry.path().string().c_str(), &module) != JINGLE_OK)
    return jingle_load_reason();
  jingle_module_free(module);
  return "";
}

bool listFolder(const std::string& folder, std::vector<ListedModule>& modules) {
  std::vector<fs::directory_entry> found;
  std::error_code error;
  fs::recursive_directory_iterator walk(folder, fs::directory_options::skip_permission_denied,
                                        error);
  for (; !error && walk != fs::recursive_directory_iterator(); walk.increment(error)) {
    std::error_code kind;
    if (!walk->is_directory(kind)) found.push_back(*walk);
  }
  if (error) {
    std::fprintf(stderr, "jingle: %s: cannot read the folder: %s\n", displayName(folder).c_str(),
                 error.message().c_str());
    return false;
  }
  std::sort(found.begin(), found.end(),
            [](const fs::directory_entry& a, const fs::directory_entry& b) {
              return a.path() < b.path();
            });
  for (const fs::directory_entry& entry : found) {
    const std::string below = entry.path().lexically_relative(folder).generic_string();
    if (const std::string reason = skipReason(entry); !reason.empty()) {
      std::fprintf(stderr, "jingle: %s: skipped: %s\n", inputName(entry.path().string()).c_str(),
                   reason.c_str());
      continue;
    }
    modules.push_back(ListedModule{entry.path().string(), below});
  }
  return true;
}

}  // namespace

bool listModules(const std::vector<std::string>& operands, std::vector<ListedModule>& modules) {
  for (const std::string& operand : operands) {
    std::error_code error;
    if (operand != "-" && fs::is_directory(operand, error)) {
      if (!listFolder(operand, modules)) return false;
    } else {
      modules.push_back(ListedModule{operand, ""});
    }
  }
  return true;
}

void shuffleModules(std::vector<ListedModule>& modules) {
  if (modules.size() < 2) return;
  const std::vector<ListedModule> before = modules;
  std::random_device seed;
  std::mt19937 random(seed());
  std::shuffle(modules.begin(), modules.end(), random);
  const bool same =
      std::equal(modules.begin(), modules.end(), before.begin(),
                 [](const ListedModule& a, const ListedModule& b) { return a.path == b.path; });
  if (same) std::rotate(modules.begin(), modules.begin() + 1, modules.end());
}

}  // namespace cli
