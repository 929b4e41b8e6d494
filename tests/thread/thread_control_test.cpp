// The platform threads: a suspended thread does no work until resumed, suspensions nest, and a
// finished thread can be suspended and closed.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "platform/thread.h"

namespace {

std::atomic<bool> stopWorker;
std::atomic<std::uint64_t> workDone;

// Counts its work in the counter it is given.
std::uint32_t worker(void* context) {
  auto& done = *static_cast<std::atomic<std::uint64_t>*>(context);
  while (!stopWorker) {
    platform::suspensionPoint();
    ++done;
    platform::sleepMs(1);
  }
  return 0;
}

bool waitForWork(std::uint64_t above) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
  while (workDone <= above) {
    if (std::chrono::steady_clock::now() > deadline) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  return true;
}

// Work done over a while in which a running worker would do several units.
std::uint64_t workOverAWhile() {
  const std::uint64_t before = workDone;
  std::this_thread::sleep_for(std::chrono::milliseconds(30));
  return workDone - before;
}

TEST(PlatformThread, SuspendedThreadDoesNoWorkUntilResumedAndSuspensionsNest) {
  stopWorker = false;
  workDone = 0;
  platform::Thread* thread = platform::startThread(worker, &workDone);
  ASSERT_NE(thread, nullptr);
  ASSERT_TRUE(waitForWork(0));
  for (int round = 0; round < 20; ++round) {
    platform::suspendThread(thread);
    EXPECT_EQ(workOverAWhile(), 0u) << "round " << round;
    platform::resumeThread(thread);
    ASSERT_TRUE(waitForWork(workDone)) << "round " << round;
  }

  platform::suspendThread(thread);
  platform::suspendThread(thread);
  platform::resumeThread(thread);
  EXPECT_EQ(workOverAWhile(), 0u) << "one of two suspensions holds";
  platform::resumeThread(thread);
  EXPECT_TRUE(waitForWork(workDone));
  // A resume too many is ignored, and the next suspension holds again.
  platform::resumeThread(thread);
  platform::suspendThread(thread);
  EXPECT_EQ(workOverAWhile(), 0u);
  platform::resumeThread(thread);
  EXPECT_TRUE(waitForWork(workDone));
  stopWorker = true;
  platform::closeThread(thread);
}

TEST(PlatformThread, FinishedThreadCanBeSuspendedAndClosed) {
  platform::Thread* thread =
      platform::startThread([](void*) -> std::uint32_t { return 0; }, nullptr);
  ASSERT_NE(thread, nullptr);
  platform::suspendThread(thread);  // returns once the thread has ended: it has no safe point
  platform::resumeThread(thread);
  platform::closeThread(thread);
  // Null handles are ignored, and a thread that was not started by startThread never parks.
  platform::suspendThread(nullptr);
  platform::resumeThread(nullptr);
  platform::closeThread(nullptr);
  platform::suspensionPoint();
}

}  // namespace
