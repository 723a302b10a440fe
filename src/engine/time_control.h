#pragma once
// Time allocation: the three budgets of a think, and the timer thread whose
// tick stops a search once the deadline that applies has passed.
#include <cstdint>

namespace ostrim {

// The kinds of limit a think accepts besides those of the search limits.
constexpr int kKindWholeGame = 2;          // T seconds for the game
constexpr int kKindWholeGameIncrement = 3; // T seconds, M seconds added per move
constexpr int kKindPeriods = 5;            // T s for M moves, then I s per X moves

constexpr int32_t kTimerPeriodMs = 200;
constexpr int32_t kFineTimerPeriodMs = 1;
constexpr int32_t kLeastTargetTime = 50;
// Below this hard time a deadline is checked on the 1 ms tick.
constexpr int32_t kFineTicksBelowMs = 1000;

// What a think asks for, in the units its KIND gives them.
struct TimeRequest {
  int32_t kind = 0;
  int32_t time = 0;         // T
  int32_t moves_to_go = 0;  // M
  int32_t increment = 0;    // I
  int32_t extra = 0;        // X
  int32_t used = 0;         // ms the side to move has used in the game
  int32_t move_number = 1;  // n
  // The interface's own clock and increment in ms for the side to move (the
  // think's whole seconds lose a sub-second increment); -1: no clock given.
  int32_t clock_ms = -1;
  int32_t increment_ms = 0;
};

struct TimeBudgets {
  int32_t soft = 0;    // ms; below 1: no deadline
  int32_t hard = 0;
  int32_t target = kLeastTargetTime;
  int32_t available = 0;  // B: ms the side has by the request's own count (0 where no clock)
};

// The budgets in signed 32-bit arithmetic: products and sums wrap, divisions
// truncate toward zero, exactly as the engine has always computed them.
TimeBudgets allocate_time(const TimeRequest& r);

// Starts the 200 ms timer unless one runs; false when its thread cannot start.
bool start_timer();
// Cancels the 200 ms timer, if any; no tick runs after it returns.
void stop_timer();
bool timer_running();

// A second timer with a 1 ms tick for searches that must end close to their
// deadline; engine thread only, never from inside a tick.
void start_fine_timer();
void stop_fine_timer();

// What every tick runs: the deadline check, then the clock guard's check.
void timer_tick();

}  // namespace ostrim
