// Threads on Windows: the system's own, which can be suspended wherever they are.
#include <windows.h>

#include <new>

#include "platform/thread.h"

namespace platform {

struct Thread {
  HANDLE handle;
  ThreadBody body;
  void* context;
};

namespace {

DWORD WINAPI runBody(LPVOID argument) {
  Thread* thread = static_cast<Thread*>(argument);
  return thread->body(thread->context);
}

}  // namespace

Thread* startThread(ThreadBody body, void* context) {
  Thread* thread = new (std::nothrow) Thread{};
  if (thread == nullptr) return nullptr;
  thread->body = body;
  thread->context = context;
  thread->handle = CreateThread(nullptr, 0, runBody, thread, 0, nullptr);
  if (thread->handle == nullptr) {
    delete thread;
    return nullptr;
  }
  SetThreadPriority(thread->handle, THREAD_PRIORITY_TIME_CRITICAL);
  return thread;
}

void suspendThread(Thread* thread) {
  if (thread != nullptr) SuspendThread(thread->handle);
}

void resumeThread(Thread* thread) {
  if (thread != nullptr) ResumeThread(thread->handle);
}

void closeThread(Thread* thread) {
  if (thread == nullptr) return;
  CloseHandle(thread->handle);
  delete thread;
}

void suspensionPoint() {}

void sleepMs(std::uint32_t milliseconds) {
  Sleep(milliseconds);
}

}  // namespace platform
