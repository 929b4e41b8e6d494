// The threads the engine runs its mixing on: one that starts at once at the highest priority the
// platform grants, can be suspended and resumed, and sleeps.
#pragma once

#include <cstdint>

namespace platform {

struct Thread;  // owned by its implementation

// A thread's work; context is what startThread was given for it.
using ThreadBody = std::uint32_t (*)(void* context);

// Starts body(context) on a new thread at once, at time-critical priority where granted (normal
// priority otherwise). Null on failure.
Thread* startThread(ThreadBody body, void* context);
// Suspensions count: the thread runs again once each suspension has been resumed. When
// suspendThread returns the thread does no work until then: it is stopped, parked at a
// suspension point, asleep in sleepMs (it parks on waking), or has finished its body. Null
// threads are ignored.
void suspendThread(Thread* thread);
void resumeThread(Thread* thread);
// Releases the handle; the thread must have finished its body.
void closeThread(Thread* thread);

// Called by a thread body at the points where it may be held while suspended, on platforms that
// cannot stop a thread at an arbitrary point (the thread must reach one regularly). Returns at
// once where threads stop wherever they are, and on threads not made by startThread.
void suspensionPoint();

// A plain wait; where threads park, also a safe point after the wait.
void sleepMs(std::uint32_t milliseconds);

}  // namespace platform
