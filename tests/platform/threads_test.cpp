#include "platform/threads.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <atomic>

#include "platform/sync.h"
#include "platform/timer.h"

namespace ostrim::platform {
namespace {

struct Calls {
  Event* done;
  std::atomic<int> calls{0};
};

void count_and_signal(void* raw) {
  auto* run = static_cast<Calls*>(raw);
  ++run->calls;
  signal_event(run->done);
}

TEST(Threads, StartWithDefaultAndTooSmallStacks) {
  for (std::size_t stack : {std::size_t{0}, std::size_t{2000}, std::size_t{1} << 20}) {
    Calls run{create_event()};
    ASSERT_TRUE(start_thread(count_and_signal, &run, stack)) << "stack " << stack;
    EXPECT_TRUE(wait_event(run.done, Timeout::Infinite));
    EXPECT_EQ(run.calls.load(), 1);
  }
}

TEST(Threads, StackSizesAreRaisedToWhatTheSystemTakes) {
  long page = sysconf(_SC_PAGESIZE);
  EXPECT_EQ(usable_stack_size(0), 0u) << "0 keeps the default";
  std::size_t small = usable_stack_size(2000);
  EXPECT_GE(small, 16384u);
  EXPECT_EQ(small % static_cast<std::size_t>(page), 0u);
  EXPECT_EQ(usable_stack_size(8u << 20), 8u << 20);
}

TEST(Threads, ProcessorCountIsWithinTheCountedRange) {
  int count = usable_processor_count();
  EXPECT_GE(count, 1);
  EXPECT_LE(count, kMaxCountedProcessors);
  EXPECT_LE(count, sysconf(_SC_NPROCESSORS_ONLN));
}

void tick(void* raw) {
  auto* run = static_cast<Calls*>(raw);
  ++run->calls;
  signal_event(run->done);
}

TEST(PeriodicTimer, TicksUntilStoppedAndNeverAfter) {
  Calls run{create_event()};
  PeriodicTimer* timer = start_periodic_timer(5, tick, &run, 2000);
  ASSERT_NE(timer, nullptr);
  for (int i = 0; i < 3; ++i) EXPECT_TRUE(wait_event(run.done, Timeout::Infinite));
  stop_periodic_timer(timer);
  int after_stop = run.calls.load();
  EXPECT_GE(after_stop, 3);
  usleep(30000);
  EXPECT_EQ(run.calls.load(), after_stop) << "a tick after the stop";
}

TEST(PeriodicTimer, StopsBeforeItsFirstTick) {
  Calls run{create_event()};
  PeriodicTimer* timer = start_periodic_timer(200, tick, &run, 0);
  ASSERT_NE(timer, nullptr);
  stop_periodic_timer(timer);  // must not wait out the period
  EXPECT_EQ(run.calls.load(), 0);
}

}  // namespace
}  // namespace ostrim::platform
