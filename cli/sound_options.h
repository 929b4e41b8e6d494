// What play and render both take to change how a module sounds: the interpolation the samples
// are read by, the gain in decibels and the stereo width; read from the command line and set on
// a player. At their defaults the player is left as it is.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "cli/options.h"
#include "jingle/jingle.h"

namespace cli {

struct SoundOptions {
  jingle_interpolation interpolation = JINGLE_INTERPOLATION_LINEAR;
  double gainDb = 0.0;
  std::int32_t stereoPercent = 100;
};

// The options play and render declare for it.
void declareSoundOptions(std::vector<OptionSpec>& declared);

// For --interpolation, --gain and --stereo: true with sound set, or false with the message for
// a value they do not take. Any other option is left alone (true).
bool readSoundOption(const ParsedOption& option, SoundOptions& sound, std::string& message);

// The settings that differ from the defaults, set on player.
void applySoundOptions(jingle::Player& player, const SoundOptions& sound);

// The gain to try instead of gainDb for a render whose loudest value was peak times full scale:
// whole decibels lower until it would fit, "-3" for 0 dB and a peak of 1.3.
std::string gainSuggestion(double gainDb, double peak);

}  // namespace cli
