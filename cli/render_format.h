// The forms a render takes (WAV, raw PCM, FLAC), chosen by an option or by the output's name.
#pragma once

#include <string>

namespace cli {

enum class AudioFormat { WAV, RAW, FLAC };

struct FormatChoice {
  bool given = false;
  AudioFormat format = AudioFormat::WAV;
};

// "wav", "raw" or "flac": the format's name, also its file name extension.
std::string formatName(AudioFormat format);

// The format called name (as formatName gives it, any case); false for none.
bool formatNamed(const std::string& name, AudioFormat& format);

// What follows the last dot of a file name ("" without one).
std::string nameExtension(const std::string& path);

// The format a file name's extension names; not given when it names none.
FormatChoice formatOfName(const std::string& path);

// Records format as chosen; false when another one was chosen before.
bool chooseFormat(FormatChoice& choice, AudioFormat format);

}  // namespace cli
