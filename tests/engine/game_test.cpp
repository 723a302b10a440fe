#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/game.h"
#include "search/driver.h"
#include "search/transposition.h"
#include "support/board_fixture.h"

namespace ostrim {
namespace {

// Plays the moves through the game; returns what was printed.
std::string play_game(const char* fen, const std::vector<const char*>& moves,
                      std::vector<bool>* accepted = nullptr, int halfmove = 0) {
  if (transposition_table.entries == nullptr) engine_initialise(1 << 20);
  testing::setup(fen);
  root_position.halfmove = halfmove;
  ::testing::internal::CaptureStdout();
  for (const char* m : moves) {
    bool ok = apply_game_move(m);
    if (accepted) accepted->push_back(ok);
  }
  return ::testing::internal::GetCapturedStdout();
}

TEST(Game, ResultsAreAdjudicated) {
  struct Case {
    const char* fen;
    std::vector<const char*> moves;
    int halfmove;
    const char* output;
  };
  const Case cases[] = {
      {testing::kStartFen, {"f2f3", "e7e5", "g2g4", "d8h4"}, 0,
       "info string result 0-1 checkmate\n"},
      {"4k3/8/8/8/8/8/8/3qK3 w - - 0 1", {"e1d1"}, 0,
       "info string result 1/2-1/2 draw due to insufficient material\n"},
      {testing::kStartFen,
       {"g1f3", "g8f6", "f3g1", "f6g8", "g1f3", "g8f6", "f3g1", "f6g8"}, 0,
       "info string result 1/2-1/2 draw by repetition\n"},
      // The fifty-move rule is decided before the mate.
      {"7k/8/6K1/8/8/8/8/1Q6 w - - 0 1", {"b1b8"}, 99,
       "info string result 1/2-1/2 draw due to 50-move rule\n"},
      {"7k/8/6K1/8/8/8/8/1Q6 w - - 0 1", {"b1b8"}, 0, "info string result 1-0 checkmate\n"},
      {"7k/8/6K1/8/8/8/8/5Q2 w - - 0 1", {"f1f7"}, 0, "info string result 1/2-1/2 stalemate\n"},
      {testing::kStartFen, {"e2e4", "e7e5"}, 0, ""},
  };
  for (const Case& c : cases) EXPECT_EQ(play_game(c.fen, c.moves, nullptr, c.halfmove), c.output) << c.fen;
}

TEST(Game, MovesAfterTheEndAndIllegalMovesAreRefused) {
  std::vector<bool> accepted;
  play_game(testing::kStartFen, {"f2f3", "e7e5", "g2g4", "d8h4", "a2a3"}, &accepted);
  EXPECT_EQ(accepted, (std::vector<bool>{true, true, true, true, false}));
  accepted.clear();
  play_game(testing::kStartFen, {"e2e5", "e1e2", "e2e4", "xyz", "e7e5"}, &accepted);
  EXPECT_EQ(accepted, (std::vector<bool>{false, false, true, false, true}));
  EXPECT_EQ(game.moves_played, 2);
  EXPECT_EQ(root_position.side, kWhite);
  EXPECT_EQ(game.move_number, 22);
}

TEST(Game, DrawnGamesArePlayedOn) {
  std::vector<bool> accepted;
  // Each move past the hundredth reversible half-move is still a fifty-move
  // draw (both sides are then marked unable to win, which is no lack of material).
  const std::string fifty = "info string result 1/2-1/2 draw due to 50-move rule\n";
  EXPECT_EQ(play_game("7k/8/6K1/8/8/8/8/1Q6 w - - 0 1", {"b1c1", "h8g8", "c1b1", "g8h8"}, &accepted, 99),
            fifty + fifty + fifty + fifty);
  EXPECT_EQ(accepted, (std::vector<bool>{true, true, true, true}));
}

TEST(Game, InsufficientMaterialByCaptureNeedsAllRules) {
  // King and two knights against a king and pawn, reached by a capture: not flagged.
  play_game("3Bk3/8/8/8/8/3p4/2N5/1N2K3 b - - 0 1", {"e8d8"});
  EXPECT_EQ(main_board.types[kWhiteKnightType].count, 2);
  EXPECT_EQ(root_position.status & status::kNoWinner, 0u);
  // Kings alone after a capture are flagged for both sides.
  play_game("3Bk3/8/8/8/8/8/8/4K3 b - - 0 1", {"e8d8"});
  EXPECT_EQ(root_position.status & status::kNoWinner, status::kNoWinner);
}

}  // namespace
}  // namespace ostrim
