#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "book/book_files.h"
#include "tablebase/block_cache.h"
#include "tablebase/registry.h"
#include "tb_compress.h"

namespace ostrim {
namespace {

using namespace tablebase;
using testing::TempDirectory;

constexpr int kRow = 36;  // any row with plain byte entries
constexpr uint64_t kMegabyte = 1 << 20;

// Block b holds the byte b + 1 throughout, the last block is short.
std::string numbered_blocks(int blocks, int last_length) {
  std::string bytes;
  for (int b = 0; b < blocks; ++b) bytes.append(b + 1 == blocks ? last_length : kBlockSize, static_cast<char>(b + 1));
  return bytes;
}

struct TablebaseCache : ::testing::Test {
  TempDirectory dir;
  void SetUp() override { initialise_tablebases(""); }
  void TearDown() override {
    initialise_tablebases("");
    set_up_cache(0);
  }
  // The file as the table's only part, compressed when asked.
  void use_file(const std::string& bytes, bool packed) {
    std::string path = dir.file("t");
    if (packed) {
      std::string error;
      ASSERT_TRUE(tools::write_compressed_table(std::vector<uint8_t>(bytes.begin(), bytes.end()), path, error));
      platform::File* f = platform::open_file(path.c_str());
      auto header = std::make_unique<CompressedHeader>();
      ASSERT_EQ(read_compressed_header(f, *header), HeaderStatus::Ok);
      platform::close_file(f);
      registry[kRow].sides[0].headers[0] = std::move(header);
    } else {
      dir.write("t", bytes);
      registry[kRow].sides[0].headers[0].reset();
    }
    registry[kRow].sides[0].paths[0] = path;
  }
};

TEST_F(TablebaseCache, BlocksReadRawOrCompressed) {
  for (bool packed : {false, true}) {
    use_file(numbered_blocks(3, 1000), packed);
    set_up_cache(kMegabyte);
    EXPECT_EQ(fetch_byte(kRow, 0, 1, 0), 2) << packed;
    EXPECT_EQ(fetch_byte(kRow, 0, 1, 8191), 2) << packed;
    EXPECT_EQ(fetch_byte(kRow, 0, 2, 999), 3) << packed;
    // Past the end of the last block, and past the table.
    EXPECT_EQ(fetch_byte(kRow, 0, 2, 1000), kNoValue) << packed;
    EXPECT_EQ(fetch_byte(kRow, 0, 0, 17), 1) << packed;
    EXPECT_EQ(fetch_byte(kRow, 0, 3, 0), kNoValue) << packed;
  }
  // Bytes are signed.
  use_file(std::string(10, '\xF0'), false);
  set_up_cache(kMegabyte);
  EXPECT_EQ(fetch_byte(kRow, 0, 0, 9), -16);
}

TEST_F(TablebaseCache, TheLeastRecentBlockMakesRoom) {
  set_up_cache(kMegabyte);
  ASSERT_EQ(cache_entry_count(), 126);
  set_up_cache(kEntryFootprint - 1);
  EXPECT_EQ(cache_entry_count(), 0);
  set_up_cache(kMegabyte);

  use_file(numbered_blocks(127, kBlockSize), false);
  for (uint32_t b = 0; b < 127; ++b) ASSERT_EQ(fetch_byte(kRow, 0, b, 5), static_cast<int8_t>(b + 1));
  // The file changes under the cache: what is still cached keeps the old bytes.
  dir.write("t", std::string(127 * kBlockSize, '\x55'));
  EXPECT_EQ(fetch_byte(kRow, 0, 1, 5), 2);
  EXPECT_EQ(fetch_byte(kRow, 0, 0, 5), 0x55);   // the first block was evicted
  EXPECT_EQ(fetch_byte(kRow, 0, 1, 5), 2);      // ... and the second stayed, touched since
  EXPECT_EQ(fetch_byte(kRow, 0, 2, 5), 0x55);   // the least recent when block 0 came back
}

TEST_F(TablebaseCache, AnUnreadablePartIsNotTriedAgain) {
  for (bool packed : {false, true}) {
    use_file(numbered_blocks(4, 100), packed);
    set_up_cache(kMegabyte);
    std::filesystem::remove(dir.file("t"));
    EXPECT_EQ(fetch_byte(kRow, 0, 0, 0), kNoValue) << packed;
    EXPECT_FALSE(table_registered(kRow, 0)) << packed;
    dir.write("t", numbered_blocks(4, 100));
    EXPECT_EQ(fetch_byte(kRow, 0, 0, 0), kNoValue) << packed;
  }
  // A compressed part cut short after its header was read.
  use_file(numbered_blocks(4, 100), true);
  set_up_cache(kMegabyte);
  std::filesystem::resize_file(dir.file("t"), std::filesystem::file_size(dir.file("t")) - 1);
  EXPECT_EQ(fetch_byte(kRow, 0, 0, 0), 1);
  EXPECT_EQ(fetch_byte(kRow, 0, 3, 0), kNoValue);
  EXPECT_EQ(fetch_byte(kRow, 0, 1, 0), kNoValue);  // the whole part is off
}

}  // namespace
}  // namespace ostrim
