// Which set of frame loops the mixer runs: the plain scalar loops or those of an instruction set
// the processor offers. Every path gives the same bytes; the fastest one the processor runs is
// chosen once, as the program starts, unless the environment variable JINGLE_MIX_PATH names
// another (plain, sse2, avx2, avx512 or, in the web build, simd128) that it runs.
#pragma once

#include "player/mixer/frame_loops.h"

namespace player {

enum class MixPath { PLAIN, SSE2, AVX2, AVX512, SIMD128 };
constexpr MixPath ALL_MIX_PATHS[] = {MixPath::PLAIN, MixPath::SSE2, MixPath::AVX2, MixPath::AVX512,
                                     MixPath::SIMD128};

const char* mixPathName(MixPath path);

// Built into this program and run by this processor.
bool mixPathAvailable(MixPath path);

// The path mixVoices uses.
MixPath activeMixPath();
// Makes mixVoices use path; false, with nothing changed, when the path is not available.
bool selectMixPath(MixPath path);

// The loops of an available path for an interpolation.
const FrameLoops& frameLoopsOf(MixPath path, Interpolation interpolation = Interpolation::LINEAR);

}  // namespace player
