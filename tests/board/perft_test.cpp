#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>

#include "board/perft.h"
#include "support/board_fixture.h"

namespace ostrim {
namespace {

#ifdef OSTRIM_SANITIZE
constexpr int kSuiteDepth = 3;
constexpr int kFewestCounts = 350;  // the suite has 378 counts up to depth 3
#else
constexpr int kSuiteDepth = 4;
constexpr int kFewestCounts = 400;
#endif

// Every ;Dn count of the suite up to the depth.
TEST(Perft, StandardSuite) {
  std::ifstream in(OSTRIM_DATA_DIR "/perft/standard.epd");
  ASSERT_TRUE(in.good());
  std::string line;
  int checked = 0;
  while (std::getline(in, line)) {
    std::size_t semicolon = line.find(';');
    if (semicolon == std::string::npos) continue;
    std::string fen = line.substr(0, semicolon);
    std::istringstream entries(line.substr(semicolon));
    std::string entry;
    while (std::getline(entries, entry, ';')) {
      int depth = 0;
      unsigned long long expected = 0;
      if (std::sscanf(entry.c_str(), " D%d %llu", &depth, &expected) != 2 || depth > kSuiteDepth)
        continue;
      Position& root = testing::setup(fen.c_str());
      EXPECT_EQ(perft(root, depth), expected) << fen << " depth " << depth;
      ++checked;
    }
  }
  EXPECT_GT(checked, kFewestCounts);
}

}  // namespace
}  // namespace ostrim
