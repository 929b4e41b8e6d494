/* jingle: a module player to embed. Loads XM, S3M and MOD modules (and, as it comes, IT),
 * renders them into buffers of your own at any rate from 8,000 to 192,000 Hz, or plays them on
 * the sound device, any number at once.
 *
 * The library's ABI is this C interface; C++ programs get RAII types over it at the end of this
 * header (namespace jingle). The header compiles as C99 and as C++.
 *
 * Thread rules:
 * - Loading (jingle_module_load, jingle_module_load_file) may run on any number of threads at
 *   once. A loaded module never changes: its queries may come from any thread at any time.
 * - A player is used by one thread at a time; different players may be used on different threads
 *   at once. A call made on a player while another thread is inside a call on the same player
 *   gets JINGLE_BUSY (the render calls render nothing) rather than corrupting it.
 * - A player on the sound device renders on a mixing thread of its own. While it is there, the
 *   render calls render nothing and jingle_player_seek_*, jingle_player_set_*, pause, stop,
 *   position and free act on the playback (from one thread at a time).
 *
 * Nothing in the library aborts the calling process: every failure, running out of memory
 * included, is a status. */
#ifndef JINGLE_JINGLE_H
#define JINGLE_JINGLE_H

#include <stddef.h>
#include <stdint.h>

#include "jingle/export.h"

#define JINGLE_VERSION_MAJOR 0
#define JINGLE_VERSION_MINOR 3
#define JINGLE_VERSION_PATCH 0
/* MAJOR << 16 | MINOR << 8 | PATCH, as jingle_version_number() returns it. */
#define JINGLE_VERSION_NUMBER \
  ((JINGLE_VERSION_MAJOR << 16) | (JINGLE_VERSION_MINOR << 8) | JINGLE_VERSION_PATCH)

#define JINGLE_MIN_RATE 8000
#define JINGLE_MAX_RATE 192000
/* A file is judged by its first JINGLE_HEAD_BYTES bytes and its size before it is read: a file
 * smaller than JINGLE_MIN_FILE_BYTES or larger than JINGLE_MAX_FILE_BYTES is refused unread. */
#define JINGLE_HEAD_BYTES 80
#define JINGLE_MIN_FILE_BYTES 80
#define JINGLE_MAX_FILE_BYTES (256u * 1024u * 1024u)
/* A song that has not ended by itself after this long stops there (unless it plays endlessly). */
#define JINGLE_MAX_SECONDS 1800
/* Rounds value that never ends the song. */
#define JINGLE_ENDLESS 0
/* Channels a module may have at most, as Impulse Tracker modules do. It was 32 before this
 * library played them; while its version is 0.x such limits may still change. */
#define JINGLE_MAX_CHANNELS 64

