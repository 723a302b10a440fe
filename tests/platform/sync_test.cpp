#include "platform/sync.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "platform/threads.h"

namespace ostrim::platform {
namespace {

TEST(Event, AutoResetsAndCollapsesSignals) {
  Event* e = create_event();
  EXPECT_FALSE(wait_event(e, Timeout::Zero)) << "created not signalled";
  signal_event(e);
  signal_event(e);  // a second signal while signalled adds nothing
  EXPECT_TRUE(wait_event(e, Timeout::Zero));
  EXPECT_FALSE(wait_event(e, Timeout::Zero)) << "a successful wait resets it";
}

TEST(Event, InfiniteWaitWakesOnSignalFromAnotherThread) {
  Event* e = create_event();
  Event* done = create_event();
  std::thread waiter([&] {
    wait_event(e, Timeout::Infinite);
    signal_event(done);
  });
  EXPECT_FALSE(wait_event(done, Timeout::Zero));
  signal_event(e);
  EXPECT_TRUE(wait_event(done, Timeout::Infinite));
  waiter.join();
}

TEST(Semaphore, CountsBetweenZeroAndMaximum) {
  Semaphore* s = create_semaphore(2, 3);
  EXPECT_TRUE(wait_semaphore(s, Timeout::Zero));
  EXPECT_TRUE(wait_semaphore(s, Timeout::Zero));
  EXPECT_FALSE(wait_semaphore(s, Timeout::Zero));
  EXPECT_TRUE(release_semaphore(s));
  EXPECT_TRUE(release_semaphore(s));
  EXPECT_TRUE(release_semaphore(s));
  EXPECT_FALSE(release_semaphore(s)) << "a release at the maximum is refused";
  for (int i = 0; i < 3; ++i) EXPECT_TRUE(wait_semaphore(s, Timeout::Zero));
  EXPECT_FALSE(wait_semaphore(s, Timeout::Zero));
}

TEST(WaitAny, TakesFromTheLowestIndexWithAUnit) {
  Semaphore* set[3] = {create_semaphore(0, 1), create_semaphore(1, 1), create_semaphore(2, 2)};
  EXPECT_EQ(wait_any_semaphore(set, 3, Timeout::Zero), 1);
  EXPECT_EQ(wait_any_semaphore(set, 3, Timeout::Zero), 2);
  EXPECT_EQ(wait_any_semaphore(set, 3, Timeout::Zero), 2);
  EXPECT_EQ(wait_any_semaphore(set, 3, Timeout::Zero), -1) << "every unit taken";
  EXPECT_EQ(wait_any_semaphore(set, 0, Timeout::Infinite), -1) << "an empty set never waits";
}

TEST(WaitAny, AcceptsFortyEightAndRefusesMore) {
  Semaphore* set[kMaxWaitSet + 1];
  for (Semaphore*& s : set) s = create_semaphore(0, 1);
  release_semaphore(set[kMaxWaitSet - 1]);
  EXPECT_EQ(wait_any_semaphore(set, kMaxWaitSet, Timeout::Zero), kMaxWaitSet - 1);
  release_semaphore(set[0]);
  EXPECT_EQ(wait_any_semaphore(set, kMaxWaitSet + 1, Timeout::Zero), -1);
  EXPECT_TRUE(wait_semaphore(set[0], Timeout::Zero)) << "a refused wait takes nothing";
}

TEST(WaitAny, InfiniteWaitReportsTheSemaphoreReleasedElsewhere) {
  Semaphore* set[4];
  for (Semaphore*& s : set) s = create_semaphore(0, 1);
  std::atomic<int> reported{-2};
  std::thread waiter([&] { reported = wait_any_semaphore(set, 4, Timeout::Infinite); });
  release_semaphore(set[2]);
  waiter.join();
  EXPECT_EQ(reported.load(), 2);
  EXPECT_FALSE(wait_semaphore(set[2], Timeout::Zero)) << "the waiter took the unit";
}

TEST(WaitAny, ManyWaitersEachGetOneUnit) {
  constexpr int kWaiters = 8;
  Semaphore* set[2] = {create_semaphore(0, kWaiters), create_semaphore(0, kWaiters)};
  std::atomic<int> woken{0};
  std::thread waiters[kWaiters];
  for (std::thread& t : waiters)
    t = std::thread([&] {
      if (wait_any_semaphore(set, 2, Timeout::Infinite) >= 0) ++woken;
    });
  for (int i = 0; i < kWaiters; ++i) release_semaphore(set[i % 2]);
  for (std::thread& t : waiters) t.join();
  EXPECT_EQ(woken.load(), kWaiters);
  EXPECT_EQ(wait_any_semaphore(set, 2, Timeout::Zero), -1) << "no unit left over";
}

TEST(CriticalSection, SerialisesUpdates) {
  CriticalSection* section = create_critical_section();
  long counter = 0;
  constexpr int kRounds = 100000;
  auto add = [&] {
    for (int i = 0; i < kRounds; ++i) {
      enter_critical_section(section);
      ++counter;
      leave_critical_section(section);
    }
  };
  std::thread a(add), b(add);
  a.join();
  b.join();
  EXPECT_EQ(counter, 2L * kRounds);
}

}  // namespace
}  // namespace ostrim::platform
