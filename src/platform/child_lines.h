#pragma once
// What driving a child by lines needs on every system: deadlines and the
// lines cut from the output read so far.
#include <cstdint>
#include <string>

#include "platform/child_process.h"

namespace ostrim::platform {

// Milliseconds left until the deadline on the monotonic clock, 0 when past.
int remaining_ms(int64_t deadline);

// Takes the next whole line of the output read so far, without its line
// feed; false when no whole line is there yet.
bool take_line(ChildProcess& child, std::string& line);

}  // namespace ostrim::platform
