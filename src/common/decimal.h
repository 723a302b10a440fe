#pragma once
// Decimal text to integer, as the C library's atoi reads it.
#include <cstdint>

namespace ostrim {

// Optional leading white space, an optional sign, then digits up to the
// first other character; no digits gives 0. Values beyond 32 bits are held
// at the nearest end of the range instead of being undefined.
int32_t decimal_value(const char* text);

}  // namespace ostrim
