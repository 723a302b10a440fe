// ostrim-tool tb generate: writes tables by retrograde analysis.
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "tablebase/classes.h"
#include "tb_compress.h"
#include "tb_generate.h"
#include "tb_tool.h"

namespace ostrim::tools {
namespace {

// Replaces the class's raw tables by compressed ones, each read back first.
bool compress_class(int row, const std::string& dir) {
  int sides = tablebase::kClasses[row].flags & tablebase::kSymmetric ? 1 : 2;
  for (int side = 0; side < sides; ++side) {
    std::string raw = dir + "/" + tablebase::kClasses[row].name + (side == 0 ? ".nbw" : ".nbb");
    std::ifstream in(raw, std::ios::binary);
    std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    std::string error;
    if (bytes.empty() || !write_compressed_table(bytes, raw + ".emd", error) ||
        !verify_compressed_table(bytes, raw + ".emd", error)) {
      std::fprintf(stderr, "tb generate: cannot compress %s: %s\n", raw.c_str(), error.c_str());
      return false;
    }
    std::error_code ignored;  // a raw file left behind is only read first
    std::filesystem::remove(raw, ignored);
    std::printf("tb generate: %s.emd, %zu bytes of table\n", raw.c_str(), bytes.size());
  }
  return true;
}

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
  for (int row : rows) {
    if (!generate_class(row, dir, true)) return 1;
    if (compress && !compress_class(row, dir)) return 1;
  }
  return 0;
}

const bool registered = register_tb_command(
    {"generate", "<class>... --dir DIR [--compress]",
     "writes the classes' tables (.nbw, .nbb; with --compress .emd) by retrograde analysis, with the classes they need", run_generate});

}  // namespace
}  // namespace ostrim::tools
