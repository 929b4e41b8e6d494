#include "cli/render_format.h"

#include <cctype>

namespace cli {

std::string formatName(AudioFormat format) {
  switch (format) {
    case AudioFormat::RAW:
      return "raw";
    case AudioFormat::FLAC:
      return "flac";
    case AudioFormat::WAV:
      break;
  }
  return "wav";
}

bool formatNamed(const std::string& name, AudioFormat& format) {
  std::string lower;
  for (const char c : name)
    lower += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  for (const AudioFormat candidate : {AudioFormat::WAV, AudioFormat::RAW, AudioFormat::FLAC}) {
    if (lower == formatName(candidate)) {
      format = candidate;
      return true;
    }
  }
  return false;
}

std::string nameExtension(const std::string& path) {
  const std::size_t dot = path.rfind('.');
  const std::size_t slash = path.find_last_of("/\\");
  if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return "";
  return path.substr(dot + 1);
}

FormatChoice formatOfName(const std::string& path) {
  FormatChoice choice;
  choice.given = formatNamed(nameExtension(path), choice.format);
  return choice;
}

bool chooseFormat(FormatChoice& choice, AudioFormat format) {
  if (choice.given && choice.format != format) return false;
  choice.given = true;
  choice.format = format;
  return true;
}

}  // namespace cli
