// The book through the protocol: what a GUI sees when the engine has a book.
#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <random>
#include <sstream>
#include <set>
#include <string>
#include <vector>

#include "book/book.h"
#include "book/book_files.h"
#include "support/board_fixture.h"
#include "support/engine_process.h"

namespace ostrim {
namespace {

using Lines = std::vector<std::string>;
using testing::TempDirectory;

constexpr int kBookGames = 2000;
constexpr int kAtOnceMs = 3000;  // a book answer needs no search; generous for slow builds

// The move of a "bestmove" line without a ponder part; "" otherwise.
std::string bestmove_alone(const std::string& line) {
  std::istringstream in(line);
  std::string word, move, extra;
  if (!(in >> word >> move) || word != "bestmove" || (in >> extra)) return "";
  return move;
}

// The move of a book report: depth 0, score 0, time 0, one move; "" otherwise.
std::string book_report_move(const std::string& line) {
  std::istringstream in(line);
  std::string w[15], move, extra;
  for (std::string& x : w)
    if (!(in >> x)) return "";
  if (!(in >> move) || (in >> extra)) return "";
  bool shape = w[0] == "info" && w[1] == "depth" && w[2] == "0" && w[3] == "score" && w[4] == "cp" &&
               w[5] == "0" && w[6] == "nodes" && w[8] == "tbhits" && w[10] == "time" && w[11] == "0" &&
               w[12] == "multipv" && w[13] == "1" && w[14] == "pv";
  bool two_spaces = line.find(" pv  " + move) != std::string::npos;
  return shape && two_spaces ? move : "";
}

// The lines up to and including the first "bestmove"; empty on time-out.
Lines until_bestmove(test::EngineProcess& engine, int timeout_ms) {
  Lines lines;
  std::string line;
  while (test::read_line(engine, line, timeout_ms)) {
    lines.push_back(line);
    if (line.rfind("bestmove", 0) == 0) return lines;
  }
  ADD_FAILURE() << "no bestmove within " << timeout_ms << " ms";
  return {};
}

// Sends the lines and what the engine printed before readyok.
Lines answer(test::EngineProcess& engine, const Lines& input) {
  for (const std::string& line : input) EXPECT_TRUE(test::send_line(engine, line));
  bool ready = false;
  Lines out = test::lines_before_ready(engine, ready);
  EXPECT_TRUE(ready);
  return out;
}

// The move a book answer played: one depth-0 report and a bestmove without
// ponder, naming the same move; "" when the answer was not a book answer.
std::string book_answer(const Lines& lines) {
  std::string reported = lines.size() == 2 ? book_report_move(lines[0]) : "";
  std::string best = lines.size() == 2 ? bestmove_alone(lines[1]) : "";
  if (reported.empty() || reported != best) {
    std::string all;
    for (const std::string& l : lines) all += l + " | ";
    ADD_FAILURE() << "not a book answer: " << all;
    return "";
  }
  return best;
}

bool is_search_answer(const Lines& lines) {
  for (const std::string& l : lines)
    if (l.rfind("info depth 0 ", 0) == 0) return false;
  return !lines.empty() && lines.back().rfind("bestmove ", 0) == 0;
}

std::string first_games(const std::string& path, int games) {
  std::string all = testing::read_whole_file(path);
  std::size_t at = 0;
  for (int i = 0; i <= games && at != std::string::npos; ++i) at = all.find("[Event ", at + 1);
  return at == std::string::npos ? all : all.substr(0, at);
}

std::string build_book(const TempDirectory& dir, const std::string& pgn, const std::string& name) {
  std::string command = std::string(OSTRIM_TOOL_PATH) + " book build '" + pgn + "' '" + dir.file(name) + "' >/dev/null";
  EXPECT_EQ(std::system(command.c_str()), 0);
  return dir.file(name);
}

// The moves a book holds for the position.
std::set<std::string> held_moves(const std::string& book, const char* fen) {
  Position& p = testing::setup(fen);
  EXPECT_TRUE(book::open_book(book.c_str()));
  book::BookEntry entries[book::kMaxBookEntries];
  int n = book::book_entries(p.key, entries);
  book::close_book();
  std::set<std::string> texts;
  for (int i = 0; i < n; ++i) {
    char text[kMoveTextSize];
    move_text_in(text, p, entries[i].move);
    texts.insert(text);
  }
  return texts;
}

std::set<std::string> legal_moves(const char* fen) {
  Position& p = testing::setup(fen);
  std::set<std::string> legal;
  for (const std::string& m : testing::generated_moves(p))
    if (is_legal_move(p, testing::generated_move(p, m.c_str()))) legal.insert(m);
  return legal;
}

struct BookProtocol : ::testing::Test {
  TempDirectory dir;
  test::EngineProcess engine;

