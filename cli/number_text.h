// Numbers and times as jingle reads them from a command line and prints them.
#pragma once

#include <cstdint>
#include <string>

namespace cli {

// 412345 -> "412,345".
std::string withThousands(std::uint64_t value);

// 90500 -> "1:30.5": minutes, seconds and tenths of a time in milliseconds.
std::string clockText(std::int64_t ms);

// A whole number from low to high written in decimal digits only: no sign, space, exponent or
// other base. False for anything else.
bool readWholeNumber(const std::string& text, std::int64_t low, std::int64_t high,
                     std::int64_t& value);

// A time as --start and --seconds take it: "90", "90.5", "1:30" or "1:30.5" (seconds below 60
// after the minutes), in decimal digits with one point at most, up to 10,000,000 seconds. False
// for anything else.
bool readTime(const std::string& text, double& seconds);

}  // namespace cli
