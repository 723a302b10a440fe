// ostrim-tool tb generate: writes tables by retrograde analysis.
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "tablebase/classes.h"
#include "tb_generate.h"
#include "tb_tool.h"

namespace ostrim::tools {
namespace {

int run_generate(int argc, char** argv) {
  std::string dir;
  std::vector<int> rows;
  bool compress = false;
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--dir") == 0 && i + 1 < argc) {
      dir = argv[++i];
    } else if (std::strcmp(argv[i], "--compress") == 0) {
      compress = true;
    } else {
      int row = tablebase::find_class(argv[i]);
      if (row <= 0) {
        std::fprintf(stderr, "tb generate: no class %s\n", argv[i]);
        return 2;
      }
      rows.push_back(row);
    }
  }
  if (dir.empty() || rows.empty()) {
    std::fprintf(stderr, "usage: ostrim-tool tb generate <class>... --dir DIR [--compress]\n");
    return 2;
  }
  std::error_code error;
  std::filesystem::create_directories(dir, error);
  if (!std::filesystem::is_directory(dir)) {
    std::fprintf(stderr, "tb generate: no folder %s\n", dir.c_str());
    return 2;
  }
  if (compress) std::printf("tb generate: --compress not yet; writing raw tables\n");
  for (int row : rows)
    if (!generate_class(row, dir, true)) return 1;
  return 0;
}

const bool registered = register_tb_command(
    {"generate", "<class>... --dir DIR [--compress]",
     "writes the classes' raw tables (.nbw, .nbb) by retrograde analysis, with the classes they need", run_generate});

}  // namespace
}  // namespace ostrim::tools
