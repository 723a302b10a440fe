#include "common/search_lock.h"

namespace ostrim {

platform::CriticalSection* search_lock() {
  static platform::CriticalSection* const section = platform::create_critical_section();
  return section;
}

}  // namespace ostrim
