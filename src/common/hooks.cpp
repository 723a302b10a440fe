#include "common/hooks.h"

namespace ostrim {

Hooks hooks;
std::atomic<int32_t> tablebase_men{0};

}  // namespace ostrim