#ifdef __cplusplus
extern "C" {
#endif

/* "MAJOR.MINOR.PATCH" of the library the program runs with, and the same as a number. A program
 * can compare it with the header's JINGLE_VERSION_* it was built with. */
JINGLE_API const char* jingle_version(void);
JINGLE_API uint32_t jingle_version_number(void);

typedef enum jingle_status {
  JINGLE_OK = 0,
  JINGLE_NULL_ARGUMENT,    /* a pointer the call needs was null */
  JINGLE_INVALID_ARGUMENT, /* a value outside what the call takes (a rate, a channel...) */
  JINGLE_CANNOT_READ,      /* the file could not be read */
  JINGLE_NOT_A_MODULE,     /* the bytes are not a module of any format the player reads */
  JINGLE_UNSUPPORTED,      /* a module the player cannot play (too many channels...) */
  JINGLE_DAMAGED,          /* a module damaged so badly that nothing playable remains */
  JINGLE_TOO_LARGE,        /* more than JINGLE_MAX_FILE_BYTES */
  JINGLE_OUT_OF_MEMORY,    /* memory could not be had */
  JINGLE_NO_DEVICE,        /* no sound device could be opened */
  JINGLE_BUSY,             /* the player is in use by another call, or plays on the device */
  JINGLE_NOT_PLAYING       /* a device call on a player that is not on the device */
} jingle_status;

/* A short English sentence for the status, e.g. "not enough memory". Never null. */
JINGLE_API const char* jingle_status_text(jingle_status status);

/* ---- Modules ------------------------------------------------------------------------------ */

typedef struct jingle_module jingle_module; /* immutable once loaded, reference-counted */

/* Loads a module from size bytes (copied: the caller's buffer may go at once). On failure *out
 * is null and jingle_load_reason() tells why in one line. A damaged module of which something
 * playable remains loads, with warnings (jingle_module_warning). */
JINGLE_API jingle_status jingle_module_load(const void* data, size_t size, jingle_module** out);
/* Loads a module file: judged by its size and first bytes before the rest is read. */
JINGLE_API jingle_status jingle_module_load_file(const char* path, jingle_module** out);
/* For programs that read a module themselves (from a pipe, say): judges the first head_bytes
 * bytes (up to JINGLE_HEAD_BYTES; all of them for a shorter file) and the file's size, as the
 * loads do before they read the rest. JINGLE_OK when the rest is worth reading; otherwise
 * JINGLE_NOT_A_MODULE or JINGLE_TOO_LARGE, and jingle_load_reason() says why. */
JINGLE_API jingle_status jingle_check_file_head(const void* head, size_t head_bytes,
                                                uint64_t file_bytes);
/* Why the calling thread's last load or check failed, in one line for a person, such as
 * "has 40 channels (at most 32 are supported)" or "cannot be read: no such file"; "" after one
 * that succeeded. Valid until the thread's next load or check. */
JINGLE_API const char* jingle_load_reason(void);
/* Frees the module. Players made from it keep what they need and play on. Null is fine. */
JINGLE_API void jingle_module_free(jingle_module* module);

/* What a module holds, as `jingle info` shows it. Sizes only grow at the end: pass
 * sizeof(jingle_module_info), and a newer library fills only what the caller knows. */
typedef struct jingle_module_info {
  const char* format;  /* "XM", "MOD", "S3M" or "IT" */
  const char* title;   /* the module's name as stored, trailing spaces dropped */
  const char* tracker; /* the program that saved the file, as stored or as recognised */
  /* As the player plays the song. */
  int32_t channels;
  int32_t orders;             /* entries of the order table the song plays */
  int32_t restart_order;      /* where the song goes on after its last order */
  int32_t patterns;           /* patterns the song holds */
  int32_t patterns_used;      /* different patterns the order table names */
  int32_t instruments;        /* 0 for formats without instruments */
  int32_t samples;            /* over all instruments */
  int32_t linear_frequencies; /* 1: the linear frequency table; 0: Amiga periods */
  int32_t speed;              /* initial ticks per row */
  int32_t bpm;                /* initial tempo */
  /* The header's counts as the file stores them (a count the player reads as none, or caps,
   * keeps the file's value here). */
  int64_t stored_channels;
  int64_t stored_orders;
  int64_t stored_restart_order;
  int64_t stored_patterns;
  int64_t stored_instruments;
  int64_t stored_speed;
  int64_t stored_bpm;
  uint64_t sample_memory_bytes; /* the sample data the player holds */
  uint64_t file_bytes;
  const char* note;     /* what the player leaves out of the file, such as "2 AdLib instruments
                         * played silent"; "" when nothing */
  const char* message;  /* the song message of the formats that carry one (IT), lines ending
                         * in '\n'; "" when none */
  int32_t note_actions; /* instruments whose notes go on sounding under the next (IT) */
  int32_t filters;      /* instruments that play through a resonant filter (IT) */
} jingle_module_info;

/* Texts are the file's bytes (read them as Latin-1; control bytes are shown as '?'),
 * NUL-terminated, valid as long as the module. */
JINGLE_API jingle_status jingle_module_get_info(const jingle_module* module,
                                                jingle_module_info* info, size_t info_size);

/* What a damaged module's file lacks of what its headers describe (a download cut short, a
 * header pointing past the end). All zero for a whole file. Sizes only grow at the end. */
typedef struct jingle_module_damage {
  uint32_t file_ends_at; /* the file's length when it ends too early; 0 for a whole file */
  uint32_t patterns, patterns_missing;       /* declared; of them, not held in full */
  uint32_t instruments, instruments_missing; /* declared; of them, not held in full */
  uint32_t samples_missing; /* samples whose header or data the file does not hold in full */
  uint32_t patterns_with_notes, samples_with_data; /* what is left to hear */
} jingle_module_damage;

JINGLE_API jingle_status jingle_module_get_damage(const jingle_module* module,
                                                  jingle_module_damage* damage, size_t damage_size);

/* What the loader found damaged or left out but could play around, one line each without a
 * trailing full stop, such as "the file ends at byte 3000, before what its headers describe;
 * missing or incomplete: 2 of 9 patterns and 5 samples". Null for an index out of range. */
JINGLE_API int32_t jingle_module_warning_count(const jingle_module* module);
JINGLE_API const char* jingle_module_warning(const jingle_module* module, int32_t index);

/* Frames at rate from the start to the song's natural end after rounds times round it (1: the
 * first row that comes back to an order and row already played; a pattern loop's repeats do not
 * count), as a player with those rounds renders them. A song that does not end within
 * JINGLE_MAX_SECONDS gives that limit, with *limited set to 1. Either output may be null. Any
 * thread, any time, players playing or not. */
JINGLE_API jingle_status jingle_module_duration(const jingle_module* module, int32_t rate,
                                                int32_t rounds, int64_t* frames, int32_t* limited);

/* The pattern played at order position order (0 .. orders - 1), or -1. */
JINGLE_API int32_t jingle_module_order_pattern(const jingle_module* module, int32_t order);
/* Rows of pattern pattern (0 .. patterns - 1), or -1. */
JINGLE_API int32_t jingle_module_pattern_rows(const jingle_module* module, int32_t pattern);

/* Names as stored (trailing spaces dropped; "" for an unnamed one), null for an index out of
 * range. Samples are counted over the whole module, instrument by instrument; in formats where
 * instruments own their samples, jingle_module_sample_instrument tells the owner (else -1). */
JINGLE_API const char* jingle_module_instrument_name(const jingle_module* module, int32_t index);
JINGLE_API const char* jingle_module_sample_name(const jingle_module* module, int32_t index);
JINGLE_API int32_t jingle_module_sample_instrument(const jingle_module* module, int32_t index);

/* ---- Players ------------------------------------------------------------------------------ */

typedef struct jingle_player jingle_player; /* one playback of one module */

/* A player of module at rate frames a second (JINGLE_MIN_RATE .. JINGLE_MAX_RATE), at the song's
 * start, stopping at its natural end (see jingle_player_set_rounds). */
JINGLE_API jingle_status jingle_player_create(const jingle_module* module, int32_t rate,
                                              jingle_player** out);
/* Stops it on the device if it plays there, and frees it. Null is fine. */
JINGLE_API void jingle_player_free(jingle_player* player);

/* Writes up to count interleaved stereo frames (left, right) and returns the number written:
 * count, or fewer once the song has ended (0 from then on). The 16-bit frames are the mix
 * rounded to nearest-even and clipped; the float frames are the same mix before the clip, 1.0
 * being full scale (value * 32768 rounded and clipped gives the 16-bit frame). The two may be
 * mixed across calls. Allocates nothing and takes no lock: call it from an audio callback. */
JINGLE_API size_t jingle_player_render_s16(jingle_player* player, int16_t* frames, size_t count);
JINGLE_API size_t jingle_player_render_f32(jingle_player* player, float* frames, size_t count);
/* 1 once the song has ended and every frame has been handed out. */
JINGLE_API int32_t jingle_player_ended(const jingle_player* player);
/* Over every frame the two calls above have handed out since the player was made: how many
 * values the 16-bit frames clip (whichever call handed them out), and the largest magnitude of
 * the mix, 1.0 being full scale (a gain of 20 * log10(1 / peak) dB or less avoids clipping).
 * Either address may be null. */
JINGLE_API jingle_status jingle_player_clipping(const jingle_player* player, uint64_t* clipped,
                                                float* peak);

/* Moves to frame (counted from the song's start at the player's rate): what follows is exactly
 * what an uninterrupted render gives from there. A frame at or past the end ends the song. Takes
 * a few milliseconds for a minute of song: the song is played through without being mixed. On
 * the device, play goes on from the start of the 20 ms block that holds the frame. */
JINGLE_API jingle_status jingle_player_seek_frame(jingle_player* player, int64_t frame);
/* Moves to row of order position order (0 .. orders - 1), where the song first reaches it when
 * played from its start (speed, tempo and the channels as they then are), or, where the song
 * never reaches it, starts there from the song's initial state. */
JINGLE_API jingle_status jingle_player_seek_order(jingle_player* player, int32_t order,
                                                  int32_t row);

/* Where a player stands: for rendering into your buffers, at the next frame to be rendered (the
 * song's state as of the tick that frame lies in); for a player on the device, at the 20 ms block
 * the device is playing now (frame: the block's first; the song's state as the block leaves it).
 * Sizes only grow at the end. */
typedef struct jingle_position {
  int64_t frame; /* frames from the song's start at the player's rate */
  int32_t order;
  int32_t pattern; /* the pattern that order plays */
  int32_t row;
  int32_t speed; /* ticks per row */
  int32_t bpm;
  int32_t voices; /* voices sounding */
  /* On the device: the largest magnitude among the frames being heard (1.0 full scale), 0 while
   * paused; 0 when rendering into your buffers. */
  float peak_left;
  float peak_right;
} jingle_position;

JINGLE_API jingle_status jingle_player_position(const jingle_player* player,
                                                jingle_position* position, size_t position_size);

/* 1 (the default): stop at the natural end; N: at the end of the Nth time round; JINGLE_ENDLESS:
 * never. Counted from the song's start, whenever set. A song that has not ended after
 * JINGLE_MAX_SECONDS stops there unless endless. */
JINGLE_API jingle_status jingle_player_set_rounds(jingle_player* player, int32_t rounds);
/* Ends the song at frame at the latest, whatever the rounds (also when endless); a negative
 * frame (the default) sets no such limit. */
JINGLE_API jingle_status jingle_player_set_frame_limit(jingle_player* player, int64_t frame);
/* Channel (0 .. channels - 1) muted (1) or not (0); its volume 0.0 .. 1.0 (default 1.0). Both
 * act from the channel's next volume update; the song's flow is untouched. */
JINGLE_API jingle_status jingle_player_set_channel_mute(jingle_player* player, int32_t channel,
                                                        int32_t muted);
JINGLE_API jingle_status jingle_player_set_channel_volume(jingle_player* player, int32_t channel,
                                                          double volume);
/* Master gain in decibels (-60 .. +24; default 0), six to a doubling: -6 halves every frame of
 * the mix exactly, -12 quarters it. At 0 dB the output is bit-identical to a player without
 * gain. On the device, mute, volume, gain, stereo width and interpolation are heard once what was
 * mixed ahead (about two seconds) has played. */
JINGLE_API jingle_status jingle_player_set_gain(jingle_player* player, double decibels);
/* Stereo width in percent (0 .. 200; default 100): each frame's difference between left and
 * right scaled around their middle, so 0 gives left equal to right (mono), 100 the module's own
 * panning (bit-identical to a player without the setting) and 200 twice as wide. */
JINGLE_API jingle_status jingle_player_set_stereo(jingle_player* player, int32_t percent);

/* How the samples are read between their values. */
typedef enum jingle_interpolation {
  JINGLE_INTERPOLATION_LINEAR = 0,  /* the straight line between two values: the default */
  JINGLE_INTERPOLATION_NEAREST = 1, /* the value at or before the position: the raw sound */
  JINGLE_INTERPOLATION_SINC = 2     /* an 8-tap windowed-sinc filter: fewer images above the
                                       sample's band, at about 1.3 times the mixing cost */
} jingle_interpolation;
/* One of jingle_interpolation; heard from the next tick on. */
JINGLE_API jingle_status jingle_player_set_interpolation(jingle_player* player,
                                                         int32_t interpolation);

/* ---- The sound device --------------------------------------------------------------------- */

/* Plays the player on the system's default sound device from where it stands, at the player's
 * rate, on a stream of its own, through a time-critical mixing thread about two seconds ahead of
 * the speaker. Any number of players may play at once. JINGLE_NO_DEVICE when no device opens;
 * JINGLE_BUSY when it plays already. */
JINGLE_API jingle_status jingle_player_play(jingle_player* player);
/* Pauses (1) or resumes (0). JINGLE_NOT_PLAYING when it is not on the device. */
JINGLE_API jingle_status jingle_player_pause(jingle_player* player, int32_t paused);
/* Takes the player off the device. The position stays where the device was (what was mixed ahead
 * and not heard is dropped), so rendering or playing again goes on from what was heard.
 * JINGLE_NOT_PLAYING when it is not on the device. */
JINGLE_API jingle_status jingle_player_stop(jingle_player* player);
/* 1 while on the device (paused or not) and the song's end has not been heard; 0 otherwise. */
JINGLE_API int32_t jingle_player_playing(const jingle_player* player);

#ifdef __cplusplus
} /* extern "C" */