  void start_with_book(const std::string& book) {
    ASSERT_TRUE(test::start_engine(engine));
    EXPECT_EQ(answer(engine, {"setoption name Book_file value " + book}), Lines{}) << "opens without a word";
  }
};

TEST_F(BookProtocol, TimedGoAnswersAtOnceWithAMoveTheGamesPlayed) {
  std::string pgn = dir.write("openings.pgn", first_games(std::string(OSTRIM_DATA_DIR) + "/games/openings-8moves.pgn",
                                                           kBookGames));
  std::string book = build_book(dir, pgn, "openings.bin");
  std::set<std::string> start_moves = held_moves(book, testing::kStartFen);
  std::set<std::string> after_d4 = held_moves(book, "rnbqkbnr/pppppppp/8/8/3P4/8/PPP1PPPP/RNBQKBNR b KQkq - 0 1");
  ASSERT_GE(start_moves.size(), 3u);
  start_with_book(book);
  struct Case {
    const char* position;
    const char* go;
    const std::set<std::string>* expected;
  };
  const Case cases[] = {
      {"position startpos", "go wtime 60000 btime 60000", &start_moves},
      {"position startpos moves d2d4", "go wtime 1000 btime 1000 winc 10 binc 10", &after_d4},
      {"position startpos", "go depth 40", &start_moves},
      {"position startpos", "go ponder wtime 60000 btime 60000", &start_moves},  // a ponder request too
      {"position startpos", "go movetime 60000", &start_moves},
  };
  for (const Case& c : cases) {
    ASSERT_TRUE(test::send_line(engine, c.position));
    ASSERT_TRUE(test::send_line(engine, c.go));
    std::string move = book_answer(until_bestmove(engine, kAtOnceMs));
    EXPECT_EQ(c.expected->count(move), 1u) << c.go << " played " << move;
  }

  // Selectivity 0 lets every held move through: over many answers more than one comes.
  answer(engine, {"setoption name Book_selectivity value 0"});
  std::set<std::string> seen;
  for (int i = 0; i < 40; ++i) {
    ASSERT_TRUE(test::send_line(engine, "position startpos"));
    ASSERT_TRUE(test::send_line(engine, "go wtime 60000 btime 60000"));
    seen.insert(book_answer(until_bestmove(engine, kAtOnceMs)));
  }
  EXPECT_GT(seen.size(), 1u);
  for (const std::string& m : seen) EXPECT_EQ(start_moves.count(m), 1u) << m;
}

TEST_F(BookProtocol, GamesFromSetUpPositionsAnswerFromTheirBook) {
  std::string book = build_book(dir, std::string(OSTRIM_DATA_DIR) + "/games/sample.pgn", "sample.bin");
  const char* fen = "rnb1kb1r/ppqppppp/2p2n2/8/8/PP3N2/2PPPPPP/RNBQKB1R w KQkq - 0 4";
  std::set<std::string> held = held_moves(book, fen);
  ASSERT_FALSE(held.empty());
  start_with_book(book);
  ASSERT_TRUE(test::send_line(engine, std::string("position fen ") + fen));
  ASSERT_TRUE(test::send_line(engine, "go wtime 60000 btime 60000"));
  EXPECT_EQ(held.count(book_answer(until_bestmove(engine, kAtOnceMs))), 1u);
}

TEST_F(BookProtocol, InfiniteAnalysisAndOwnBookOffSearchInstead) {
  testing::setup(testing::kStartFen);
  Move e4 = testing::generated_move(root_position, "e2e4");
  std::string book = dir.write_book("book.bin", {{testing::bytes_of(root_position.key), e4, 100}});
  start_with_book(book);
  ASSERT_TRUE(test::send_line(engine, "position startpos"));
  ASSERT_TRUE(test::send_line(engine, "go infinite"));
  std::string line;
  ASSERT_TRUE(test::read_line(engine, line));
  EXPECT_EQ(line.rfind("info depth 0 ", 0), std::string::npos) << line;
  ASSERT_TRUE(test::send_line(engine, "stop"));
  EXPECT_TRUE(is_search_answer(until_bestmove(engine, 10000)));

  answer(engine, {"setoption name OwnBook value false"});
  ASSERT_TRUE(test::send_line(engine, "position startpos"));
  ASSERT_TRUE(test::send_line(engine, "go depth 4"));
  EXPECT_TRUE(is_search_answer(until_bestmove(engine, 30000)));
}

TEST_F(BookProtocol, BrokenOrMissingBooksNeverYieldAnIllegalMove) {
  Position& start = testing::setup(testing::kStartFen);
  testing::KeyBytes key = testing::bytes_of(start.key);
  std::mt19937 random(99);
  std::vector<testing::TestRecord> garbage;
  for (int i = 0; i < 30; ++i)
    garbage.push_back({key, static_cast<Move>(random()), static_cast<int16_t>(random() % 200)});
  std::string random_bytes(6000, '\0');
  for (char& b : random_bytes) b = static_cast<char>(random());
  Position& castling = testing::setup("r3k2r/8/8/8/8/8/8/R3K2R w KQkq - 0 1");
  testing::KeyBytes castling_key = testing::bytes_of(castling.key);
  Move castle = find_move(castling, "O-O");
  std::string castle_book = dir.write_book("castle.bin", {{castling_key, castle, 100}});
  struct Case {
    std::string book;
    const char* fen;
  };
  const Case cases[] = {
      {dir.write_book("garbage.bin", garbage), testing::kStartFen},
      {dir.write("random.bin", random_bytes), testing::kStartFen},
      {castle_book, "r3k2r/8/8/8/8/8/8/R3K2R w - - 0 1"},  // the key leaves out castling rights
  };
  for (const Case& c : cases) {
    std::set<std::string> legal = legal_moves(c.fen);
    test::EngineProcess e;
    ASSERT_TRUE(test::start_engine(e));
    answer(e, {"setoption name Book_file value " + c.book});
    for (int i = 0; i < 5; ++i) {
      ASSERT_TRUE(test::send_line(e, std::string("position fen ") + c.fen));
      ASSERT_TRUE(test::send_line(e, "go depth 3"));
      Lines lines = until_bestmove(e, 30000);
      ASSERT_FALSE(lines.empty());
      std::istringstream last(lines.back());
      std::string word, best;
      ASSERT_TRUE(last >> word >> best);
      ASSERT_EQ(word, "bestmove");
      EXPECT_EQ(legal.count(best), 1u) << c.book << ": " << lines.back();
    }
  }

  // A good book replaced by a missing one: the error text, OwnBook off, a search.
  test::EngineProcess e;
  ASSERT_TRUE(test::start_engine(e));
  answer(e, {"setoption name Book_file value " + castle_book});
  EXPECT_EQ(answer(e, {"setoption name Book_file value " + dir.file("missing.bin")}), (Lines{std::strerror(ENOENT), ""}));
  ASSERT_TRUE(test::send_line(e, "uci"));
  bool found = false;
  Lines listing = test::read_until(e, "uciok", found);
  EXPECT_NE(std::find(listing.begin(), listing.end(), "option name OwnBook type check default false"), listing.end());
  ASSERT_TRUE(test::send_line(e, "position fen r3k2r/8/8/8/8/8/8/R3K2R w KQkq - 0 1"));
  ASSERT_TRUE(test::send_line(e, "go depth 3"));
  EXPECT_TRUE(is_search_answer(until_bestmove(e, 30000)));
}

}  // namespace
}  // namespace ostrim
