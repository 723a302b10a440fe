#pragma once
// The writer of block-compressed tables: the engine's reader accepts what
// it writes.
#include <cstdint>
#include <string>
#include <vector>

namespace ostrim::tools {

// The whole file for the table bytes; false (with a reason) for an empty
// table.
bool compress_table(const std::vector<uint8_t>& bytes, std::vector<uint8_t>& file, std::string& error);

// compress_table, written to the path.
bool write_compressed_table(const std::vector<uint8_t>& bytes, const std::string& path, std::string& error);

// Reads the compressed file back the way the engine does and compares
// every block with the bytes.
bool verify_compressed_table(const std::vector<uint8_t>& bytes, const std::string& path, std::string& error);

}  // namespace ostrim::tools
