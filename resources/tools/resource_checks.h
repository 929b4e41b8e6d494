// What makes a file unfit to be one of the application's resources. Each check takes the file's
// bytes and returns what is wrong, or an empty text when the file can serve.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace resources {

using Bytes = std::vector<std::uint8_t>;

// The player's module check must pass it.
std::string moduleFault(const Bytes& bytes);
// An uncompressed 24-bit BMP of exactly width x height pixels, with all its pixels.
std::string bitmapFault(const Bytes& bytes, std::int32_t width, std::int32_t height);
// An icon file with at least one image, every image inside the file.
std::string iconFault(const Bytes& bytes);

}  // namespace resources
