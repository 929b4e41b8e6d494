// Loading a module (XM, S3M or MOD) and asking what it holds.
//
// A Module is the song as the player plays it, loaded once from the module's bytes (which the
// library copies, so the caller's buffer may go at once). Any number of modules may be loaded;
// only one of them plays or renders at a time (see playback.h and render.h). Call the library
// from one thread; only the position queries and the pull rendering may come from another, as
// their headers say.
#pragma once

#include <cstddef>
#include <cstdint>

#include "jingle/export.h"
#include "jingle/status.h"

namespace jingle {

struct Module;  // opaque; made by loadModule or loadModuleFile, freed by freeModule

// Why a module did not load: the status and one line for a person to read, such as
// "has 40 channels (at most 32 are supported)" or "cannot be read: no such file".
struct LoadFailure {
  Status status;
  char reason[160];  // NUL-terminated
};

// Loads a module from size bytes of a module file. The module, or null with failure (when given)
// filled in: NULL_ARGUMENT, NOT_A_MODULE, UNSUPPORTED or OUT_OF_MEMORY.
JINGLE_API Module* loadModule(const void* bytes, std::size_t size, LoadFailure* failure = nullptr);

// Loads a module from a module file. As loadModule, and CANNOT_READ when the file cannot be read.
JINGLE_API Module* loadModuleFile(const char* path, LoadFailure* failure = nullptr);

// Frees the module, stopping it first if it plays or renders. Null is fine.
JINGLE_API void freeModule(Module* module);

// Frames per second that durations are counted in.
constexpr std::int32_t DURATION_RATE = 44100;

// What a module holds, as `jingle info` shows it. Counts are as the player plays the song.
struct ModuleFacts {
  char title[21];    // the module's name, trailing spaces dropped, NUL-terminated
  char tracker[21];  // the program that wrote it, likewise
  std::int32_t channels;
  std::int32_t orders;           // song length: entries of the order table that are played
  std::int32_t restartPosition;  // where the song goes on after its last order
  std::int32_t patterns;         // patterns the file declares
  std::int32_t patternSlots;     // patterns the song holds (those the order table names included)
  std::int32_t instruments;
  std::int32_t samples;             // over all instruments
  bool linearFrequencies;           // the linear frequency table, else the Amiga one
  std::int32_t speed;               // initial ticks per row
  std::int32_t bpm;                 // initial tempo
  std::uint64_t sampleMemoryBytes;  // the 16-bit sample data the player holds
  // Frames at DURATION_RATE from the start to the natural end: the first row that comes back to
  // an order position and row already played (a pattern loop's repeats do not count). -1 while
  // unknown: the length is found with the engine, so a module loaded while another song plays
  // or renders has it only once that song has stopped.
  std::int64_t durationFrames;
  bool durationLimited;  // no end within 30 minutes: durationFrames is that limit
  char format[4];        // the module's format: "XM", "MOD" or "S3M", NUL-terminated
};

// Fills facts; NULL_ARGUMENT when either is null.
JINGLE_API Status moduleFacts(const Module* module, ModuleFacts* facts);

// The name of instrument index (0 .. instruments - 1) and of sample sample (0 .. its sample
// count - 1) of that instrument: up to 28 characters, trailing spaces dropped. MOD and S3M
// instruments are their samples: each has one, of the same name. Null when an
// index is out of range or module is null. Valid as long as the module.
JINGLE_API const char* instrumentName(const Module* module, std::int32_t instrument);
JINGLE_API std::int32_t instrumentSampleCount(const Module* module, std::int32_t instrument);
JINGLE_API const char* sampleName(const Module* module, std::int32_t instrument,
                                  std::int32_t sample);

}  // namespace jingle
