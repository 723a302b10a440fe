#pragma once
#include <cstdint>

namespace ostrim::platform {

// Gives the processor away for about this many milliseconds.
void sleep_ms(int32_t milliseconds);

// Lets another thread run before this one goes on.
void yield_thread();

}  // namespace ostrim::platform
