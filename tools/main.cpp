// ostrim-tool: developer tools (perft, bench, eval, epd, book ...).
#include <cstdio>
#include <cstring>
#include <vector>

#include "tool_registry.h"

namespace ostrim::tools {
namespace {

std::vector<ToolCommand>& registry() {
  static std::vector<ToolCommand> commands;
  return commands;
}

void print_help() {
  std::printf("usage: ostrim-tool <command> [arguments]\n\ncommands:\n");
  for (const ToolCommand& c : registry())
    std::printf("  %s %s\n      %s\n", c.name, c.usage, c.summary);
}

}  // namespace

bool register_tool(const ToolCommand& command) {
  registry().push_back(command);
  return true;
}

}  // namespace ostrim::tools

int main(int argc, char** argv) {
  using namespace ostrim::tools;
  if (argc < 2 || std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0 ||
      std::strcmp(argv[1], "help") == 0) {
    print_help();
    return argc < 2 ? 1 : 0;
  }
  for (const ToolCommand& c : registry()) {
    if (std::strcmp(c.name, argv[1]) == 0) return c.run(argc - 1, argv + 1);
  }
  std::fprintf(stderr, "ostrim-tool: unknown command '%s' (try --help)\n", argv[1]);
  return 2;
}
