#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "book/book_files.h"
#include "platform/files.h"
#include "tablebase/decompress.h"
#include "tb_compress.h"

namespace ostrim {
namespace {

using namespace tablebase;
using testing::TempDirectory;

std::vector<uint8_t> random_bytes(std::size_t n, uint32_t seed, int alphabet) {
  std::mt19937 rng(seed);
  std::vector<uint8_t> bytes(n);
  for (uint8_t& b : bytes) b = static_cast<uint8_t>(rng() % alphabet);
  return bytes;
}

// Tables shaped like the data the engine stores: long draws, short runs of
// distances, a repeating stride.
std::vector<uint8_t> table_like(std::size_t n) {
  std::vector<uint8_t> bytes(n);
  std::mt19937 rng(7);
  for (std::size_t i = 0; i < n; ++i) {
    if (i % 5000 < 3000) continue;  // draws
    bytes[i] = static_cast<uint8_t>((i % 62 < 8 ? 120 : 100) + rng() % 4);
  }
  return bytes;
}

std::string write_file(const TempDirectory& dir, const std::string& name, const std::vector<uint8_t>& file) {
  return dir.write(name, std::string(file.begin(), file.end()));
}

HeaderStatus header_of(const std::string& path, CompressedHeader& h) {
  platform::File* f = platform::open_file(path.c_str());
  EXPECT_NE(f, nullptr) << path;
  if (f == nullptr) return HeaderStatus::ReadError;
  HeaderStatus status = read_compressed_header(f, h);
  platform::close_file(f);
  return status;
}

TEST(TablebaseCompress, TablesReadBackBlockByBlock) {
  struct Case {
    const char* name;
    std::vector<uint8_t> bytes;
  };
  std::vector<Case> cases = {
      {"random", random_bytes(100000, 1, 256)},  // incompressible: every block stored whole
      {"few values", random_bytes(50000, 2, 5)},
      {"table-like", table_like(70000)},
      {"zeros", std::vector<uint8_t>(3 * kBlockSize, 0)},
      {"one byte", {0x41}},
      {"last block of 1000", random_bytes(2 * kBlockSize + 1000, 3, 3)},
  };
  TempDirectory dir;
  for (const Case& c : cases) {
    std::string path = dir.file("t.emd");
    std::string error;
    ASSERT_TRUE(tools::write_compressed_table(c.bytes, path, error)) << c.name << ": " << error;
    EXPECT_TRUE(tools::verify_compressed_table(c.bytes, path, error)) << c.name << ": " << error;
    CompressedHeader h;
    ASSERT_EQ(header_of(path, h), HeaderStatus::Ok) << c.name;
    EXPECT_EQ(uint64_t{h.block_count - 1} * kBlockSize + h.last_block_length, c.bytes.size()) << c.name;
  }
  std::string error;
  std::vector<uint8_t> file;
  EXPECT_FALSE(tools::compress_table({}, file, error));
}

TEST(TablebaseCompress, IncompressibleGroupsKeepTheirOffsets) {
  // Eight whole blocks in the second half of a group span 65536 bytes.
  std::vector<uint8_t> bytes = random_bytes(40 * kBlockSize, 4, 256);
  std::vector<uint8_t> file;
  std::string error;
  ASSERT_TRUE(tools::compress_table(bytes, file, error)) << error;
  TempDirectory dir;
  std::string path = write_file(dir, "r.emd", file);
  CompressedHeader h;
  ASSERT_EQ(header_of(path, h), HeaderStatus::Ok);
  uint32_t header_length = file.size() - bytes.size();
  for (uint32_t k = 0; k <= h.block_count; ++k) EXPECT_EQ(block_offset(h, k), header_length + k * kBlockSize) << k;
}

TEST(TablebaseCompress, DamagedHeadersAreRefused) {
  std::vector<uint8_t> good;
  std::string error;
  ASSERT_TRUE(tools::compress_table(table_like(30000), good, error)) << error;
  uint32_t header_length = good[64] << 24 | good[65] << 16 | good[66] << 8 | good[67];

  // The checksum as the common CRC-32 table would give it.
  auto common_crc = [&](std::vector<uint8_t>& f) {
    uint32_t table[256];
    for (uint32_t i = 0; i < 256; ++i) {
      uint32_t c = i;
      for (int k = 0; k < 8; ++k) c = (c & 1) ? (c >> 1) ^ 0xEDB88320 : c >> 1;
      table[i] = c;
    }
    uint32_t c = 0;
    for (uint32_t i = 0; i + 4 < header_length; ++i) c = (c >> 8) ^ table[(c ^ f[i]) & 0xFF];
    for (int i = 0; i < 4; ++i) f[header_length - 4 + i] = static_cast<uint8_t>(c >> (24 - 8 * i));
  };
  struct Case {
    const char* name;
    void (*damage)(std::vector<uint8_t>&, uint32_t);
    HeaderStatus expected;
  };
  const Case cases[] = {
      {"banner", [](std::vector<uint8_t>& f, uint32_t) { f[3] ^= 1; }, HeaderStatus::ReadError},
      {"short", [](std::vector<uint8_t>& f, uint32_t) { f.resize(70); }, HeaderStatus::ReadError},
      {"header cut", [](std::vector<uint8_t>& f, uint32_t h) { f.resize(h - 1); }, HeaderStatus::ReadError},
      {"field mark", [](std::vector<uint8_t>& f, uint32_t) { f[71] = 23; }, HeaderStatus::FileBroken},
      {"format mark", [](std::vector<uint8_t>& f, uint32_t) { f[79] ^= 1; }, HeaderStatus::FileBroken},
      {"block bits", [](std::vector<uint8_t>& f, uint32_t) { f[70] = 17; }, HeaderStatus::FileBroken},
      {"header length", [](std::vector<uint8_t>& f, uint32_t) { f[67] = 83; f[64] = f[65] = f[66] = 0; },
       HeaderStatus::FileBroken},
      {"code lengths", [](std::vector<uint8_t>& f, uint32_t h) {
         // Lengths of 31 bits each, above 31; the checksum made right again.
         uint32_t blocks = f[72] << 24 | f[73] << 16 | f[74] << 8 | f[75];
         uint32_t start = 80 + 8 * blocks + ((blocks + 25) * 13 + 7) / 8;
         f[start] = 0x3F;  // two 0 bits, then a width of 31
         for (uint32_t i = start + 1; i + 4 < h; ++i) f[i] = 0xFF;
         uint32_t sum = header_checksum(f.data(), h - 4);
         for (int i = 0; i < 4; ++i) f[h - 4 + i] = static_cast<uint8_t>(sum >> (24 - 8 * i));
       },
       HeaderStatus::FileBroken},
  };
  TempDirectory dir;
  for (const Case& c : cases) {
    std::vector<uint8_t> f = good;
    c.damage(f, header_length);
    CompressedHeader h;
    EXPECT_EQ(header_of(write_file(dir, "d.emd", f), h), c.expected) << c.name;
  }
  std::vector<uint8_t> crc = good;
  common_crc(crc);
  CompressedHeader h;
  EXPECT_EQ(header_of(write_file(dir, "c.emd", crc), h), HeaderStatus::FileBroken);
}

TEST(TablebaseCompress, DecodingTables) {
  std::vector<int32_t> table;
  // One used symbol costs no bits.
  uint8_t single[64] = {};
  single[9] = 1;
  ASSERT_TRUE(build_decoding_table(single, 64, kLengthTableBits, table));
  for (int32_t entry : table) ASSERT_EQ(entry, 9 << 5);
  single[9] = 2;
  EXPECT_FALSE(build_decoding_table(single, 64, kLengthTableBits, table));
  // Incomplete and over-full codes, and a length above 31.
  uint8_t incomplete[4] = {1, 2, 3, 0};
  EXPECT_FALSE(build_decoding_table(incomplete, 4, kLengthTableBits, table));
  uint8_t overfull[4] = {1, 1, 1, 0};
  EXPECT_FALSE(build_decoding_table(overfull, 4, kLengthTableBits, table));
  uint8_t too_long[2] = {32, 1};
  EXPECT_FALSE(build_decoding_table(too_long, 2, kLengthTableBits, table));
  // Codes longer than the direct part continue in the tree.
  uint8_t deep[12] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 11};
  ASSERT_TRUE(build_decoding_table(deep, 12, kLengthTableBits, table));
  EXPECT_EQ(table[0], (0 << 5) | 1);
  EXPECT_LT(table[255], 0);  // 11111111 leads on to symbols 8..11
}

TEST(TablebaseCompress, MatchesRepeatAndStopAtTheBlockEnd) {
  CompressedHeader h;
  h.distances[0] = 1;
  h.distances[1] = 3;
  uint8_t lengths[kMainSymbols] = {};
  lengths[0x41] = 2;                               // code 00
  lengths[0x42] = 2;                               // code 01
  lengths[kLiteralCount + 7] = 2;                  // distance 1, length 8: code 10
  lengths[kLiteralCount + kLengthCodes + 16] = 2;  // distance 3, length 2^2 + x + 14: code 11
  ASSERT_TRUE(build_decoding_table(lengths, kMainSymbols, kMainTableBits, h.main_table));

  uint8_t out[40] = {};
  const uint8_t a_then_eight[] = {0b00100000};  // A, then 8 more
  ASSERT_TRUE(decode_block(h, a_then_eight, 1, out, 9));
  for (int i = 0; i < 9; ++i) EXPECT_EQ(out[i], 0x41) << i;

  // A B B, then distance 3 with length 4 + 3 + 14 = 21, cut at 12 bytes in all.
  const uint8_t cut[] = {0b00010111, 0b11000000};
  ASSERT_TRUE(decode_block(h, cut, 2, out, 12));
  EXPECT_EQ(std::string(out, out + 12), "ABBABBABBABB");
  // A match reaching before the block, and input used up.
  const uint8_t too_far[] = {0b11000000};
  EXPECT_FALSE(decode_block(h, too_far, 1, out, 5));
  EXPECT_FALSE(decode_block(h, a_then_eight, 1, out, 40));
}

}  // namespace
}  // namespace ostrim