#include <cstddef>
#include <cstdint>

namespace jingle {

using Status = jingle_status;
using ModuleInfo = jingle_module_info;
using ModuleDamage = jingle_module_damage;
using Position = jingle_position;

// Owns one reference to a loaded module; moves, never copies. Every call is inline over the C
// functions above: the library exports nothing of C++.
class Module {
 public:
  Module() noexcept = default;
  explicit Module(jingle_module* handle) noexcept : handle_(handle) {}
  Module(Module&& other) noexcept : handle_(other.release()) {}
  Module& operator=(Module&& other) noexcept {
    reset(other.release());
    return *this;
  }
  Module(const Module&) = delete;
  Module& operator=(const Module&) = delete;
  ~Module() { jingle_module_free(handle_); }

  // On failure out stays empty and jingle_load_reason() says why.
  static Status load(const void* data, std::size_t size, Module& out) noexcept {
    jingle_module* handle = nullptr;
    const Status status = jingle_module_load(data, size, &handle);
    out.reset(handle);
    return status;
  }
  static Status loadFile(const char* path, Module& out) noexcept {
    jingle_module* handle = nullptr;
    const Status status = jingle_module_load_file(path, &handle);
    out.reset(handle);
    return status;
  }

  jingle_module* get() const noexcept { return handle_; }
  explicit operator bool() const noexcept { return handle_ != nullptr; }
  jingle_module* release() noexcept {
    jingle_module* handle = handle_;
    handle_ = nullptr;
    return handle;
  }
  void reset(jingle_module* handle = nullptr) noexcept {
    if (handle == handle_) return;
    jingle_module_free(handle_);
    handle_ = handle;
  }

