// ostrim-tool tb compress: a raw table file into the block-compressed form.
#include <cstdio>
#include <fstream>
#include <iterator>
#include <vector>

#include "tb_compress.h"
#include "tb_tool.h"

namespace ostrim::tools {
namespace {

int run_tb_compress(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: ostrim-tool tb compress <table> <table.emd>\n");
    return 2;
  }
  std::ifstream in(argv[1], std::ios::binary);
  if (!in) {
    std::fprintf(stderr, "tb compress: cannot read %s\n", argv[1]);
    return 2;
  }
  std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  std::string error;
  if (!write_compressed_table(bytes, argv[2], error) || !verify_compressed_table(bytes, argv[2], error)) {
    std::fprintf(stderr, "tb compress: %s\n", error.c_str());
    return 1;
  }
  std::ifstream out(argv[2], std::ios::binary | std::ios::ate);
  long long written = static_cast<long long>(out.tellg());
  std::printf("%s: %zu bytes -> %s: %lld bytes (%.2f%%)\n", argv[1], bytes.size(), argv[2], written,
              100.0 * static_cast<double>(written) / static_cast<double>(bytes.size()));
  return 0;
}

const bool registered =
    register_tb_command({"compress", "<table> <table.emd>",
                         "writes the table in blocks of 8192 bytes, LZ77 and Huffman coded, and reads it back",
                         run_tb_compress});

}  // namespace
}  // namespace ostrim::tools
