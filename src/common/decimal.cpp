#include "common/decimal.h"

#include <cstdlib>

namespace ostrim {

int32_t decimal_value(const char* text) {
  long long value = std::strtoll(text, nullptr, 10);  // saturates, never undefined
  if (value > INT32_MAX) return INT32_MAX;
  if (value < INT32_MIN) return INT32_MIN;
  return static_cast<int32_t>(value);
}

}  // namespace ostrim
