// ostrim-tool tb: the tablebase tools.
#include "tb_tool.h"

#include <cstdio>
#include <cstring>
#include <vector>

namespace ostrim::tools {
namespace {

std::vector<ToolCommand>& tb_commands() {
  static std::vector<ToolCommand> commands;
  return commands;
}

void print_tb_usage() {
  for (const ToolCommand& c : tb_commands()) std::fprintf(stderr, "usage: ostrim-tool tb %s %s\n", c.name, c.usage);
}

int run_tb(int argc, char** argv) {
  if (argc >= 2) {
    for (const ToolCommand& c : tb_commands())
      if (std::strcmp(c.name, argv[1]) == 0) return c.run(argc - 1, argv + 1);
  }
  print_tb_usage();
  return 2;
}

const bool registered = register_tool(
    {"tb", "generate|compress|probe ...",
     "endgame tablebases: writes a class's tables, compresses a table file, probes a position", run_tb});

}  // namespace

bool register_tb_command(const ToolCommand& command) {
  tb_commands().push_back(command);
  return true;
}

}  // namespace ostrim::tools
