// The life of Impulse Tracker notes: starting one on a channel (the new-note action of the note
// it replaces, the duplicate check, a place in the voice pool), releasing, fading and cutting,
// and the past-note actions on the notes a channel left in the background.
#pragma once

#include <cstdint>

#include "player/load/song.h"
#include "player/replay/it_player.h"

namespace player {

// Starts note (0..119 as written) of the channel's instrument on channel c, at the given
// sample offset. Returns the new note, or null when the instrument maps the note to no sample
// or no voice can be had.
ItNote* startItNote(Engine& engine, const Song* song, std::int32_t c, std::uint8_t note,
                    std::uint32_t offset);

// The sample and note the channel's instrument plays for a note as written; null sample for none.
struct KeyboardSound {
  Sample* sample;
  std::uint8_t sampleNumber;
  std::uint8_t note;
};
KeyboardSound soundOf(const Song* song, std::uint8_t instrument, std::uint8_t note);

// Hands channel c's foreground note to the background by its new-note action, or cuts it.
void sendItNoteBack(Engine& engine, const Song* song, std::int32_t c);

void releaseItNote(Engine& engine, ItNote& note);  // key off
void fadeItNote(ItNote& note);
void cutItNote(Engine& engine, ItNote& note);  // silent at once (its voice ramps down)

// The actions of S70..S72 (and a duplicate check's): 0 cut, 1 note off, 2 fade.
void actOnItNote(Engine& engine, ItNote& note, std::int32_t action);

// Frees the voices of notes that have stopped once their ramp down is over, and stops the notes
// whose sample has ended.
void collectItVoices(Engine& engine);

}  // namespace player
