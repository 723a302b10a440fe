#pragma once
// ostrim-tool subcommands register themselves here, one file per subcommand.

namespace ostrim::tools {

struct ToolCommand {
  const char* name;
  const char* usage;   // the arguments, as shown by --help
  const char* summary;
  int (*run)(int argc, char** argv);  // argv[0] is the subcommand's name
};

// Called from a static initialiser in each subcommand's file.
bool register_tool(const ToolCommand& command);

}  // namespace ostrim::tools
