#include "search/search_clock.h"

#include "platform/clock.h"

namespace ostrim {

SearchClock search_clock;

void set_deadlines(int32_t soft_time, int32_t hard_time) {
  if (soft_time < 1) {
    disarm_deadlines();
    return;
  }
  int32_t now = platform::now_ms();
  search_clock.hard_deadline.store(static_cast<int32_t>(static_cast<uint32_t>(now) + static_cast<uint32_t>(hard_time)),
                                   std::memory_order_relaxed);
  int32_t soft = static_cast<int32_t>(static_cast<uint32_t>(now) + static_cast<uint32_t>(soft_time));
  if (soft == -1) soft = 0;  // -1 means "none"
  search_clock.soft_deadline.store(soft, std::memory_order_relaxed);
}

int32_t search_elapsed() { return elapsed(search_clock.stopwatch); }

}  // namespace ostrim

#include "common/engine_flags.h"

namespace ostrim {

void check_deadlines() {
  int32_t soft = search_clock.soft_deadline.load(std::memory_order_relaxed);
  if (soft == -1) return;
  int32_t limit = search_clock.score_stable.load(std::memory_order_relaxed)
                      ? soft
                      : search_clock.hard_deadline.load(std::memory_order_relaxed);
  if (platform::ms_between(limit, platform::now_ms()) > 0) {
    request_stop();
    disarm_deadlines();
  }
}

}  // namespace ostrim
