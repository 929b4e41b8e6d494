// The texts of an Impulse Tracker file: title, the tracker that saved it (from its version
// field), instrument and sample names and the song message, in the module texts' record.
#pragma once

#include <cstdint>
#include <string>

#include "player/load/module_image.h"
#include "player/load/module_texts.h"

namespace player {

// Instruments get their names; their samples are the song's, so every instrument's list holds
// the names of the samples its keyboard plays. In sample mode every sample is an instrument of
// its own name. The message comes with its line breaks as '\n'.
ModuleTexts readItTexts(const ModuleImage* image);

// "Impulse Tracker 2.14", "Schism Tracker", "OpenMPT 1.30", ... from the header's version fields.
std::string itTrackerName(std::uint16_t trackerVersion, std::uint16_t formatVersion);

}  // namespace player
