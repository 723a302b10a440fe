#pragma once
#include <cstdint>

namespace ostrim::platform {

// Wall-clock milliseconds (seconds * 1000 + milliseconds) in 32 bits; it
// wraps, so deadlines compare as signed differences.
int32_t now_ms();

// Whole seconds since 1970-01-01 UTC.
int64_t now_seconds();

// Milliseconds on a clock that never goes back (timing a child's answers).
int64_t monotonic_ms();

// to - from on the wrapping clock.
inline int32_t ms_between(int32_t from, int32_t to) {
  return static_cast<int32_t>(static_cast<uint32_t>(to) - static_cast<uint32_t>(from));
}

}  // namespace ostrim::platform
