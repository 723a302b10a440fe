#include "platform/process.h"

#include <unistd.h>

namespace ostrim::platform {

void exit_process(int status) { ::_exit(status); }

}  // namespace ostrim::platform
