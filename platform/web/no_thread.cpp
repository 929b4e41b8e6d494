// The web build renders on the caller's thread (an AudioWorklet, a worker, Node) and starts no
// threads: starting one fails, which the device path never gets to, as no device opens.
#include "platform/thread.h"

namespace platform {

Thread* startThread(ThreadBody, void*) {
  return nullptr;
}

void suspendThread(Thread*) {}

void resumeThread(Thread*) {}

void closeThread(Thread*) {}

void suspensionPoint() {}

void sleepMs(std::uint32_t) {}

}  // namespace platform
