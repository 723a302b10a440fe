#include "platform/drives.h"

namespace ostrim::platform {

uint32_t logical_drive_mask() { return 0; }

bool drive_ready(char) { return false; }

}  // namespace ostrim::platform
