#include "board/setup.h"

namespace ostrim {

// Not built yet.
int setup_position(const char*) { return 1; }

}  // namespace ostrim
