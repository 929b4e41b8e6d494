#include "resources/tools/credits_text.h"

namespace resources {

namespace {
constexpr std::size_t MAX_LINE = 200;
}

bool creditsPages(const std::string& text, std::string& pages, std::string& fault) {
  pages.clear();
  std::size_t lineNumber = 0;
  std::size_t pageLines = 0;
  std::size_t pageNumber = 1;
  std::size_t at = 0;
  while (at < text.size()) {
    ++lineNumber;
    std::size_t end = text.find('\n', at);
    if (end == std::string::npos) end = text.size();
    std::string line = text.substr(at, end - at);
    at = end + 1;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    const std::string where = "line " + std::to_string(lineNumber);
    if (line == "\f") {
      if (pageLines == 0) {
        fault = where + ": page " + std::to_string(pageNumber) + " has no lines";
        return false;
      }
      pages += '\0';
      pageLines = 0;
      ++pageNumber;
      continue;
    }
    if (line.size() > MAX_LINE) {
      fault = where + " is longer than " + std::to_string(MAX_LINE) + " characters";
      return false;
    }
    for (char c : line) {
      if (c < 32 || c > 126) {
        fault = where + " holds a byte that is not printable ASCII (" +
                std::to_string(static_cast<unsigned char>(c)) + ")";
        return false;
      }
    }
    pages += line;
    pages += '\r';
    ++pageLines;
  }
  if (pageLines == 0) {
    fault = pageNumber == 1 ? "the credits are empty"
                            : "page " + std::to_string(pageNumber) + " has no lines";
    return false;
  }
  pages += '\0';
  pages += '\0';
  return true;
}

}  // namespace resources
