#include "player/replay/voice_update.h"

#include <algorithm>
#include <cstdint>

#include "player/load/effects.h"
#include "player/numeric.h"
#include "player/replay/channel_mute.h"
#include "player/replay/pitch_memo.h"
#include "player/replay/voice_step.h"

namespace player {

namespace {

constexpr std::int32_t LINEAR_C4_PERIOD = 4608;
// 255 / 2^35: scales volume x envelope x fadeout x global volume (64 x 64 x 65536 x 64 at full
// scale) to a gain where 127.5 is full volume. Exact in single and double precision.
constexpr double GAIN_SCALE = 255.0 / 34359738368.0;
constexpr double FULL_MASTER_VOLUME = 64.0;  // Song::masterVolume at full scale

// Starts the sample on the channel's voice. If that voice still sounds, its record is first
// copied into the twin voice, which takes the new note, while the old voice plays on at gain 0
// and so ramps down to silence in the mixer.
Voice* triggerNote(VoicePool& pool, Channel* channel, const Sample* sample) {
  Voice* voice = channel->voice;
  const std::int32_t twin = twinOf(voice->index);
  // A damaged index that names no pool slot keeps the note on the same voice.
  if (voice->sample != nullptr && twin >= 0 && twin < VOICE_POOL_SIZE) {
    Voice* fresh = &pool.voices[twin];
    *fresh = *voice;
    fresh->index = twin;
    voice->volume = 0;
    voice->reportedVolume = 0;
    voice->leftTarget = 0;
    voice->rightTarget = 0;
    channel->voice = fresh;
    voice = fresh;
  }
  voice->sample = sample;
  const std::uint64_t playEnd = static_cast<std::uint64_t>(sample->loopStart) +
                                static_cast<std::uint64_t>(sample->loopLength);
  voice->position = voice->startOffset < playEnd ? voice->startOffset : 0;
  voice->positionFrac = 0;
  voice->direction = DIRECTION_FORWARD;
  voice->startOffset = 0;
  voice->leftLevel = 0;
  voice->rightLevel = 0;
  voice->rampRemaining = 0;
  voice->nextSample = nullptr;
  return voice;
}

// gain x share / 255, truncating toward zero; share is 0..255, so the result fits 32 bits.
std::int32_t targetOf(std::int64_t share, std::int64_t gain) {
  return static_cast<std::int32_t>(share * gain / 255);
}

void updateVolume(const Engine& engine, const Channel* channel, Voice* voice, const Song* song) {
  // Exact in double for every sane input (the product stays far below 2^53); damaged input only
  // loses precision, and an out-of-range gain comes back as INT32_MIN from the rounding.
  const double product =
      static_cast<double>(static_cast<std::int64_t>(channel->volume) + channel->volumeDelta) *
      static_cast<double>(channel->volEnvValue) * static_cast<double>(channel->fadeVolume) *
      static_cast<double>(song->globalVolume);
  const double master = song->masterVolume != 0 ? song->masterVolume / FULL_MASTER_VOLUME : 1.0;
  const bool muted = channelMuted(engine, channel);
  const double heard = muted ? 0.0 : listenerGain(engine, channel, product * GAIN_SCALE * master);
  const std::int32_t gain = muted ? 0 : roundToInt32(heard);
  voice->fineGains = (song->rules & RULE_FINE_GAINS) != 0;
  voice->volume = !voice->fineGains || muted ? gain : roundToInt32(heard * 256.0);
  voice->reportedVolume = gain;
  // The pan is the voice's own from its last panning update.
  voice->leftTarget = targetOf(voice->pan, voice->volume);
  voice->rightTarget = targetOf(255 - static_cast<std::int64_t>(voice->pan), voice->volume);
}

void updatePan(const Channel* channel, Voice* voice) {
  // The envelope swings the pan by at most the distance to the nearer edge, in steps of 32.
  const std::int64_t pan = channel->pan;
  const std::int64_t fromCentre = pan >= 128 ? pan - 128 : 128 - pan;
  const std::int64_t span = (128 - fromCentre) / 32;
  const std::int64_t swung = pan + span * (static_cast<std::int64_t>(channel->panEnvValue) - 32);
  const std::int32_t finalPan = static_cast<std::int32_t>(std::clamp<std::int64_t>(swung, 0, 255));
  voice->pan = finalPan;
  voice->reportedPan = finalPan;
  voice->leftTarget = targetOf(finalPan, voice->volume);
  voice->rightTarget = targetOf(255 - finalPan, voice->volume);
}

void updateFrequency(Engine& engine, const Channel* channel, Voice* voice, const Song* song) {
  // The guard has ruled out a zero period sum.
  const bool linear = (song->flags & SONG_LINEAR_FREQUENCIES) != 0;
  const FrequencyTable table = linear                                ? FrequencyTable::LINEAR
                               : (song->rules & RULE_PAL_CLOCK) != 0 ? FrequencyTable::AMIGA_PAL
                               : (song->rules & RULE_SCREAM_TRACKER_PERIODS) != 0
                                   ? FrequencyTable::SCREAM_TRACKER
                                   : FrequencyTable::AMIGA;
  const std::int32_t argument =
      linear ? wrapAdd(wrapSub(LINEAR_C4_PERIOD, channel->period), channel->periodDelta)
             : wrapAdd(channel->period, channel->periodDelta);
  // Without an output rate there is no step to compute; the voice keeps its old one.
  const std::int32_t rate = engine.output.outputRate;
  if (rate <= 0) {
    voice->frequency = frequencyOf(table, argument);
    return;
  }
  const std::int32_t fraction = channel->periodFraction + channel->periodDeltaFraction;
  if (fraction != 0 && table == FrequencyTable::SCREAM_TRACKER) {
    voice->frequency = frequencyOf(table, argument);
    setVoiceStepOfFinePeriod(voice, SCREAM_TRACKER_CLOCK,
                             static_cast<std::int64_t>(argument) * 256 + fraction, rate);
    return;
  }
  const VoicePitch pitch = pitchOf(engine.pitchMemo, table, argument, rate);
  voice->frequency = pitch.frequency;
  voice->step = pitch.step;
  voice->stepFrac = pitch.stepFrac;
}

}  // namespace

void updateVoice(Engine& engine, Channel* channel, const Sample* sample, const Song* song) {
  if (channel->voice == nullptr) return;
  if (wrapAdd(channel->period, channel->periodDelta) == 0) {
    channel->flags = static_cast<std::uint8_t>(channel->flags & ~UPDATE_FREQUENCY);
  }

  Voice* voice = channel->voice;
  if ((channel->flags & UPDATE_TRIGGER) != 0) {
    voice = triggerNote(engine.voicePool, channel, sample);
  }
  if ((channel->flags & UPDATE_VOLUME) != 0) updateVolume(engine, channel, voice, song);
  if ((channel->flags & UPDATE_PAN) != 0) updatePan(channel, voice);
  if ((channel->flags & UPDATE_FREQUENCY) != 0) updateFrequency(engine, channel, voice, song);
  if ((channel->flags & UPDATE_REWIND) != 0) {
    voice->positionFrac = 0;
    voice->position = 0;
    voice->startOffset = 0;
  }
}

}  // namespace player
