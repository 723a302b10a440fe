#include "platform/files.h"

#include <gtest/gtest.h>
#include <stdlib.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <string>
#include <vector>

namespace ostrim::platform {
namespace {

struct TempDirectory {
  std::string path;
  TempDirectory() {
    char pattern[] = "/tmp/ostrim-files-XXXXXX";
    path = mkdtemp(pattern);
  }
  ~TempDirectory() {
    std::string command = "rm -rf '" + path + "'";
    EXPECT_EQ(std::system(command.c_str()), 0);
  }
  std::string write(const std::string& name, const std::string& bytes) const {
    std::string file = path + "/" + name;
    FILE* f = std::fopen(file.c_str(), "wb");
    std::fwrite(bytes.data(), 1, bytes.size(), f);
    std::fclose(f);
    return file;
  }
};

void collect(const char* name, void* context) { static_cast<std::vector<std::string>*>(context)->push_back(name); }

TEST(Files, SeekReadAndSize) {
  TempDirectory dir;
  std::string bytes = "0123456789";
  bytes.push_back('\0');
  bytes += "\xff\r\n";
  File* f = open_file(dir.write("book.bin", bytes).c_str());
  ASSERT_NE(f, nullptr);
  EXPECT_EQ(file_size(f), static_cast<int64_t>(bytes.size()));
  char buffer[32];
  ASSERT_TRUE(seek_file(f, 8));
  ASSERT_EQ(read_file(f, buffer, 6), 6);
  EXPECT_EQ(std::string(buffer, 6), bytes.substr(8, 6)) << "bytes come through untranslated";
  EXPECT_EQ(read_file(f, buffer, sizeof buffer), 0) << "at the end";
  ASSERT_TRUE(seek_file(f, 0));
  EXPECT_EQ(read_file(f, buffer, sizeof buffer), static_cast<int64_t>(bytes.size()));
  close_file(f);
}

TEST(Files, OpeningFailsWithTheSystemError) {
  TempDirectory dir;
  errno = 0;
  EXPECT_EQ(open_file((dir.path + "/missing.bin").c_str()), nullptr);
  EXPECT_EQ(errno, ENOENT);
  EXPECT_EQ(open_file(dir.path.c_str()), nullptr) << "a directory is not a file";
}

TEST(Files, ListsEntriesButNotTheDotEntries) {
  TempDirectory dir;
  dir.write("kqk.nbw", "x");
  dir.write("kqk.nbb.emd", "y");
  std::vector<std::string> names;
  ASSERT_TRUE(list_directory(dir.path.c_str(), collect, &names));
  std::sort(names.begin(), names.end());
  EXPECT_EQ(names, (std::vector<std::string>{"kqk.nbb.emd", "kqk.nbw"}));
  EXPECT_FALSE(list_directory((dir.path + "/nowhere").c_str(), collect, &names));
}

}  // namespace
}  // namespace ostrim::platform
