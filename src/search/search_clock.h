#pragma once
// Time state shared by the search driver, the think executor and the timer:
// the budgets of the running search, its deadlines and stopwatch, and the
// flags by which the driver tells the timer which deadline applies.
#include <atomic>
#include <cstdint>

#include "common/stopwatch.h"

namespace ostrim {

struct SearchClock {
  int32_t soft_time = 0;      // ms budgets of the running search
  int32_t hard_time = 0;
  int32_t target_time = 50;
  std::atomic<int32_t> soft_deadline{-1};  // -1: no deadline armed
  std::atomic<int32_t> hard_deadline{0};
  std::atomic<int32_t> score_stable{0};    // set: the soft deadline applies
  std::atomic<int32_t> time_up{0};         // the driver judged the target time used
  Stopwatch stopwatch;                     // the running search's
};

extern SearchClock search_clock;

// Arms the deadlines from now; a soft time below 1 disarms them.
void set_deadlines(int32_t soft_time, int32_t hard_time);
inline void disarm_deadlines() { search_clock.soft_deadline.store(-1, std::memory_order_relaxed); }

// Milliseconds since the running search started.
int32_t search_elapsed();

}  // namespace ostrim

namespace ostrim {

// One tick of the 200 ms timer: sets the stop flag once the deadline that
// applies (soft when the score is stable, else hard) has passed.
void check_deadlines();

}  // namespace ostrim
