#pragma once
// Book files written byte by byte for the book tests, in a temporary directory.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <array>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "book/book.h"

namespace ostrim::testing {

using KeyBytes = std::array<uint8_t, book::kKeyBytes>;

inline KeyBytes bytes_of(const HashKey& key) {
  KeyBytes out;
  book::key_bytes(key, out.data());
  return out;
}

struct TestRecord {
  KeyBytes key;
  Move move;
  int16_t weight;
};

// Keys that sort before and after any real position key (checked by the tests).
inline KeyBytes low_key(int i) { return {0, 0, 0, 0, 0, static_cast<uint8_t>(i)}; }
inline KeyBytes high_key(int i) { return {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, static_cast<uint8_t>(i)}; }

inline std::string record_bytes(const TestRecord& r) {
  std::string out(r.key.begin(), r.key.end());
  out += std::string(2, '\0');
  out += static_cast<char>(r.move & 0xFF);
  out += static_cast<char>(r.move >> 8);
  out += static_cast<char>(static_cast<uint16_t>(r.weight) & 0xFF);
  out += static_cast<char>(static_cast<uint16_t>(r.weight) >> 8);
  return out;
}

inline std::string read_whole_file(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

struct TempDirectory {
  std::string path;
  TempDirectory() {
    char pattern[] = "/tmp/ostrim-book-XXXXXX";
    path = mkdtemp(pattern);
  }
  ~TempDirectory() { std::filesystem::remove_all(path); }
  TempDirectory(const TempDirectory&) = delete;
  TempDirectory& operator=(const TempDirectory&) = delete;

  std::string file(const std::string& name) const { return path + "/" + name; }
  std::string write(const std::string& name, const std::string& bytes) const {
    std::ofstream out(file(name), std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    return file(name);
  }
  // The records in the order given, then any extra bytes.
  std::string write_book(const std::string& name, const std::vector<TestRecord>& records,
                         const std::string& extra = "") const {
    std::string bytes;
    for (const TestRecord& r : records) bytes += record_bytes(r);
    return write(name, bytes + extra);
  }
  std::string read(const std::string& name) const { return read_whole_file(file(name)); }
};

}  // namespace ostrim::testing
