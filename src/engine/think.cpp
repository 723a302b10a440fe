#include "engine/think.h"

namespace ostrim {

// Not built yet: a think answers nothing.
void run_think(int, int, int, int, int, int) {}

}  // namespace ostrim
