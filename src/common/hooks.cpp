#include "common/hooks.h"

namespace ostrim {

Hooks hooks;

}  // namespace ostrim
