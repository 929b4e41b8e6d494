#include "cli/number_text.h"

#include <cinttypes>
#include <cstdio>
#include <cstdlib>

namespace cli {
namespace {

constexpr double MAX_SECONDS = 1e7;

bool allDigits(const std::string& text) {
  return !text.empty() && text.find_first_not_of("0123456789") == std::string::npos;
}

// Digits, with a point followed by more digits at most.
bool decimal(const std::string& text) {
  const std::size_t point = text.find('.');
  return point == std::string::npos
             ? allDigits(text)
             : allDigits(text.substr(0, point)) && allDigits(text.substr(point + 1));
}

}  // namespace

std::string withThousands(std::uint64_t value) {
  const std::string digits = std::to_string(value);
  std::string grouped;
  for (std::size_t i = 0; i < digits.size(); ++i) {
    if (i > 0 && (digits.size() - i) % 3 == 0) grouped += ',';
    grouped += digits[i];
  }
  return grouped;
}

std::string clockText(std::int64_t ms) {
  char text[32];
  const std::int64_t tenths = ms / 100;
  std::snprintf(text, sizeof text, "%" PRId64 ":%02" PRId64 ".%" PRId64, tenths / 600,
                tenths / 10 % 60, tenths % 10);
  return text;
}

bool readWholeNumber(const std::string& text, std::int64_t low, std::int64_t high,
                     std::int64_t& value) {
  if (!allDigits(text) || text.size() > 18) return false;
  const std::int64_t read = std::strtoll(text.c_str(), nullptr, 10);
  if (read < low || read > high) return false;
  value = read;
  return true;
}

bool readTime(const std::string& text, double& seconds) {
  const std::size_t colon = text.find(':');
  const std::string tail = colon == std::string::npos ? text : text.substr(colon + 1);
  if (!decimal(tail)) return false;
  double minutes = 0.0;
  const double rest = std::strtod(tail.c_str(), nullptr);
  if (colon != std::string::npos) {
    const std::string head = text.substr(0, colon);
    if (!allDigits(head) || rest >= 60.0) return false;
    minutes = std::strtod(head.c_str(), nullptr);
  }
  if (minutes * 60 + rest > MAX_SECONDS) return false;
  seconds = minutes * 60 + rest;
  return true;
}

}  // namespace cli
