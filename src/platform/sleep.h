#pragma once
#include <cstdint>

namespace ostrim::platform {

// Gives the processor away for about this many milliseconds.
void sleep_ms(int32_t milliseconds);

}  // namespace ostrim::platform
