#pragma once
// Drive letters (tablebase directories such as "C:\TBs"), where the system
// has them.
#include <cstdint>

namespace ostrim::platform {

// Bit n is set when drive letter 'A' + n exists; 0 on a system without
// drive letters, where every such path names no drive.
uint32_t logical_drive_mask();

// False when the drive's device is not ready (an empty card reader or disc
// drive), found by listing its root; asking never raises a dialog box.
// Always false where there are no drive letters.
bool drive_ready(char letter);

}  // namespace ostrim::platform
