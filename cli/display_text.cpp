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

namespace {

// The length of the UTF-8 character at text[at...], or 0 when the bytes there are none.
std::size_t utf8Length(const std::string& text, std::size_t at) {
  const auto byte = [&](std::size_t k) {
    return at + k < text.size() ? static_cast<unsigned char>(text[at + k]) : 0u;
  };
  const unsigned lead = byte(0);
  std::size_t length = 0;
  unsigned low = 0x80, high = 0xBF;  // the second byte's range, narrower after some leads
  if (lead >= 0xC2 && lead <= 0xDF) {
    length = 2;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    length = 3;
    if (lead == 0xE0) low = 0xA0;   // no overlong forms
    if (lead == 0xED) high = 0x9F;  // no surrogates
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    length = 4;
    if (lead == 0xF0) low = 0x90;
    if (lead == 0xF4) high = 0x8F;  // nothing above U+10FFFF
  } else {
    return 0;
  }
  if (byte(1) < low || byte(1) > high) return 0;
  for (std::size_t k = 2; k < length; ++k)
    if (byte(k) < 0x80 || byte(k) > 0xBF) return 0;
  return length;
}

}  // namespace

std::string displayName(const std::string& name) {
  std::string shown;
  for (std::size_t at = 0; at < name.size();) {
    const auto byte = static_cast<unsigned char>(name[at]);
    if (byte < 0x80) {
      shown += byte < 0x20 || byte == 0x7F ? '?' : name[at];
      ++at;
      continue;
    }
    const std::size_t length = utf8Length(name, at);
    if (length == 0) {
      shown += "\xEF\xBF\xBD";
      ++at;
    } else if (length == 2 && byte == 0xC2 && static_cast<unsigned char>(name[at + 1]) < 0xA0) {
      shown += '?';  // C1 control characters, U+0080 to U+009F
      at += 2;
    } else {
      shown.append(name, at, length);
      at += length;
    }
  }
  return shown;
}

std::string inputName(const std::string& path) {
  return path == "-" ? std::string("standard input") : displayName(path);
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
