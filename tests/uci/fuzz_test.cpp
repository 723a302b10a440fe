// Random and malformed input: the engine must go on answering isready and
// never crash (the suite also runs under the sanitizers). OSTRIM_FUZZ_LINES
// sets a longer run (`make fuzz`).
#include <gtest/gtest.h>

#include <cstdlib>
#include <random>
#include <string>
#include <vector>

#include "support/engine_process.h"

namespace ostrim::test {
namespace {

constexpr int kDefaultLines = 3000;
constexpr int kLinesPerReadyCheck = 40;
constexpr int kReadyTimeoutMs = 30000;

// Words the engine knows, and some it does not. "quit" comes only with
// more tokens, so no line ends the run early.
const std::vector<std::string> kWords = {
    "uci", "debug", "isready", "setoption", "position", "go", "stop", "ponderhit", "quit now",
    "name", "value", "fen", "startpos", "moves", "wtime", "btime", "winc", "binc", "movestogo",
    "depth", "movetime", "infinite", "ponder", "mate", "nodes", "searchmoves", "Hash", "OwnBook",
    "Book_file", "Contempt", "MultiPV", "Ponder", "Use_tablebases", "Threads", "true", "false",
    "e2e4", "e7e5", "e7e8q", "e7e8Q", "a1a1", "z9z9", "0000", "O-O", "Nf3", "-", "KQkq", "w", "b",
    "8/8/8/8/8/8/8/K6k", "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR", "0", "1", "-1", "3",
    "2147483648", "-99999999999", "abc", "\t", "\r", "%s%n%d", "\xff\xfe"};

// Options that take random values harmlessly (a random Hash could ask for
// gigabytes; Threads and Depth_limit shape how long searches run).
const std::vector<std::string> kOptionNames = {
    "Ponder", "OwnBook", "Book_file", "Book_selectivity", "Contempt", "Use_tablebases",
    "Tablebases_path", "Null_move_reduction_(depth)", "Use_half_ply_heuristic", "Pawn_value_(pct)",
    "Space_value_(pct)", "Foo", "hash_", "MultiPV", "Bad_move_threshold_(pct)",
    "Minimum_threat_value_(pct)", "Score_drop_threshold_(pct)"};

const std::vector<std::string> kWrongCounts = {
    "uci x", "isready a b", "setoption", "setoption a", "setoption name Hash value 8 extra",
    "setoption name Hash value", "setoption name Clear Hash", "setoption x y z w", "position",
    "stop 1", "ponderhit 2", "quit now", "debug a b c", "go depth", "go wtime", "go mate",
    "go nodes", "position fen", "position fen a b", "position fen a b c moves e2e4",
    "position startpos moves"};

struct LineMaker {
  std::mt19937 random{20100101};

  int below(int n) { return static_cast<int>(random() % static_cast<unsigned>(n)); }
  const std::string& pick(const std::vector<std::string>& v) { return v[static_cast<std::size_t>(below(static_cast<int>(v.size())))]; }

  std::string number() {
    switch (below(4)) {
      case 0: return std::to_string(below(100));
      case 1: return std::to_string(below(200000) - 100000);
      case 2: return std::to_string(random());
      default: return pick(kWords);
    }
  }

  // Characters other than 'q' and the line feed, so that no piece of a
  // line can read "quit".
  char byte() {
    for (;;) {
      char c = static_cast<char>(below(256));
      if (c != 'q' && c != '\n') return c;
    }
  }

  std::string tokens(int count) {
    std::string line;
    for (int i = 0; i < count; ++i) {
      if (i > 0) line += ' ';
      line += below(3) ? pick(kWords) : number();
    }
    return line;
  }

  std::string go_line() {
    static const std::vector<std::string> keys = {"wtime", "btime", "winc", "binc", "movestogo",
                                                   "depth", "movetime", "mate", "nodes"};
    std::string line = "go";
    for (int i = below(6); i > 0; --i) {
      line += ' ';
      line += pick(keys);
      if (below(8)) {
        line += ' ';
        line += number();
      }
    }
    if (below(6) == 0) line += " infinite";
    if (below(6) == 0) line += " ponder";
    return line;
  }

  std::string next() {
    switch (below(12)) {
      case 0: return tokens(1 + below(12));
      case 1: {
        std::string line;
        for (int n = 1 + below(200); n > 0; --n) line += byte();
        return line;
      }
      case 2: {
        std::string line;
        for (int n = 5000; n > 0; --n) line += below(6) ? static_cast<char>('a' + below(16)) : ' ';
        return line;
      }
      case 3: {
        std::string line = pick({"position startpos moves", "go", "setoption name", "uci", "debug", "stop"});
        for (int n = 600; n > 0; --n) {
          line += ' ';
          line += pick({"e2e4", "e7e5", "x", "depth", "1"});
        }
        return line;
      }
      case 4: return pick(kWrongCounts);
      case 5: return "setoption name " + pick(kOptionNames) + " value " + (below(2) ? number() : pick(kWords));
      case 6: return go_line();
      case 7: return "position startpos moves " + tokens(below(8));
      case 8: return "position fen " + tokens(below(9));
      case 9: return std::string(below(5), ' ') + pick({"stop", "ponderhit", "isready", "uci"}) + std::string(below(5), ' ');
      // Moves after a draw by repetition, and a refused move in a game.
      case 10: return "position startpos moves g1f3 g8f6 f3g1 f6g8 g1f3 g8f6 f3g1 f6g8" +
                      std::string(below(2) ? " e2e4" : " e2e4 e2e4 e7e5");
      default: return "position startpos" + std::string(below(2) ? " moves e2e4 e7e5" : "");
    }
  }
};

int fuzz_lines() {
  const char* text = std::getenv("OSTRIM_FUZZ_LINES");
  int lines = text != nullptr ? std::atoi(text) : 0;
  return lines > 0 ? lines : kDefaultLines;
}

TEST(Fuzz, MalformedInputNeverStopsTheEngine) {
  const int lines = fuzz_lines();
  EngineProcess engine;
  ASSERT_TRUE(start_engine(engine));
  LineMaker maker;
  int error_lines = 0;
  for (int i = 1; i <= lines; ++i) {
    std::string line = maker.next();
    ASSERT_TRUE(send_bytes(engine, line + (maker.below(4) ? "\n" : "\r\n"))) << "engine gone after: " << line;
    if (i % kLinesPerReadyCheck != 0) continue;
    bool ready = false;
    std::vector<std::string> out = lines_before_ready(engine, ready, kReadyTimeoutMs);
    ASSERT_TRUE(ready) << "no readyok after line " << i << ": " << line;
    for (const std::string& o : out) {
      ASSERT_LE(o.size(), 2047u) << o.substr(0, 80);
      if (o.rfind("info string Error (", 0) == 0) ++error_lines;
    }
  }
  EXPECT_GT(error_lines, lines / 4) << "the malformed lines did not reach the read loop";
  ASSERT_TRUE(send_line(engine, "quit"));
  EXPECT_EQ(wait_exit(engine, kReadyTimeoutMs), 1);
}

}  // namespace
}  // namespace ostrim::test