  Status info(ModuleInfo& info) const noexcept {
    return jingle_module_get_info(handle_, &info, sizeof info);
  }
  Status damage(ModuleDamage& damage) const noexcept {
    return jingle_module_get_damage(handle_, &damage, sizeof damage);
  }
  // Frames to the natural end after rounds times round at rate; -1 on failure.
  std::int64_t durationFrames(std::int32_t rate = 44100, std::int32_t rounds = 1) const noexcept {
    std::int64_t frames = -1;
    return jingle_module_duration(handle_, rate, rounds, &frames, nullptr) == JINGLE_OK ? frames
                                                                                        : -1;
  }
  std::int32_t warningCount() const noexcept { return jingle_module_warning_count(handle_); }
  const char* warning(std::int32_t index) const noexcept {
    return jingle_module_warning(handle_, index);
  }
  std::int32_t orderPattern(std::int32_t order) const noexcept {
    return jingle_module_order_pattern(handle_, order);
  }
  std::int32_t patternRows(std::int32_t pattern) const noexcept {
    return jingle_module_pattern_rows(handle_, pattern);
  }
  const char* instrumentName(std::int32_t index) const noexcept {
    return jingle_module_instrument_name(handle_, index);
  }
  const char* sampleName(std::int32_t index) const noexcept {
    return jingle_module_sample_name(handle_, index);
  }
  std::int32_t sampleInstrument(std::int32_t index) const noexcept {
    return jingle_module_sample_instrument(handle_, index);
  }

