#include "platform/sleep.h"

#include <chrono>
#include <thread>

namespace ostrim::platform {

void sleep_ms(int32_t milliseconds) {
  std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
}

void yield_thread() { std::this_thread::yield(); }

}  // namespace ostrim::platform
