#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdlib>
#include <fstream>
#include <map>
#include <random>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "board/makemove.h"
#include "book/book.h"
#include "book/book_files.h"
#include "support/board_fixture.h"

namespace ostrim {
namespace {

using testing::TempDirectory;

#ifdef OSTRIM_SANITIZE
constexpr int kOpeningGames = 3000;  // the sanitizer build is many times slower
#else
constexpr int kOpeningGames = 34700;
#endif

struct ToolRun {
  int status = -1;
  std::string out;
  std::string err;
};

ToolRun run_tool(const TempDirectory& dir, const std::string& arguments) {
  std::string command = std::string(OSTRIM_TOOL_PATH) + " " + arguments + " >" + dir.file("stdout") + " 2>" +
                        dir.file("stderr");
  int raw = std::system(command.c_str());
  ToolRun run;
  run.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
  run.out = dir.read("stdout");
  run.err = dir.read("stderr");
  return run;
}

std::string shell_quoted(const std::string& text) { return "'" + text + "'"; }

// move text -> weight, as the probe lists them.
std::map<std::string, int> probe(const TempDirectory& dir, const std::string& book, const std::string& fen) {
  ToolRun run = run_tool(dir, "book probe " + shell_quoted(book) + " " + shell_quoted(fen));
  std::map<std::string, int> moves;
  std::istringstream lines(run.out);
  std::string text;
  int weight = 0;
  while (lines >> text >> weight) moves[text] = weight;
  return moves;
}

// Plays SAN moves from a set-up text on the main board; the position reached.
Position& after(const char* fen, const std::vector<const char*>& moves) {
  testing::setup(fen);
  for (const char* text : moves) {
    Move m = find_move(root_position, text);
    EXPECT_NE(m, kNullMove) << text;
    Position child;
    construct_position(child, main_board);
    make_full_move(root_position, m, child);
    copy_position(root_position, child);
    root_position.parent = nullptr;
  }
  return root_position;
}

// move text -> weight of the book's records for the position.
std::map<std::string, int> book_moves(const std::string& book, const Position& p) {
  EXPECT_TRUE(book::open_book(book.c_str()));
  book::BookEntry entries[book::kMaxBookEntries];
  int n = book::book_entries(p.key, entries);
  book::close_book();
  std::map<std::string, int> moves;
  for (int i = 0; i < n; ++i) {
    char text[kMoveTextSize];
    move_text_in(text, p, entries[i].move);
    moves[text] = entries[i].weight;
  }
  return moves;
}

// The file's order and limits: sorted by key bytes, then weight downwards;
// at most a hundred records of a key; weights positive, summing within 16 bits.
void expect_well_formed_book(const std::string& bytes) {
  ASSERT_EQ(bytes.size() % book::kRecordSize, 0u);
  auto weight_at = [&](std::size_t at) {
    return static_cast<int16_t>(static_cast<uint8_t>(bytes[at + 10]) | static_cast<uint8_t>(bytes[at + 11]) << 8);
  };
  int run = 0;
  int sum = 0;
  for (std::size_t at = 0; at < bytes.size(); at += book::kRecordSize) {
    ASSERT_GT(weight_at(at), 0) << "record " << at / book::kRecordSize;
    // Against the previous record's key (byte order, as unsigned bytes).
    int order = at == 0 ? -1 : bytes.compare(at - book::kRecordSize, book::kKeyBytes, bytes, at, book::kKeyBytes);
    ASSERT_LE(order, 0) << "record " << at / book::kRecordSize << " is out of order";
    if (order == 0) {
      ASSERT_GE(weight_at(at - book::kRecordSize), weight_at(at));
      ++run;
      sum += weight_at(at);
    } else {
      run = 1;
      sum = weight_at(at);
    }
    ASSERT_LE(run, book::kMaxBookEntries);
    ASSERT_LE(sum, 32767);
  }
}

// The first `games` games of a PGN file.
std::string first_games(const std::string& path, int games) {
  std::ifstream in(path);
  std::string line;
  std::string out;
  int seen = 0;
  while (std::getline(in, line)) {
    if (line.rfind("[Event ", 0) == 0 && ++seen > games) break;
    out += line + "\n";
  }
  return out;
}

TEST(BookBuild, OpeningLinesRoundTrip) {
  TempDirectory dir;
  std::string pgn = dir.write("openings.pgn", first_games(std::string(OSTRIM_DATA_DIR) + "/games/openings-8moves.pgn",
                                                           kOpeningGames));
  ToolRun run = run_tool(dir, "book build " + shell_quoted(pgn) + " " + shell_quoted(dir.file("book.bin")));
  ASSERT_EQ(run.status, 0) << run.err;
  std::string games = std::to_string(kOpeningGames);
  EXPECT_NE(run.out.find(games + " games read, " + games + " used, 0 skipped"), std::string::npos) << run.out;
  expect_well_formed_book(dir.read("book.bin"));

  // Every game is drawn, so a first move's weight is its share of the games.
  std::map<std::string, int> played;
  std::ifstream in(pgn);
  std::string line;
  testing::setup(testing::kStartFen);
  while (std::getline(in, line)) {
    if (line.rfind("1. ", 0) != 0) continue;
    std::istringstream words(line.substr(3));
    std::string san;
    words >> san;
    char text[kMoveTextSize];
    move_text_in(text, root_position, find_move(root_position, san.c_str()));
    ++played[text];
  }
  std::map<std::string, int> expected;
  for (const auto& [text, count] : played) expected[text] = std::max(1, count * 1000 / kOpeningGames);
  EXPECT_EQ(probe(dir, dir.file("book.bin"), testing::kStartFen), expected);
}

TEST(BookBuild, GamesFromSetUpPositionsRoundTrip) {
  TempDirectory dir;
  std::string pgn = std::string(OSTRIM_DATA_DIR) + "/games/sample.pgn";
  ToolRun run = run_tool(dir, "book build " + shell_quoted(pgn) + " " + shell_quoted(dir.file("book.bin")));
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_NE(run.out.find("20 games read, 20 used, 0 skipped"), std::string::npos) << run.out;
  expect_well_formed_book(dir.read("book.bin"));

  // Each set-up position: the first moves its games played, and only those.
  std::ifstream in(pgn);
  std::stringstream all;
  all << in.rdbuf();
  std::string text = all.str();
  // Each game: its FEN tag, then after the blank line "N. move".
  std::map<std::string, std::set<std::string>> first_moves;
  for (std::size_t at = text.find("[FEN \""); at != std::string::npos; at = text.find("[FEN \"", at + 1)) {
    std::size_t start = at + 6;
    std::string fen = text.substr(start, text.find('"', start) - start);
    std::istringstream moves(text.substr(text.find("\n\n", start) + 2));
    std::string number, first;
    moves >> number >> first;
    Position& p = testing::setup(fen.c_str());
    char move[kMoveTextSize];
    move_text_in(move, p, find_move(p, first.c_str()));
    first_moves[fen].insert(move);
  }
  ASSERT_EQ(first_moves.size(), 10u);
  for (const auto& [fen, moves] : first_moves) {
    std::set<std::string> listed;
    for (const auto& entry : probe(dir, dir.file("book.bin"), fen)) listed.insert(entry.first);
    EXPECT_EQ(listed, moves) << fen;
  }
}

constexpr const char* kForms = R"(% an escape line
[Event "Tricky \"quoted\" event"]
[White "Alpha"]
[Black "Beta"]
[Result "1-0"]

{A comment before the moves
spanning lines} 1.e4 e5 2. Nf3!? Nc6 $1 3. Bb5 (3. Bc4 Bc5 (3... Nf6 4. Ng5) 4. c3) 3... a6; a comment (
4. Ba4 Nf6 5. 0-0 Be7 6. Re1+ b5 7. Bb3 d6 8. c3 O-O 1-0

[Event "Promotions"]
[White "Gamma"]
[Black "Delta"]
[SetUp "1"]
[FEN "4k3/8/8/3pP3/8/8/1p6/4K3 w - d6 0 30"]
[Result "*"]

30. exd6 e.p. b1=N 31. d7+ Kf7 32. d8=Q *

[Event "Broken"]
[White "Eps"]
[Black "Zeta"]
[Result "0-1"]

1. e4 e5 2. Nf9 0-1

[Event "No kings"]
[White "Eta"]
[Black "Theta"]
[FEN "8/8/8/8/8/8/8/8 w - - 0 1"]

1. e4 *

[Event "Bare destination"]
[White "Iota"]
[Black "Kappa"]
[FEN "4k3/8/8/8/8/8/5N2/4K3 w - - 0 1"]

1. e4 *

[Event "Null move"]
1. e4 -- 2. d4 *
[Event "No result"]
1. d4 d5
)";

TEST(BookBuild, ReadsThePgnFormsAndSkipsMalformedGames) {
  TempDirectory dir;
  std::string pgn = dir.write("forms.pgn", kForms);
  std::string book = dir.file("book.bin");
  ToolRun run = run_tool(dir, "book build " + shell_quoted(pgn) + " " + shell_quoted(book));
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_NE(run.out.find("7 games read, 3 used, 4 skipped"), std::string::npos) << run.out;
  const char* skipped[] = {
      R"(skipped game 3 (White "Eps", Black "Zeta", Event "Broken"))",
      R"(skipped game 4 (White "Eta", Black "Theta", Event "No kings"): bad FEN)",
      R"(skipped game 5 (White "Iota", Black "Kappa", Event "Bare destination"): illegal or unreadable move 1. e4)",
      R"(skipped game 6 (White "", Black "", Event "Null move"): illegal or unreadable move 1... --)",
  };
  for (const char* message : skipped) EXPECT_NE(run.err.find(message), std::string::npos) << run.err;

  const char* start = testing::kStartFen;
  const char* promotions = "4k3/8/8/3pP3/8/8/1p6/4K3 w - d6 0 30";
  struct Case {
    const char* fen;
    std::vector<const char*> moves;
    std::map<std::string, int> expected;
  };
  const Case cases[] = {
      // e4 won (1 + 2 half-points), d4's game has no result (counted as a draw).
      {start, {}, {{"e2e4", 600}, {"d2d4", 400}}},
      {start, {"e4", "e5", "Nf3", "Nc6"}, {{"f1b5", 1000}}},  // not the variation's Bc4
      {start, {"e4", "e5", "Nf3", "Nc6", "Bb5", "a6", "Ba4", "Nf6"}, {{"e1g1", 1000}}},
      {start, {"e4", "e5", "Nf3", "Nc6", "Bb5", "a6", "Ba4", "Nf6", "O-O", "Be7", "Re1", "b5", "Bb3", "d6", "c3"},
       {{"e8g8", 1000}}},
      {promotions, {}, {{"e5d6", 1000}}},
      {promotions, {"exd6"}, {{"b2b1n", 1000}}},
      {promotions, {"exd6", "b1N", "d7", "Kf7"}, {{"d7d8q", 1000}}},
      {start, {"e4", "e5", "Nf3", "Nc6", "Bb5", "a6", "Ba4", "Nf6", "O-O", "Be7", "Re1", "b5", "Bb3", "d6", "c3",
               "O-O"}, {}},
  };
  for (const Case& c : cases) {
    Position& p = after(c.fen, c.moves);
    EXPECT_EQ(book_moves(book, p), c.expected) << c.fen << " after " << c.moves.size() << " moves";
  }
}

TEST(BookBuild, WeightsFollowGamesAndScoresWithinTheLimits) {
  TempDirectory dir;
  std::string pgn = dir.write("games.pgn",
                              "[Result \"1-0\"]\n1. e4 e5 2. Nf3 1-0\n\n"
                              "[Result \"0-1\"]\n1. e4 c5 0-1\n\n"
                              "[Result \"1/2-1/2\"]\n1. d4 d5 1/2-1/2\n");
  const char* start = testing::kStartFen;
  struct Case {
    const char* options;
    std::vector<const char*> moves;
    std::map<std::string, int> expected;
  };
  const Case cases[] = {
      // e4: a win (3) and a loss (1); d4: a draw (2).
      {"", {}, {{"e2e4", 666}, {"d2d4", 333}}},
      // Black's replies score from Black's side: c5 won, e5 lost.
      {"", {"e4"}, {{"c7c5", 750}, {"e7e5", 250}}},
      {"", {"e4", "e5"}, {{"g1f3", 1000}}},
      {"--max-ply 1", {}, {{"e2e4", 666}, {"d2d4", 333}}},
      {"--max-ply 1", {"e4"}, {}},
      {"--min-games 2", {}, {{"e2e4", 1000}}},
      {"--min-games 2", {"e4"}, {}},
  };
  for (const Case& c : cases) {
    ToolRun run = run_tool(dir, "book build " + shell_quoted(pgn) + " " + shell_quoted(dir.file("book.bin")) + " " + c.options);
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(book_moves(dir.file("book.bin"), after(start, c.moves)), c.expected) << c.options;
  }

  // A position with 218 moves, each played once: the hundred kept share the weight.
  const char* crowded = "R6R/3Q4/1Q4Q1/4Q3/2Q4Q/Q4Q2/pp1Q4/kBNN1KB1 w - - 0 1";
  std::vector<std::string> moves = testing::generated_moves(testing::setup(crowded));
  std::string games;
  for (const std::string& m : moves)
    games += "[FEN \"" + std::string(crowded) + "\"]\n1. " + m + " *\n\n";
  ASSERT_GT(moves.size(), 150u);
  ToolRun run = run_tool(dir, "book build " + shell_quoted(dir.write("crowded.pgn", games)) + " " + shell_quoted(dir.file("crowded.bin")));
  ASSERT_EQ(run.status, 0) << run.err;
  std::map<std::string, int> kept = probe(dir, dir.file("crowded.bin"), crowded);
  EXPECT_EQ(kept.size(), 100u);
  for (const auto& [text, weight] : kept) EXPECT_EQ(weight, 10) << text;
  expect_well_formed_book(dir.read("crowded.bin"));
}

TEST(BookBuild, BadInputEndsInAMessageNeverACrash) {
  TempDirectory dir;
  std::string sample = testing::read_whole_file(std::string(OSTRIM_DATA_DIR) + "/games/sample.pgn");
  std::mt19937 random(7);
  for (int round = 0; round < 12; ++round) {
    std::string bytes;
    if (round % 2 == 0) {
      bytes = sample.substr(0, random() % sample.size());  // cut anywhere
    } else {
      bytes.resize(random() % 3000);
      for (char& b : bytes) b = static_cast<char>(random());
    }
    ToolRun run = run_tool(dir, "book build " + shell_quoted(dir.write("bad.pgn", bytes)) + " " + shell_quoted(dir.file("bad.bin")));
    EXPECT_EQ(run.status, 0) << "round " << round << ": " << run.err;
    EXPECT_NE(run.out.find("games read"), std::string::npos);
    expect_well_formed_book(dir.read("bad.bin"));
  }
  struct Case {
    std::string arguments;
    const char* message;
  };
  const Case cases[] = {
      {"book build " + shell_quoted(dir.file("missing.pgn")) + " " + shell_quoted(dir.file("x.bin")), "cannot read"},
      {"book build only-one-file.pgn", "usage"},
      {"book build a.pgn b.bin --max-ply 0", "usage"},
      {"book build a.pgn b.bin --min-games x", "usage"},
      {"book probe " + shell_quoted(dir.file("missing.bin")), "No such file or directory"},
      {"book probe " + shell_quoted(dir.file("bad.bin")) + " 'not a position'", "illegal position"},
      {"book", "usage"},
  };
  for (const Case& c : cases) {
    ToolRun run = run_tool(dir, c.arguments);
    EXPECT_EQ(run.status, 2) << c.arguments;
    EXPECT_NE(run.err.find(c.message), std::string::npos) << c.arguments << ": " << run.err;
  }
}

TEST(BookProbe, ListsEveryRecordAndMarksMovesThePositionLacks) {
  TempDirectory dir;
  Position& p = testing::setup(testing::kStartFen);
  testing::KeyBytes key = testing::bytes_of(p.key);
  std::string book = dir.write_book("book.bin", {{key, testing::generated_move(p, "d2d4"), 20},
                                                 {key, make_move(kE1, kE8), 30},
                                                 {key, testing::generated_move(p, "e2e4"), 50}});
  ToolRun run = run_tool(dir, "book probe " + shell_quoted(book));
  EXPECT_EQ(run.status, 0);
  EXPECT_EQ(run.out, "e2e4 50\n0x7404 30 not a legal move here\nd2d4 20\n");
  run = run_tool(dir, "book probe " + shell_quoted(book) + " '8/8/8/8/8/8/8/K6k w - - 0 1'");
  EXPECT_EQ(run.status, 1);
  EXPECT_EQ(run.out, "");
  EXPECT_NE(run.err.find("not in the book"), std::string::npos);
}

}  // namespace
}  // namespace ostrim