 private:
  jingle_module* handle_ = nullptr;
};

// Owns one player; moves, never copies. Freeing it takes it off the device.
class Player {
 public:
  Player() noexcept = default;
  explicit Player(jingle_player* handle) noexcept : handle_(handle) {}
  Player(Player&& other) noexcept : handle_(other.release()) {}
  Player& operator=(Player&& other) noexcept {
    reset(other.release());
    return *this;
  }
  Player(const Player&) = delete;
  Player& operator=(const Player&) = delete;
  ~Player() { jingle_player_free(handle_); }

  static Status create(const Module& module, std::int32_t rate, Player& out) noexcept {
    jingle_player* handle = nullptr;
    const Status status = jingle_player_create(module.get(), rate, &handle);
    out.reset(handle);
    return status;
  }

  jingle_player* get() const noexcept { return handle_; }
  explicit operator bool() const noexcept { return handle_ != nullptr; }
  jingle_player* release() noexcept {
    jingle_player* handle = handle_;
    handle_ = nullptr;
    return handle;
  }
  void reset(jingle_player* handle = nullptr) noexcept {
    if (handle == handle_) return;
    jingle_player_free(handle_);
    handle_ = handle;
  }

  std::size_t render(std::int16_t* frames, std::size_t count) noexcept {
    return jingle_player_render_s16(handle_, frames, count);
  }
  std::size_t render(float* frames, std::size_t count) noexcept {
    return jingle_player_render_f32(handle_, frames, count);
  }
  bool ended() const noexcept { return jingle_player_ended(handle_) != 0; }
  Status clipping(std::uint64_t& clipped, float& peak) const noexcept {
    return jingle_player_clipping(handle_, &clipped, &peak);
  }
  Status seekFrame(std::int64_t frame) noexcept { return jingle_player_seek_frame(handle_, frame); }
  Status seekOrder(std::int32_t order, std::int32_t row = 0) noexcept {
    return jingle_player_seek_order(handle_, order, row);
  }
  Status position(Position& position) const noexcept {
    return jingle_player_position(handle_, &position, sizeof position);
  }
  Status setRounds(std::int32_t rounds) noexcept {
    return jingle_player_set_rounds(handle_, rounds);
  }
  Status setFrameLimit(std::int64_t frame) noexcept {
    return jingle_player_set_frame_limit(handle_, frame);
  }
  Status setChannelMute(std::int32_t channel, bool muted) noexcept {
    return jingle_player_set_channel_mute(handle_, channel, muted ? 1 : 0);
  }
  Status setChannelVolume(std::int32_t channel, double volume) noexcept {
    return jingle_player_set_channel_volume(handle_, channel, volume);
  }
  Status setGain(double decibels) noexcept { return jingle_player_set_gain(handle_, decibels); }
  Status setStereo(std::int32_t percent) noexcept {
    return jingle_player_set_stereo(handle_, percent);
  }
  Status setInterpolation(jingle_interpolation interpolation) noexcept {
    return jingle_player_set_interpolation(handle_, interpolation);
  }

  Status play() noexcept { return jingle_player_play(handle_); }
  Status pause(bool paused) noexcept { return jingle_player_pause(handle_, paused ? 1 : 0); }
  Status stop() noexcept { return jingle_player_stop(handle_); }
  bool playing() const noexcept { return jingle_player_playing(handle_) != 0; }

 private:
  jingle_player* handle_ = nullptr;
};

inline const char* statusText(Status status) noexcept {
  return jingle_status_text(status);
}
inline const char* loadReason() noexcept {
  return jingle_load_reason();
}

}  // namespace jingle
#endif /* __cplusplus */

#endif /* JINGLE_JINGLE_H */
