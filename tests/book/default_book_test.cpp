// The default book as a new user meets it: the engine started in its own
// folder, as GUIs start it, opens the book that the build placed there.
#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "book/book.h"
#include "support/board_fixture.h"
#include "support/engine_process.h"

namespace ostrim {
namespace {

using Lines = std::vector<std::string>;

std::string folder_of(const std::string& path) { return path.substr(0, path.rfind('/')); }

// What the default book holds for the position, as protocol text.
std::set<std::string> default_book_moves(const char* fen) {
  Position& p = testing::setup(fen);
  EXPECT_TRUE(book::open_book(OSTRIM_DEFAULT_BOOK)) << OSTRIM_DEFAULT_BOOK;
  book::BookEntry entries[book::kMaxBookEntries];
  int n = book::book_entries(p.key, entries);
  book::close_book();
  std::set<std::string> moves;
  for (int i = 0; i < n; ++i) {
    char text[kMoveTextSize];
    move_text_in(text, p, entries[i].move);
    moves.insert(text);
  }
  return moves;
}

TEST(DefaultBook, EngineInItsFolderAnswersFromIt) {
  ASSERT_EQ(folder_of(OSTRIM_DEFAULT_BOOK), folder_of(OSTRIM_ENGINE_PATH)) << "the book lies beside the engine";
  const char* after_e4 = "rnbqkbnr/pppppppp/8/8/4P3/8/PPPP1PPP/RNBQKBNR b KQkq - 0 1";
  struct Case {
    const char* position;  // the protocol's position command
    const char* fen;
  };
  const Case cases[] = {
      {"position startpos", testing::kStartFen},
      {"position startpos moves e2e4", after_e4},
  };
  test::EngineProcess engine;
  // A shell changes to the folder: the working directory is what GUIs set.
  std::string command = "cd '" + folder_of(OSTRIM_ENGINE_PATH) + "' && exec ./ostrim";
  ASSERT_TRUE(platform::start_child(engine, "/bin/sh", {"-c", command}));
  bool ready = false;
  EXPECT_EQ(test::lines_before_ready(engine, ready), Lines{}) << "the start opens the book without a word";
  ASSERT_TRUE(ready);
  for (const Case& c : cases) {
    std::set<std::string> held = default_book_moves(c.fen);
    ASSERT_GE(held.size(), 2u) << c.fen << ": the games give the book a choice here";
    ASSERT_TRUE(test::send_line(engine, c.position));
    ASSERT_TRUE(test::send_line(engine, "go wtime 60000 btime 60000"));
    Lines out;
    std::string line;
    while (test::read_line(engine, line, 5000)) {
      out.push_back(line);
      if (line.rfind("bestmove", 0) == 0) break;
    }
    ASSERT_EQ(out.size(), 2u) << c.position << ": a depth-0 report and the move, nothing else";
    std::string move = out[1].substr(out[1].find(' ') + 1);
    EXPECT_EQ(out[1], "bestmove " + move) << "no ponder move after a book move";
    EXPECT_EQ(out[0].rfind("info depth 0 score cp 0 ", 0), 0u) << out[0];
    EXPECT_EQ(out[0].substr(out[0].size() - move.size() - 1), " " + move) << out[0];
    EXPECT_EQ(held.count(move), 1u) << move << " is not a book move of " << c.fen;
  }
}

}  // namespace
}  // namespace ostrim
