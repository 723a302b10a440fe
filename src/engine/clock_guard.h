#pragma once
// The clock guard: keeps a timed search inside the time the interface's
// clock really leaves where the budgets set no deadline (too little time
// left for them, or a clock under one second, which the think command's
// whole seconds show as 0). It adds a deadline; it never moves one.
#include <cstdint>

#include "board/types.h"
#include "engine/time_control.h"

namespace ostrim {

constexpr int32_t kClockNotGiven = -1;
constexpr int32_t kNoGuard = -1;
constexpr int32_t kGuardReserveMs = 100;    // never planned for: scheduling delays
constexpr int32_t kGuardDivisor = 32;       // moves the rest must last, as the budgets reckon
constexpr int32_t kGuardMoveOverheadMs = 5; // a stopped search's clean-up and answer

// The `go` handler notes each side's clock in milliseconds as the interface
// gave it, negative times as 0 (kClockNotGiven for a side it did not
// give), before it sends the think.
void note_clocks(int32_t white_ms, int32_t black_ms);

// The `go` handler's increments in milliseconds (0 for a side not given);
// the think's whole seconds lose an increment under one second.
void note_increments(int32_t white_ms, int32_t black_ms);
int32_t take_noted_increment(Colour side);

// The side's noted clock, if it agrees with the think's whole seconds;
// clears the notes, which serve one think.
int32_t take_noted_clock(Colour side, int32_t time_seconds);

// The milliseconds a search may run by the guard, or kNoGuard: only for the
// time-control kinds, only when the budgets arm no deadline, and only when
// the clock is known (noted, or counted by the request itself). The share
// of the clock grows by the increment the move will earn, but never reaches
// into the reserve.
int32_t guard_time(const TimeRequest& r, const TimeBudgets& b, int32_t noted_ms, int32_t increment_ms = 0);

// The guard of the running think: kept for `stoppondering`, armed from now
// when the search starts thinking, disarmed when the think ends.
void prepare_guard(int32_t guard_ms);
void arm_guard();
void disarm_guard();

// The tick's check: once the armed guard's deadline is reached, the stop
// flag is set, and set again at each tick until the guard is disarmed, so
// that the search driver's own reset of the flag cannot lose it.
void check_guard_deadline();

}  // namespace ostrim
