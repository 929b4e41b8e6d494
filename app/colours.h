// The application's colours, as 0x00BBGGRR colour references.
#pragma once

#include <cstdint>

namespace app {

constexpr std::uint32_t BLACK = 0x000000;
constexpr std::uint32_t WHITE = 0xFFFFFF;
constexpr std::uint32_t BUTTON_BLUE = 0xFFAE00;  // red 0, green 174, blue 255

constexpr std::uint8_t redOf(std::uint32_t colour) { return colour & 0xFF; }
constexpr std::uint8_t greenOf(std::uint32_t colour) { return (colour >> 8) & 0xFF; }
constexpr std::uint8_t blueOf(std::uint32_t colour) { return (colour >> 16) & 0xFF; }

}  // namespace app
