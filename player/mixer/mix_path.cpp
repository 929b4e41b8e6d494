#include "player/mixer/mix_path.h"

#include <atomic>
#include <cstdlib>
#include <cstring>

namespace player {
namespace {

bool processorRuns(MixPath path) {
#if defined(__GNUC__) && (defined(__x86_64__) || defined(__i386__))
  __builtin_cpu_init();
  switch (path) {
    case MixPath::PLAIN:
      return true;
    case MixPath::SSE2:
      return __builtin_cpu_supports("sse2");
    case MixPath::AVX2:
      return __builtin_cpu_supports("avx2");
    case MixPath::AVX512:
      return __builtin_cpu_supports("avx512f") && __builtin_cpu_supports("avx512bw") &&
             __builtin_cpu_supports("avx512dq") && __builtin_cpu_supports("avx512vl");
    case MixPath::SIMD128:
      return false;
  }
  return false;
#elif defined(__wasm__)
  // An engine without 128-bit SIMD refuses a module that holds its instructions at all.
  return path == MixPath::PLAIN || path == MixPath::SIMD128;
#else
  return path == MixPath::PLAIN;
#endif
}

bool built(MixPath path) {
  switch (path) {
    case MixPath::PLAIN:
      return true;
    case MixPath::SSE2:
#if defined(__SSE2__)
      return true;
#else
      return false;
#endif
    case MixPath::AVX2:
    case MixPath::AVX512:
#if defined(JINGLE_MIX_AVX)
      return true;
#else
      return false;
#endif
    case MixPath::SIMD128:
#if defined(JINGLE_MIX_SIMD128)
      return true;
#else
      return false;
#endif
  }
  return false;
}

MixPath initialPath() {
  const char* named = std::getenv("JINGLE_MIX_PATH");
  if (named != nullptr) {
    for (const MixPath path : ALL_MIX_PATHS) {
      if (std::strcmp(named, mixPathName(path)) == 0 && mixPathAvailable(path)) return path;
    }
  }
  MixPath best = MixPath::PLAIN;
  for (const MixPath path : ALL_MIX_PATHS) {
    if (mixPathAvailable(path)) best = path;
  }
  return best;
}

// The path every engine mixes through: chosen once, as the program starts and before any thread
// of it mixes (the plain loops, all zero, until then), unless a test selects another.
std::atomic<MixPath> active{initialPath()};

}  // namespace

const char* mixPathName(MixPath path) {
  switch (path) {
    case MixPath::PLAIN:
      return "plain";
    case MixPath::SSE2:
      return "sse2";
    case MixPath::AVX2:
      return "avx2";
    case MixPath::AVX512:
      return "avx512";
    case MixPath::SIMD128:
      return "simd128";
  }
  return "unknown";
}

bool mixPathAvailable(MixPath path) {
  return built(path) && processorRuns(path);
}

MixPath activeMixPath() {
  return active.load(std::memory_order_relaxed);
}

bool selectMixPath(MixPath path) {
  if (!mixPathAvailable(path)) return false;
  active.store(path, std::memory_order_relaxed);
  return true;
}

const FrameLoops& frameLoopsOf(MixPath path, Interpolation interpolation) {
  switch (path) {
#if defined(__SSE2__)
    case MixPath::SSE2:
      return loopsFor(SSE2_FRAME_LOOPS, interpolation);
#endif
#if defined(JINGLE_MIX_AVX)
    case MixPath::AVX2:
      return loopsFor(AVX2_FRAME_LOOPS, interpolation);
    case MixPath::AVX512:
      return loopsFor(AVX512_FRAME_LOOPS, interpolation);
#endif
#if defined(JINGLE_MIX_SIMD128)
    case MixPath::SIMD128:
      return loopsFor(SIMD128_FRAME_LOOPS, interpolation);
#endif
    default:
      return loopsFor(PLAIN_FRAME_LOOPS, interpolation);
  }
}

}  // namespace player
