// Threads on POSIX systems. The mixing thread asks for a real-time policy and keeps normal
// priority when the system refuses it. POSIX threads cannot be stopped at an arbitrary point, so
// suspension is cooperative: the thread parks at its next suspensionPoint(), and suspendThread
// returns only once it is parked, asleep (it parks on waking) or has finished its body, so a
// suspended thread does no work.
#include <pthread.h>
#include <sched.h>
#include <time.h>

#include <atomic>
#include <cerrno>
#include <new>

#include "platform/thread.h"

namespace platform {

namespace {

constexpr int RUNNING = 0;
constexpr int PARKED = 1;
constexpr int SLEEPING = 2;  // in sleepMs, and parks on waking if suspended meanwhile
constexpr int FINISHED = 3;

}  // namespace

struct Thread {
  pthread_t handle;
  ThreadBody body;
  void* context;
  std::atomic<int> suspendCount{0};  // suspensions not yet resumed
  std::atomic<int> state{RUNNING};   // written by the thread itself only
};

namespace {

thread_local Thread* currentThread = nullptr;

void* runBody(void* argument) {
  Thread* thread = static_cast<Thread*>(argument);
  currentThread = thread;
  thread->body(thread->context);
  thread->state.store(FINISHED);
  thread->state.notify_all();
  return nullptr;
}

// A real-time policy in the middle of its range, so the thread is woken ahead of normal work
// without competing with the system's own real-time threads.
bool raisePriority(pthread_t handle) {
  for (int policy : {SCHED_FIFO, SCHED_RR}) {
    const int lowest = sched_get_priority_min(policy);
    const int highest = sched_get_priority_max(policy);
    if (lowest < 0 || highest < lowest) continue;
    sched_param parameter{};
    parameter.sched_priority = lowest + (highest - lowest) / 2;
    if (pthread_setschedparam(handle, policy, &parameter) == 0) return true;
  }
  return false;
}

// Holds the calling thread while it is suspended. The state is stored before the count is read
// again, so a suspendThread that saw a stale PARKED is sure to be seen here, and the thread parks
// again instead of going on.
void park(Thread* thread) {
  for (;;) {
    thread->state.store(PARKED);
    thread->state.notify_all();
    for (int count = thread->suspendCount.load(); count > 0; count = thread->suspendCount.load()) {
      thread->suspendCount.wait(count);
    }
    thread->state.store(RUNNING);
    if (thread->suspendCount.load() == 0) return;
  }
}

}  // namespace

Thread* startThread(ThreadBody body, void* context) {
  Thread* thread = new (std::nothrow) Thread;
  if (thread == nullptr) return nullptr;
  thread->body = body;
  thread->context = context;
  if (pthread_create(&thread->handle, nullptr, runBody, thread) != 0) {
    delete thread;
    return nullptr;
  }
  raisePriority(thread->handle);  // normal priority when refused
  // A name for tools that list threads (ps, top, /proc); Linux allows 15 characters.
#if defined(__linux__)
  pthread_setname_np(thread->handle, "jingle-mix");
#endif
  return thread;
}

void suspendThread(Thread* thread) {
  if (thread == nullptr) return;
  thread->suspendCount.fetch_add(1);
  if (thread == currentThread) {
    park(thread);
    return;
  }
  for (int state = thread->state.load(); state == RUNNING; state = thread->state.load()) {
    thread->state.wait(RUNNING);
  }
}

void resumeThread(Thread* thread) {
  if (thread == nullptr) return;
  int count = thread->suspendCount.load();
  while (count > 0 && !thread->suspendCount.compare_exchange_weak(count, count - 1)) {
  }
  if (count == 1) thread->suspendCount.notify_all();
}

void closeThread(Thread* thread) {
  if (thread == nullptr) return;
  pthread_join(thread->handle, nullptr);
  delete thread;
}

void suspensionPoint() {
  Thread* thread = currentThread;
  if (thread != nullptr && thread->suspendCount.load() != 0) park(thread);
}

// A thread of startThread counts as held while it sleeps: a suspension need not wait for the
// sleep to end, because the thread looks for suspensions (the same way park does) before it goes
// on.
void sleepMs(std::uint32_t milliseconds) {
  Thread* thread = currentThread;
  if (thread != nullptr) {
    thread->state.store(SLEEPING);
    thread->state.notify_all();
  }
  timespec left{static_cast<time_t>(milliseconds / 1000),
                static_cast<long>(milliseconds % 1000) * 1000000L};
  while (nanosleep(&left, &left) != 0 && errno == EINTR) {
  }
  if (thread != nullptr) {
    thread->state.store(RUNNING);
    if (thread->suspendCount.load() != 0) park(thread);
  }
}

}  // namespace platform
