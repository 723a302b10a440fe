#include "engine/time_control.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <climits>

#include "common/engine_flags.h"
#include "engine/clock_guard.h"
#include "platform/sleep.h"
#include "search/search_clock.h"

namespace ostrim {
namespace {

struct BudgetCase {
  TimeRequest request;
  int32_t soft, hard, target;
};

// Expected values worked out by hand from the allocation rules, with
// 32-bit wrapping where the products leave the range.
TEST(TimeAllocation, EveryKindGivesItsBudgets) {
  const BudgetCase cases[] = {
      // KIND 6: one minute, no moves to go; then 20 to go; then too little time.
      {{6, 60, 0, 0, 0, 0, 1}, 9166, 22000, 1718},
      {{6, 60, 20, 0, 0, 0, 1}, 12100, 22000, 2619},
      {{6, 5, 0, 0, 0, 0, 1}, 0, 0, 50},
      {{6, 0, 0, 0, 0, 0, 1}, -833, -833, 50},
      {{6, 1, 1, 0, 0, 0, 1}, -2400, -1600, 50},
      // The used time and the increment do not count for KIND 6.
      {{6, 60, 0, 7, 0, 50000, 30}, 9166, 22000, 1718},
      // KIND 4: the time per move; KIND 0: none; KIND 1: T seconds x 8.
      {{4, 2500, 0, 0, 0, 0, 1}, 2500, 2500, 1875},
      {{4, 1, 0, 0, 0, 0, 1}, 1, 1, 50},
      {{4, -100, 0, 0, 0, 0, 1}, -100, -100, 50},
      {{0, 8, 0, 0, 0, 0, 1}, 0, 0, 50},
      {{1, 60, 0, 0, 0, 0, 1}, 480000, 480000, 60000},
      // KIND 5: 300 s for 40 moves, then 60 s more per 20 moves.
      {{5, 300, 40, 60, 20, 10000, 1}, 59850, 114000, 6951},
      {{5, 300, 40, 60, 20, 250000, 45}, 23625, 42000, 6176},
      {{5, 300, 40, 60, 0, 250000, 45}, 17500, 42000, 3281},
      {{5, 300, 0, 60, 20, 100000, 50}, 32500, 78000, 6093},
      {{5, 10, 40, 5, -1, 0, 50}, -5833, -5833, 50},
      // KIND 2: 300 s for the game, early, middle and late moves.
      {{2, 300, 0, 0, 0, 60000, 10}, 39666, 95200, 4090},
      {{2, 300, 0, 0, 0, 60000, 25}, 39666, 95200, 11900},
      {{2, 300, 0, 0, 0, 60000, 40}, 39666, 95200, 7437},
      {{2, 0, 0, 0, 0, 5000, 1}, -2800, -2800, 50},
      // KIND 3: 2 s added per move.
      {{3, 300, 2, 0, 0, 60000, 10}, 51000, 103200, 7000},
      {{3, 1, 30, 0, 0, 0, 31}, 274833, 371600, 59031},
      // Unknown kinds get no time.
      {{7, 60, 0, 0, 0, 0, 1}, 0, 0, 50},
      {{-1, 60, 0, 0, 0, 0, 1}, 0, 0, 50},
      // Products past 32 bits wrap as they always did.
      {{6, 3000000, 0, 0, 0, 0, 1}, -215828716, 341004540, 50},
      {{1, 300000, 0, 0, 0, 0, 1}, -1894967296, -1894967296, 50},
  };
  for (const BudgetCase& c : cases) {
    const TimeRequest& r = c.request;
    TimeBudgets b = allocate_time(r);
    EXPECT_EQ(b.soft, c.soft) << "KIND " << r.kind << " T " << r.time << " M " << r.moves_to_go << " n "
                              << r.move_number;
    EXPECT_EQ(b.hard, c.hard) << "KIND " << r.kind << " T " << r.time;
    EXPECT_EQ(b.target, c.target) << "KIND " << r.kind << " T " << r.time;
  }
}

TEST(TimeAllocation, ExtremeValuesNeitherTrapNorOverflow) {
  const int32_t values[] = {INT_MIN, INT_MIN + 1, -1000, -1, 0, 1, 31, 32, 33, INT_MAX - 1, INT_MAX};
  for (int kind = -1; kind <= 7; ++kind)
    for (int32_t t : values)
      for (int32_t m : values)
        for (int32_t x : {INT_MIN, -1, 0, 1, INT_MAX}) {
          TimeBudgets b = allocate_time({kind, t, m, m, x, t, m});
          EXPECT_GE(b.hard, b.soft);
          EXPECT_GE(b.target, kLeastTargetTime);
        }
}

// A clock with an increment (the interface's ms) and no moves to go: the
// reserve is a fifth of the clock, at most 5 s, and each move is credited the
// increment, at most a sixth of what lies beyond the reserve.
TEST(TimeAllocation, ClockWithIncrementSpendsTheIncrementAndKeepsAReserve) {
  const BudgetCase cases[] = {
      {{6, 10, 0, 0, 0, 0, 1, 10000, 100}, 1430, 3192, 349},
      {{6, 60, 0, 1, 0, 0, 1, 60000, 1000}, 10163, 21992, 2718},
      {{6, 2, 0, 5, 0, 0, 1, 2000, 5000}, 463, 632, 249},
      {{6, 0, 0, 0, 0, 0, 1, 1, 100}, 0, 0, 50},
      // Without an increment, with moves to go, or without the ms clock, the
      // periods' budgets hold.
      {{6, 60, 0, 0, 0, 0, 1, 60000, 0}, 9166, 22000, 1718},
      {{6, 60, 20, 0, 0, 0, 1, 60000, 1000}, 12100, 22000, 2619},
      {{6, 60, 0, 1, 0, 0, 1, -1, 1000}, 9166, 22000, 1718},
  };
  for (const BudgetCase& c : cases) {
    TimeBudgets b = allocate_time(c.request);
    EXPECT_EQ(b.soft, c.soft) << "clock " << c.request.clock_ms << " inc " << c.request.increment_ms;
    EXPECT_EQ(b.hard, c.hard) << "clock " << c.request.clock_ms;
    EXPECT_EQ(b.target, c.target) << "clock " << c.request.clock_ms;
  }
  // Whatever the clock and increment, no deadline passes two fifths of the
  // clock beyond the 20 ms an answer takes to travel, so a clock of one or
  // two increments grows back.
  for (int32_t clock : {1, 7, 25, 40, 99, 250, 999, 4000, 30000, INT_MAX})
    for (int32_t inc : {1, 10, 20, 100, 1000, 60000, INT_MAX}) {
      TimeBudgets b = allocate_time({6, clock / 1000, 0, inc / 1000, 0, 0, 1, clock, inc});
      EXPECT_LE(int64_t{b.hard}, std::max<int64_t>(int64_t{clock} - 20, 0) * 2 / 5) << clock << " + " << inc;
      EXPECT_GE(b.hard, b.soft);
    }
}

struct GuardCase {
  TimeRequest request;
  int32_t noted_ms;
  int32_t guard;
};

TEST(ClockGuard, GuardsOnlyTimedSearchesWithoutADeadline) {
  const GuardCase cases[] = {
      // A clock under a second shows as T = 0; only the noted clock tells.
      {{6, 0, 0, 0, 0, 0, 1}, 999, 23},
      // A 32nd of what lies above a 100 ms reserve, less 5 ms for the answer.
      {{6, 0, 0, 0, 0, 0, 1}, 292, 1},
      {{6, 0, 0, 0, 0, 0, 1}, 291, 0},
      {{6, 0, 0, 0, 0, 0, 1}, 30, 0},
      {{6, 0, 0, 0, 0, 0, 1}, 0, 0},
      // A bare `go` gives no clock: no guard.
      {{6, 0, 0, 0, 0, 0, 1}, kClockNotGiven, kNoGuard},
      // Without a note the whole seconds are a lower bound.
      {{6, 3, 0, 0, 0, 0, 1}, kClockNotGiven, 85},
      {{6, 5, 0, 0, 0, 0, 1}, 5999, 179},
      // The budgets arm deadlines: the guard stays out.
      {{6, 6, 0, 0, 0, 0, 1}, 6500, kNoGuard},
      {{6, 60, 0, 0, 0, 0, 1}, 60000, kNoGuard},
      // Kinds that count the clock themselves use their count.
      {{5, 4, 40, 0, 0, 0, 1}, kClockNotGiven, 116},
      {{2, 0, 0, 0, 0, 5000, 1}, kClockNotGiven, 0},
      {{3, 2, 0, 0, 0, 1000, 1}, kClockNotGiven, 23},
      // Fixed time, fixed depth, infinite and unknown kinds have no clock.
      {{4, 100, 0, 0, 0, 0, 1}, 100, kNoGuard},
      {{0, 8, 0, 0, 0, 0, 1}, 500, kNoGuard},
      {{1, 60, 0, 0, 0, 0, 1}, 500, kNoGuard},
      {{7, 0, 0, 0, 0, 0, 1}, 500, kNoGuard},
  };
  for (const GuardCase& c : cases) {
    TimeBudgets b = allocate_time(c.request);
    EXPECT_EQ(guard_time(c.request, b, c.noted_ms), c.guard)
        << "KIND " << c.request.kind << " T " << c.request.time << " noted " << c.noted_ms;
  }
}

TEST(ClockGuard, IncrementRaisesTheShareButNeverReachesTheReserve) {
  const TimeRequest sub_second{6, 0, 0, 0, 0, 0, 1};
  TimeBudgets b = allocate_time(sub_second);
  EXPECT_EQ(guard_time(sub_second, b, 999, 100), 123);
  EXPECT_EQ(guard_time(sub_second, b, 150, 100), 45);  // 100 ms reserve, 5 ms answer
  EXPECT_EQ(guard_time(sub_second, b, 50, 100), 0);
  EXPECT_EQ(guard_time(sub_second, b, kClockNotGiven, 100), kNoGuard);
  note_increments(40, 70);
  EXPECT_EQ(take_noted_increment(kBlack), 70);
  EXPECT_EQ(take_noted_increment(kBlack), 0) << "taken once";
}

TEST(ClockGuard, NotedClocksServeOneThinkThatAgreesWithThem) {
  note_clocks(999, 5000);
  EXPECT_EQ(take_noted_clock(kWhite, 0), 999);
  EXPECT_EQ(take_noted_clock(kWhite, 0), kClockNotGiven) << "taken once";
  note_clocks(999, 5000);
  EXPECT_EQ(take_noted_clock(kBlack, 5), 5000);
  note_clocks(1500, 5000);
  EXPECT_EQ(take_noted_clock(kWhite, 0), kClockNotGiven) << "another think's clock";
  note_clocks(kClockNotGiven, 5000);
  EXPECT_EQ(take_noted_clock(kWhite, 0), kClockNotGiven);
}

// Waits until the stop flag is set, at most two seconds.
bool stop_comes() {
  for (int i = 0; i < 400 && !stop_requested(); ++i) platform::sleep_ms(5);
  return stop_requested();
}

TEST(Timer, StartsOnceAndStops) {
  EXPECT_TRUE(start_timer());
  EXPECT_TRUE(start_timer());
  EXPECT_TRUE(timer_running());
  stop_timer();
  EXPECT_FALSE(timer_running());
  stop_timer();  // none running: nothing to do
  EXPECT_TRUE(start_timer());
  stop_timer();
}

TEST(Timer, TickStopsTheSearchAtTheDeadlineThatApplies) {
  ASSERT_TRUE(start_timer());
  // Score not stable: the hard deadline applies, and it is far away.
  flags.stop.store(0);
  search_clock.score_stable.store(0);
  set_deadlines(1, 60000);
  platform::sleep_ms(450);
  EXPECT_FALSE(stop_requested());
  EXPECT_NE(search_clock.soft_deadline.load(), -1);
  // Score stable: the soft deadline, long past, applies at the next tick.
  search_clock.score_stable.store(1);
  EXPECT_TRUE(stop_comes());
  EXPECT_EQ(search_clock.soft_deadline.load(), -1) << "a deadline fires once";
  stop_timer();
  search_clock.score_stable.store(0);
  flags.stop.store(0);
}

TEST(Timer, GuardStopsOnTheFineTickAndKeepsStoppingUntilDisarmed) {
  flags.stop.store(0);
  disarm_deadlines();
  start_fine_timer();
  prepare_guard(0);
  arm_guard();
  EXPECT_TRUE(stop_comes());
  flags.stop.store(0);  // as the search driver does at its start
  EXPECT_TRUE(stop_comes()) << "set again at the next tick";
  disarm_guard();
  platform::sleep_ms(3 * kFineTimerPeriodMs);
  flags.stop.store(0);
  platform::sleep_ms(3 * kFineTimerPeriodMs);
  EXPECT_FALSE(stop_requested());
  // No guard prepared: arming does nothing.
  prepare_guard(kNoGuard);
  arm_guard();
  platform::sleep_ms(3 * kFineTimerPeriodMs);
  EXPECT_FALSE(stop_requested());
  stop_fine_timer();
}

}  // namespace
}  // namespace ostrim
