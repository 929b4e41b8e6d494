// What a module file lacks of what its own headers describe: a download cut short, or a header
// that points past the file's end. The loader plays what remains (missing bytes read as zero);
// the check of every format fills this record so that a program can say what is missing, and
// refuse a file of which nothing playable remains. Worded by moduleDamageText.
#pragma once

#include <cstdint>

namespace player {

struct ModuleDamage {
  // The file's length when the file ends before what its headers describe; 0 for a whole file.
  std::uint32_t endsAt;
  std::uint32_t patterns, patternsMissing;        // declared; of them, not held in full
  std::uint32_t instruments, instrumentsMissing;  // declared; of them, not held in full
  std::uint32_t samplesMissing;  // samples whose header or data the file does not hold in full
  // What is left to hear: patterns the order list plays that hold a note, samples with data.
  std::uint32_t patternsWithNotes, samplesWithData;
};

inline bool moduleDamaged(const ModuleDamage& damage) {
  return damage.endsAt != 0;
}

// A damaged file of which no note can sound: no played pattern with a note, or no sample data.
inline bool nothingPlayableRemains(const ModuleDamage& damage) {
  return moduleDamaged(damage) && (damage.patternsWithNotes == 0 || damage.samplesWithData == 0);
}

}  // namespace player
