#include "cli/display_text.h"

#include <cstdio>

namespace cli {

std::string displayText(const std::string& stored) {
  std::string shown;
  for (const char c : stored) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte < 0x20 || (byte >= 0x7F && byte < 0xA0)) {
      shown += '?';
    } else if (byte < 0x80) {
      shown += c;
    } else {
      shown += static_cast<char>(0xC0 | byte >> 6);
      shown += static_cast<char>(0x80 | (byte & 0x3F));
    }
  }
  return shown;
}

std::string jsonString(const std::string& text) {
  std::string json = "\"";
  for (const char c : text) {
    if (c == '"' || c == '\\') {
      json += '\\';
      json += c;
    } else if (static_cast<unsigned char>(c) < 0x20) {
      char escaped[8];
      std::snprintf(escaped, sizeof escaped, "\\u%04x", static_cast<unsigned char>(c));
      json += escaped;
    } else {
      json += c;
    }
  }
  return json + "\"";
}

}  // namespace cli
