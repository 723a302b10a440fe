#pragma once
// ostrim-tool tb <command>: the tablebase tools (generate, compress, probe)
// register here, one file per command.
#include "tool_registry.h"

namespace ostrim::tools {

// Called from a static initialiser in each command's file.
bool register_tb_command(const ToolCommand& command);

}  // namespace ostrim::tools
