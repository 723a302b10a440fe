// Tablebases through the protocol, with small tables generated for the test.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <sstream>
#include <string>
#include <vector>

#include "book/book_files.h"
#include "support/engine_process.h"
#include "tb_compress.h"

namespace ostrim {
namespace {

using Lines = std::vector<std::string>;
using testing::TempDirectory;

constexpr int kSearchMs = 60000;
constexpr int kDepth = 12;  // half plies: the root's children are probed from depth 9
// Quick to search with or without tables.
constexpr const char* kMateInOne = "k7/7Q/1K6/8/8/8/8/8 w - - 0 1";

TempDirectory* tables = nullptr;

// The value after the word in an info line, -1 without it.
long long field(const std::string& line, const std::string& word) {
  std::istringstream in(line);
  std::string w;
  while (in >> w)
    if (w == word && in >> w) return std::atoll(w.c_str());
  return -1;
}

struct TablebaseProtocol : ::testing::Test {
  static void SetUpTestSuite() {
    tables = new TempDirectory;
    std::string command = std::string(OSTRIM_TOOL_PATH) + " tb generate kqk krk --dir " + tables->path + " >/dev/null 2>&1";
    if (std::system(command.c_str()) != 0) {
      delete tables;
      tables = nullptr;
    }
  }
  static void TearDownTestSuite() {
    delete tables;
    tables = nullptr;
  }

  test::EngineProcess engine;

  void SetUp() override {
    if (tables == nullptr) GTEST_SKIP() << "ostrim-tool tb generate made no tables";
    ASSERT_TRUE(test::start_quiet_engine(engine));
    send("setoption name Threads value 1");  // searches compared move for move
    send("setoption name Tablebases_path value " + tables->path);
    bool ready = false;
    Lines said = test::lines_before_ready(engine, ready);
    ASSERT_TRUE(ready);
    EXPECT_TRUE(said.empty()) << said[0];
  }

  void send(const std::string& line) { ASSERT_TRUE(test::send_line(engine, line)); }

  // The lines up to and including "bestmove".
  Lines search(const std::string& fen, int depth) {
    send("position fen " + fen);
    send("go depth " + std::to_string(depth));
    Lines lines;
    std::string line;
    while (test::read_line(engine, line, kSearchMs)) {
      lines.push_back(line);
      if (line.rfind("bestmove", 0) == 0) return lines;
    }
    ADD_FAILURE() << "no bestmove for " << fen;
    return lines;
  }

  // The last principal variation line before bestmove.
  static std::string last_report(const Lines& lines) {
    for (auto it = lines.rbegin(); it != lines.rend(); ++it)
      if (it->find(" pv ") != std::string::npos) return *it;
    return "";
  }
};

TEST_F(TablebaseProtocol, ATablebasePositionIsPlayedFromTheTables) {
  struct Case {
    const char* fen;
    std::vector<std::string> moves;  // the acceptable best moves; none: any
  };
  const Case cases[] = {
      {"8/8/8/3k4/8/8/8/KQ6 w - - 0 1", {}},
      {"8/8/8/4k3/8/8/1K6/7r b - - 0 1", {}},  // Black's rook: the exchanged table
      {kMateInOne, {"h7a7", "h7b7", "h7g8", "h7h8"}},  // mate at once beats mates later
  };
  for (const Case& c : cases) {
    Lines lines = search(c.fen, kDepth);
    std::string report = last_report(lines);
    EXPECT_GT(field(report, "tbhits"), 0) << c.fen << ": " << report;
    EXPECT_NE(report.find(" score mate "), std::string::npos) << c.fen << ": " << report;
    if (!c.moves.empty()) {
      std::string best = lines.back().substr(9, 4);
      EXPECT_NE(std::find(c.moves.begin(), c.moves.end(), best), c.moves.end()) << lines.back();
      EXPECT_EQ(field(report, "mate"), 1) << report;
    }
  }
  // Off: the search never probes.
  send("setoption name Use_tablebases value false");
  Lines lines = search(kMateInOne, kDepth);
  EXPECT_EQ(field(last_report(lines), "tbhits"), 0) << last_report(lines);
}

TEST_F(TablebaseProtocol, BrokenTablesAreReportedAndTheGameGoesOn) {
  TempDirectory dir;
  dir.write("kqk.nbw", "too short");
  send("setoption name Tablebases_path value " + dir.path + ";" + tables->path);
  bool ready = false;
  Lines said = test::lines_before_ready(engine, ready);
  ASSERT_TRUE(ready);
  ASSERT_EQ(said.size(), 1u);
  EXPECT_EQ(said[0], "info string *** " + dir.file("kqk.nbw") + " corrupted 25629 25629 9");
  // KQK is left out, KRK still probed.
  Lines lines = search(kMateInOne, kDepth);
  EXPECT_EQ(field(last_report(lines), "tbhits"), 0) << last_report(lines);
  lines = search("8/8/8/3k4/8/8/8/KR6 w - - 0 1", kDepth);
  EXPECT_GT(field(last_report(lines), "tbhits"), 0) << last_report(lines);
}

TEST_F(TablebaseProtocol, CompressedTablesAnswerAsTheRawOnes) {
  TempDirectory packed;
  for (const char* name : {"kqk.nbw", "kqk.nbb"}) {
    std::string raw = tables->read(name);
    std::string error;
    ASSERT_TRUE(tools::write_compressed_table(std::vector<uint8_t>(raw.begin(), raw.end()),
                                              packed.file(std::string(name) + ".emd"), error))
        << error;
  }
  const char* fen = "8/8/8/3k4/8/8/8/KQ6 w - - 0 1";
  std::string from_raw = last_report(search(fen, kDepth));
  send("setoption name Tablebases_path value " + packed.path);
  std::string from_packed = last_report(search(fen, kDepth));
  EXPECT_GT(field(from_packed, "tbhits"), 0) << from_packed;
  // The same mate and move (the second search has the first one's hash table).
  EXPECT_EQ(field(from_packed, "mate"), field(from_raw, "mate")) << from_packed;
  EXPECT_EQ(from_packed.substr(from_packed.find(" pv ")), from_raw.substr(from_raw.find(" pv "))) << from_packed;
}

}  // namespace
}  // namespace ostrim
