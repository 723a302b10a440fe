#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "book/book_files.h"
#include "support/output_capture.h"
#include "tablebase/block_cache.h"
#include "tablebase/registry.h"
#include "tb_compress.h"

namespace ostrim {
namespace {

using namespace tablebase;
using testing::TempDirectory;

constexpr int kKrk = 4;
constexpr int kKqk = 5;
constexpr uint64_t kKqkWhite = 25629;
constexpr uint64_t kKrkWhite = 27030;

std::string raw(uint64_t entries) { return std::string(entries, '\0'); }

std::string compressed(uint64_t entries) {
  std::vector<uint8_t> file;
  std::string error;
  EXPECT_TRUE(tools::compress_table(std::vector<uint8_t>(entries, 3), file, error)) << error;
  return std::string(file.begin(), file.end());
}

struct TablebaseRegistry : ::testing::Test {
  test::OutputCapture output;
  void TearDown() override { initialise_tablebases(""); }
  std::string path_of(int row, int side, int part = 0) { return registry[row].sides[side].paths[part]; }
};

TEST_F(TablebaseRegistry, TheFirstDirectoryOfTheListWins) {
  TempDirectory first, second, third;
  first.write("kqk.nbw", raw(kKqkWhite));
  second.write("kqk.nbw", raw(kKqkWhite));
  second.write("kqk.nbb", raw(28644));
  third.write("krk.nbw", raw(kKrkWhite));
  EXPECT_EQ(initialise_tablebases((first.path + ";" + second.path + "," + third.path + ";").c_str()), 3);
  EXPECT_EQ(path_of(kKqk, 0), first.file("kqk.nbw"));
  EXPECT_EQ(path_of(kKqk, 1), second.file("kqk.nbb"));
  EXPECT_EQ(path_of(kKrk, 0), third.file("krk.nbw"));
  EXPECT_TRUE(table_registered(kKrk, 0));
  EXPECT_FALSE(table_registered(kKrk, 1));
  EXPECT_TRUE(output.take().empty());

  // No drive letters here: such a directory holds nothing.
  EXPECT_EQ(initialise_tablebases("C:\\TBs"), 0);
  EXPECT_EQ(initialise_tablebases(""), 0);
  EXPECT_FALSE(table_registered(kKqk, 0));
}

TEST_F(TablebaseRegistry, EveryCandidateNameIsFound) {
  const char* names[] = {"kqk.nbw", "kqk.nbw.emd", "kqk_nbw.emd", "kqk_nbw_emd", "kqknbw.emd"};
  for (const char* name : names) {
    TempDirectory dir;
    bool packed = std::string(name) != "kqk.nbw";
    dir.write(name, packed ? compressed(kKqkWhite) : raw(kKqkWhite));
    EXPECT_EQ(initialise_tablebases(dir.path.c_str()), 3) << name;
    EXPECT_EQ(path_of(kKqk, 0), dir.file(name));
    EXPECT_EQ(registry[kKqk].sides[0].headers[0] != nullptr, packed) << name;
    EXPECT_EQ(registry_counters.compressed_opened, packed ? 1 : 0) << name;
  }
  // The name without '_' only up to the five-man classes.
  TempDirectory dir;
  dir.write("krbkbnnbw.emd", compressed(1));
  EXPECT_EQ(initialise_tablebases(dir.path.c_str()), 0);
}

TEST_F(TablebaseRegistry, BrokenFilesLeaveTheirClassOut) {
  struct Case {
    const char* name;
    std::string bytes;
    std::string message;  // after the path
  };
  std::string cut_blocks = compressed(3 * 8192 + 5);
  cut_blocks.resize(cut_blocks.size() - 1);
  std::string bad_sum = compressed(kKqkWhite);
  bad_sum[100] ^= 1;
  std::string wrong_length = compressed(kKqkWhite - 1);
  const Case cases[] = {
      {"kqk.nbw", raw(kKqkWhite + 1), " corrupted 25629 25629 25630"},
      {"kqk.nbw", "", " corrupted 25629 25629 0"},
      {"kqk.nbw.emd", wrong_length, " corrupted 25629 25629 25628"},
      {"kqk.nbw.emd", bad_sum, " - file broken"},
      {"kqk.nbw.emd", cut_blocks, " - file broken"},
      {"kqk.nbw.emd", "not a table", " - read error"},
  };
  for (const Case& c : cases) {
    TempDirectory dir, spare;
    dir.write(c.name, c.bytes);
    dir.write("kqk.nbb", raw(28644));
    dir.write("krk.nbw", raw(kKrkWhite));
    spare.write("kqk.nbw", raw(kKqkWhite));
    output.take();
    EXPECT_EQ(initialise_tablebases((dir.path + ";" + spare.path).c_str()), 3) << c.name;
    std::vector<std::string> lines = output.take();
    ASSERT_EQ(lines.size(), 1u) << c.message;
    if (c.message[1] == '-')
      EXPECT_EQ(lines[0], "info string *** Unable to read " + dir.file(c.name) + c.message);
    else
      EXPECT_EQ(lines[0], "info string *** " + dir.file(c.name) + c.message);
    EXPECT_FALSE(table_registered(kKqk, 0)) << c.message;
    EXPECT_FALSE(table_registered(kKqk, 1)) << c.message;
    EXPECT_TRUE(table_registered(kKrk, 0)) << c.message;
  }
}

TEST_F(TablebaseRegistry, ASplitTableRegistersWithAPartMissing) {
  const int row = find_class("krbkbn");
  ASSERT_EQ(class_flags(row), kSplitTable);
  TempDirectory dir;
  // A sparse file: the full first part of 2^31 entries.
  std::string part = dir.write("krbkbn.0.nbw", "");
  std::error_code error;
  std::filesystem::resize_file(part, uint64_t{1} << 31, error);
  if (error) GTEST_SKIP() << "no room for a sparse file: " << error.message();
  EXPECT_EQ(initialise_tablebases(dir.path.c_str()), 6);
  EXPECT_EQ(part_count(row, 0), 3);
  EXPECT_EQ(path_of(row, 0, 0), part);
  EXPECT_TRUE(path_of(row, 0, 1).empty());
  EXPECT_TRUE(table_registered(row, 0));
  EXPECT_TRUE(output.take().empty());
  // Its last part must hold what is left, not a full part.
  std::filesystem::resize_file(dir.write("krbkbn.1.nbw", ""), uint64_t{1} << 31);
  std::string last = dir.write("krbkbn.2.nbw", "");
  std::filesystem::resize_file(last, uint64_t{1} << 31);
  EXPECT_EQ(initialise_tablebases(dir.path.c_str()), 0);
  std::vector<std::string> lines = output.take();
  ASSERT_EQ(lines.size(), 1u);
  EXPECT_EQ(lines[0], "info string *** " + last + " corrupted 2147483648 1349775104 2147483648");
  std::filesystem::resize_file(last, 1349775104);
  EXPECT_EQ(initialise_tablebases(dir.path.c_str()), 6);
  EXPECT_EQ(path_of(row, 0, 2), last);
}

}  // namespace
}  // namespace ostrim
