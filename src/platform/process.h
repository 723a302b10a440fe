#pragma once

namespace ostrim::platform {

// Ends the process at once with the status, whatever other threads do.
[[noreturn]] void exit_process(int status);

}  // namespace ostrim::platform
