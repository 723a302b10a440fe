#include "common/engine_flags.h"

namespace ostrim {

EngineFlags flags;

}  // namespace ostrim
