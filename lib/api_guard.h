// What every call of the C interface does at its boundary: no C++ exception passes it (running
// out of memory becomes a status), and a player is used by one call at a time.
#pragma once

#include <atomic>
#include <cfenv>
#include <new>
#if defined(__SSE2__)
#include <xmmintrin.h>
#endif

#include "jingle/jingle.h"

namespace jingle::internal {

// call(), or JINGLE_OUT_OF_MEMORY for any exception it throws (only std::bad_alloc can come).
template <typename Call>
jingle_status guarded(Call&& call) noexcept {
  try {
    return call();
  } catch (...) {
    return JINGLE_OUT_OF_MEMORY;
  }
}

// Holds a player's in-use flag for the life of one call: taken only when no other call holds
// it. A call that does not get it answers JINGLE_BUSY.
class CallHold {
 public:
  explicit CallHold(std::atomic<bool>& inUse) noexcept
      : inUse_(inUse), held_(!inUse.exchange(true, std::memory_order_acquire)) {}
  ~CallHold() {
    if (held_) inUse_.store(false, std::memory_order_release);
  }
  CallHold(const CallHold&) = delete;
  CallHold& operator=(const CallHold&) = delete;
  explicit operator bool() const noexcept { return held_; }

 private:
  std::atomic<bool>& inUse_;
  bool held_;
};

// The floating-point environment the engine renders in (round to nearest, no flushing of small
// values to zero, no traps), set for the life of one call and the caller's given back after it:
// an audio callback's thread may run with other settings, which would change the bytes.
class DefaultFloatingPoint {
 public:
#if defined(__SSE2__)
  // Only the SSE control word matters where the engine computes in SSE registers; it is set only
  // when it differs.
  DefaultFloatingPoint() noexcept : saved_(_mm_getcsr()) {
    if (saved_ != DEFAULT_CSR) _mm_setcsr(DEFAULT_CSR);
  }
  ~DefaultFloatingPoint() {
    if (saved_ != DEFAULT_CSR) _mm_setcsr(saved_);
  }

 private:
  static constexpr unsigned DEFAULT_CSR = 0x1F80;  // all exceptions masked, round to nearest
  unsigned saved_;
#else
  DefaultFloatingPoint() noexcept {
    std::fegetenv(&saved_);
    std::fesetenv(FE_DFL_ENV);
  }
  ~DefaultFloatingPoint() {
    std::fesetenv(&saved_);
  }

 private:
  std::fenv_t saved_;
#endif

 public:
  DefaultFloatingPoint(const DefaultFloatingPoint&) = delete;
  DefaultFloatingPoint& operator=(const DefaultFloatingPoint&) = delete;
};

}  // namespace jingle::internal
