#include "cli/sound_options.h"

#include <cstdio>
#include <cstdlib>

#include "cli/number_text.h"

namespace cli {
namespace {

constexpr double MIN_GAIN_DB = -60.0;
constexpr double MAX_GAIN_DB = 24.0;
constexpr std::int64_t MAX_STEREO_PERCENT = 200;
constexpr double LOUDEST = 32767.0 / 32768.0;  // of full scale, as a 16-bit sample holds it
constexpr double ONE_DB = 1.122462048309373;   // 2^(1/6): the library counts six to a doubling

// A decimal number with an optional sign and one point at most: "-3", "+2.5", "0.5".
bool readDecimal(const std::string& text, double& value) {
  std::size_t at = !text.empty() && (text[0] == '-' || text[0] == '+') ? 1 : 0;
  bool digits = false, point = false;
  for (; at < text.size(); ++at) {
    if (text[at] >= '0' && text[at] <= '9') {
      digits = true;
    } else if (text[at] == '.' && !point) {
      point = true;
    } else {
      return false;
    }
  }
  if (!digits) return false;
  value = std::strtod(text.c_str(), nullptr);
  return true;
}

}  // namespace

void declareSoundOptions(std::vector<OptionSpec>& declared) {
  declared.push_back({"interpolation", 0, true});
  declared.push_back({"gain", 0, true});
  declared.push_back({"stereo", 0, true});
}

bool readSoundOption(const ParsedOption& option, SoundOptions& sound, std::string& message) {
  if (option.name == "interpolation") {
    const std::string& name = option.value;
    if (name == "linear") {
      sound.interpolation = JINGLE_INTERPOLATION_LINEAR;
    } else if (name == "nearest") {
      sound.interpolation = JINGLE_INTERPOLATION_NEAREST;
    } else if (name == "sinc") {
      sound.interpolation = JINGLE_INTERPOLATION_SINC;
    } else {
      message = "--interpolation takes nearest, linear or sinc";
      return false;
    }
  } else if (option.name == "gain") {
    if (!readDecimal(option.value, sound.gainDb) || sound.gainDb < MIN_GAIN_DB ||
        sound.gainDb > MAX_GAIN_DB) {
      message = "--gain takes decibels from -60 to 24, such as -3 or 2.5";
      return false;
    }
  } else if (option.name == "stereo") {
    std::int64_t percent = 0;
    if (!readWholeNumber(option.value, 0, MAX_STEREO_PERCENT, percent)) {
      message = "--stereo takes a width in percent, 0 (mono) to 200 (100: as the module pans)";
      return false;
    }
    sound.stereoPercent = static_cast<std::int32_t>(percent);
  }
  return true;
}

void applySoundOptions(jingle::Player& player, const SoundOptions& sound) {
  if (sound.interpolation != JINGLE_INTERPOLATION_LINEAR) {
    player.setInterpolation(sound.interpolation);
  }
  if (sound.gainDb != 0.0) player.setGain(sound.gainDb);
  if (sound.stereoPercent != 100) player.setStereo(sound.stereoPercent);
}

std::string gainSuggestion(double gainDb, double peak) {
  // Whole decibels down from the gain used until the peak is below full scale: one at least.
  double suggested = gainDb;
  double level = peak;
  do {
    suggested -= 1.0;
    level /= ONE_DB;
  } while (level > LOUDEST && suggested - 1.0 >= MIN_GAIN_DB);
  char text[32];
  std::snprintf(text, sizeof text, "%g", suggested);
  return text;
}

}  // namespace cli
