#include "common/stopwatch.h"

#include "platform/clock.h"

namespace ostrim {

void start_stopwatch(Stopwatch& w) {
  w.running = true;
  w.start = platform::now_ms();
}

void stop_stopwatch(Stopwatch& w) {
  if (!w.running) return;
  int32_t now = platform::now_ms();
  w.accumulated += platform::ms_between(w.start, now);
  w.start = now;
  w.running = false;
}

int32_t elapsed(const Stopwatch& w) {
  return w.running ? w.accumulated + platform::ms_between(w.start, platform::now_ms()) : w.accumulated;
}

}  // namespace ostrim
