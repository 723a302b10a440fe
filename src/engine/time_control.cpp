#include "engine/time_control.h"

#include "engine/clock_guard.h"
#include "engine/engine_thread.h"
#include "platform/timer.h"
#include "search/driver.h"
#include "search/search_clock.h"

namespace ostrim {
namespace {

constexpr std::size_t kTimerStackBytes = 2000;
constexpr int32_t kMsPerSecond = 1000;
constexpr int32_t kInfiniteFactor = 8;     // soft and hard time of KIND 1, in T seconds
constexpr int32_t kPeriodsReserve = 5000;  // ms kept back by KINDs 5 and 6
constexpr int32_t kWholeGameReserve = 2000;
constexpr int32_t kLateMove = 30;          // from here on KINDs 2 and 3 spend A/32
constexpr int32_t kMiddleMove = 18;
constexpr int32_t kIncrementReserveDivisor = 5;  // reserve of a clock with increment: a fifth, at most 5 s
constexpr int32_t kIncrementCreditDivisor = 10;
// Pipes, process switches and a busy machine add milliseconds to every
// answer that no deadline sees; on a clock of a few increments they decide.
constexpr int32_t kAnswerMargin = 20;

// 32-bit signed arithmetic as the budgets were always computed: results
// wrap instead of overflowing, divisions truncate toward zero.
int32_t wrap(int64_t v) { return static_cast<int32_t>(static_cast<uint32_t>(static_cast<uint64_t>(v))); }
int32_t add(int32_t a, int32_t b) { return wrap(int64_t{a} + b); }
int32_t sub(int32_t a, int32_t b) { return wrap(int64_t{a} - b); }
int32_t mul(int32_t a, int32_t b) { return wrap(int64_t{a} * b); }
int32_t quot(int32_t a, int32_t b) {
  if (b == 0) return 0;  // no divisor below can be 0; kept so that none ever traps
  return b == -1 ? wrap(-int64_t{a}) : a / b;
}
int32_t rem(int32_t a, int32_t b) { return b == 0 || b == -1 ? 0 : a % b; }
int32_t larger(int32_t a, int32_t b) { return a > b ? a : b; }
int32_t smaller(int32_t a, int32_t b) { return a < b ? a : b; }

struct Candidates {
  int32_t soft = 0;
  int32_t hard = 0;
  int32_t target = 0;
  int32_t available = 0;
};

// KINDs 6 and 5: B milliseconds for G moves (0: no count of moves).
Candidates periods(int32_t b, int32_t g) {
  Candidates c;
  c.available = b;
  int32_t a = sub(b, kPeriodsReserve);
  if (g > 0) {
    c.target = quot(a, add(g, 1));
    c.soft = quot(mul(add(g, 2), a), mul(5, g));
  } else {
    c.target = quot(a, 32);
    c.soft = quot(a, 6);
  }
  c.hard = quot(sub(mul(2, b), 2 * kPeriodsReserve), 5);
  return c;
}

// A clock with an increment and no count of moves (KIND 6 from an interface
// that gave its clock in ms): the periods' shares of what is left, plus the
// increment each move earns back. The reserve shrinks with the clock, so a
// short game is not played on half its time; the credited increment never
// exceeds a sixth of the clock beyond the reserve.
Candidates clock_with_increment(int32_t clock, int32_t increment) {
  Candidates c;
  c.available = clock;
  int32_t reserve = smaller(kPeriodsReserve, clock / kIncrementReserveDivisor);
  int32_t a = larger(clock - reserve - kAnswerMargin, 0);
  // Never more than a tenth of the clock: a clock of a few increments
  // then grows back instead of ending each move a few ms from zero.
  int32_t credit = smaller(smaller(increment, a / 6), clock / kIncrementCreditDivisor);
  c.target = a / 32 + credit;
  c.soft = a / 6 + credit;
  c.hard = a / 5 * 2;
  return c;
}

bool clock_with_increment_given(const TimeRequest& r) {
  return r.kind == kKindTimeControl && r.moves_to_go == 0 && r.increment_ms > 0 && r.clock_ms > 0;
}

Candidates periods_of_game(const TimeRequest& r) {
  const int32_t t = r.time, m = r.moves_to_go, i = r.increment, x = r.extra, n = r.move_number;
  int32_t e = t;
  int32_t g = 0;
  if (m == 0) {
    g = 0;
  } else if (n <= m) {
    g = add(sub(m, n), 1);
  } else if (x == 0) {
    e = add(t, i);
  } else {
    int32_t k = sub(n, m);
    g = sub(x, rem(sub(k, 1), x));
    e = add(t, mul(i, quot(sub(add(k, x), 1), x)));
  }
  return periods(sub(mul(e, kMsPerSecond), r.used), g);
}

// KINDs 2 and 3; inc in milliseconds.
Candidates whole_game(const TimeRequest& r, int32_t inc) {
  Candidates c;
  const int32_t t = r.time, n = r.move_number;
  int32_t spent = sub(r.used, mul(n, inc));
  int32_t b = sub(mul(t, kMsPerSecond), spent);
  int32_t a = sub(b, kWholeGameReserve);
  int32_t base;
  if (n > kLateMove) {
    base = quot(a, 32);
  } else {
    base = quot(sub(mul(t, kMsPerSecond / 2), spent), sub(32, n));
    if (n > kMiddleMove) base = larger(base, quot(a, 50));
    base = smaller(base, quot(a, 20));
  }
  c.available = b;
  c.target = add(base, inc);
  c.hard = quot(sub(mul(2, b), 2 * kWholeGameReserve), 5);
  int32_t share = inc > 0 ? add(mul(4, inc), quot(a, 6)) : quot(a, 6);
  c.soft = smaller(share, c.hard);
  return c;
}

platform::PeriodicTimer* timer = nullptr;
platform::PeriodicTimer* fine_timer = nullptr;

void tick(void*) { timer_tick(); }

}  // namespace

TimeBudgets allocate_time(const TimeRequest& r) {
  Candidates c;
  switch (r.kind) {
    case kKindInfinite:
      c.soft = c.hard = mul(r.time, kInfiniteFactor * kMsPerSecond);
      c.target = mul(r.time, kMsPerSecond);
      break;
    case kKindMoveTime:
      c.soft = c.hard = r.time;
      c.target = quot(mul(3, r.time), 4);
      break;
    case kKindTimeControl:
      c = clock_with_increment_given(r) ? clock_with_increment(r.clock_ms, r.increment_ms)
                                        : periods(mul(r.time, kMsPerSecond), r.moves_to_go);
      break;
    case kKindPeriods:
      c = periods_of_game(r);
      break;
    case kKindWholeGame:
      c = whole_game(r, 0);
      break;
    case kKindWholeGameIncrement:
      c = whole_game(r, mul(r.moves_to_go, kMsPerSecond));
      break;
    default:  // KIND 0 and unknown kinds: no time at all
      break;
  }
  TimeBudgets b;
  b.soft = c.soft;
  b.hard = larger(c.hard, c.soft);
  b.target = larger(smaller(c.soft, c.target), kLeastTargetTime);
  b.available = c.available;
  return b;
}

bool start_timer() {
  if (timer == nullptr) timer = platform::start_periodic_timer(kTimerPeriodMs, tick, nullptr, kTimerStackBytes);
  return timer != nullptr;
}

void stop_timer() {
  platform::stop_periodic_timer(timer);
  timer = nullptr;
}

bool timer_running() { return timer != nullptr; }

void start_fine_timer() {
  if (fine_timer == nullptr)
    fine_timer = platform::start_periodic_timer(kFineTimerPeriodMs, tick, nullptr, kTimerStackBytes);
}

void stop_fine_timer() {
  platform::stop_periodic_timer(fine_timer);
  fine_timer = nullptr;
}

void timer_tick() {
  check_deadlines();
  check_guard_deadline();
}

}  // namespace ostrim
