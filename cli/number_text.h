// Numbers as jingle prints them.
#pragma once

#include <cstdint>
#include <string>

namespace cli {

// 412345 -> "412,345".
std::string withThousands(std::uint64_t value);

}  // namespace cli
