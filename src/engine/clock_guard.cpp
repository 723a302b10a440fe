#include "engine/clock_guard.h"

#include <atomic>

#include "common/engine_flags.h"
#include "engine/engine_thread.h"
#include "platform/clock.h"
#include "search/driver.h"

namespace ostrim {
namespace {

constexpr int64_t kMsPerSecond = 1000;

std::atomic<int32_t> noted_white{kClockNotGiven};
std::atomic<int32_t> noted_black{kClockNotGiven};

std::atomic<int32_t> noted_white_increment{0};
std::atomic<int32_t> noted_black_increment{0};

std::atomic<int32_t> guard_ms{kNoGuard};
std::atomic<bool> armed{false};
std::atomic<int32_t> deadline{0};

bool time_control_kind(int kind) {
  return kind == kKindTimeControl || kind == kKindPeriods || kind == kKindWholeGame ||
         kind == kKindWholeGameIncrement;
}

}  // namespace

void note_clocks(int32_t white_ms, int32_t black_ms) {
  noted_white.store(white_ms);
  noted_black.store(black_ms);
}

void note_increments(int32_t white_ms, int32_t black_ms) {
  noted_white_increment.store(white_ms < 0 ? 0 : white_ms);
  noted_black_increment.store(black_ms < 0 ? 0 : black_ms);
}

int32_t take_noted_increment(Colour side) {
  int32_t white = noted_white_increment.exchange(0);
  int32_t black = noted_black_increment.exchange(0);
  return side == kWhite ? white : black;
}

int32_t take_noted_clock(Colour side, int32_t time_seconds) {
  int32_t white = noted_white.exchange(kClockNotGiven);
  int32_t black = noted_black.exchange(kClockNotGiven);
  int32_t ms = side == kWhite ? white : black;
  if (ms == kClockNotGiven || ms / kMsPerSecond != time_seconds) return kClockNotGiven;
  return ms;
}

int32_t guard_time(const TimeRequest& r, const TimeBudgets& b, int32_t noted_ms, int32_t increment_ms) {
  if (!time_control_kind(r.kind) || b.soft >= 1) return kNoGuard;
  int64_t clock;
  if (r.kind != kKindTimeControl) {
    clock = b.available;  // the request counts the clock itself
  } else if (noted_ms != kClockNotGiven) {
    clock = noted_ms;
  } else if (r.time > 0) {
    clock = r.time * kMsPerSecond;  // a lower bound: the seconds are truncated
  } else {
    return kNoGuard;  // a bare `go`: no clock at all
  }
  int64_t share = (clock - kGuardReserveMs) / kGuardDivisor - kGuardMoveOverheadMs;
  if (increment_ms > 0) {
    int64_t most = clock - kGuardReserveMs - kGuardMoveOverheadMs;
    share += increment_ms;
    if (share > most) share = most;
  }
  return share > 0 ? static_cast<int32_t>(share) : 0;
}

void prepare_guard(int32_t ms) { guard_ms.store(ms); }

void arm_guard() {
  int32_t ms = guard_ms.load();
  if (ms == kNoGuard) return;
  deadline.store(static_cast<int32_t>(static_cast<uint32_t>(platform::now_ms()) + static_cast<uint32_t>(ms)));
  armed.store(true);
}

void disarm_guard() { armed.store(false); }

void check_guard_deadline() {
  if (!armed.load()) return;
  if (platform::ms_between(deadline.load(), platform::now_ms()) >= 0) request_stop();
}

}  // namespace ostrim
