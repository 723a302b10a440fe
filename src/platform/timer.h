#pragma once
// A periodic timer ticking on a thread of its own.
#include <cstddef>
#include <cstdint>

namespace ostrim::platform {

struct PeriodicTimer;

using TimerTick = void (*)(void* argument);

// Starts a thread that calls tick(argument) every period_ms milliseconds,
// the first call one period from now. A late tick does not make the
// following ones come faster. Returns none when the thread cannot start.
PeriodicTimer* start_periodic_timer(int32_t period_ms, TimerTick tick, void* argument,
                                    std::size_t stack_bytes);

// Cancels the timer and waits until its thread has ended, so that no tick
// runs after it returns; releases the timer. Never call it from the tick.
void stop_periodic_timer(PeriodicTimer* timer);

}  // namespace ostrim::platform
