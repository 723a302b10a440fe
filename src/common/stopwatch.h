#pragma once
// A stopwatch on the millisecond clock: the search's, and one per player.
#include <cstdint>

namespace ostrim {

struct Stopwatch {
  bool running = false;
  int32_t start = 0;
  int32_t accumulated = 0;
};

void start_stopwatch(Stopwatch& w);
void stop_stopwatch(Stopwatch& w);
int32_t elapsed(const Stopwatch& w);
inline void reset_stopwatch(Stopwatch& w) { w = Stopwatch{}; }

}  // namespace ostrim
