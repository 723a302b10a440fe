#pragma once
// Helpers for tests that work on the main board.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "board/game_record.h"
#include "board/keys.h"
#include "board/movegen.h"
#include "board/notation.h"
#include "board/setup.h"

namespace ostrim::testing {

constexpr const char* kStartFen = "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1";

// Sets up the main board; fails the test when the text is refused.
inline Position& setup(const char* fen) {
  draw_hash_keys();
  EXPECT_EQ(setup_position(fen), 0) << fen;
  return root_position;
}

// The moves the generator delivers, in order, as protocol text.
inline std::vector<std::string> generated_moves(Position& p) {
  std::vector<std::string> moves;
  reset_generation(p);
  for (Move m = next_move(p); m != kNullMove; m = next_move(p)) {
    char text[kMoveTextSize];
    move_text_in(text, p, m);
    moves.emplace_back(text);
  }
  return moves;
}

// The generated move with this text; the null move when there is none.
inline Move generated_move(Position& p, const char* text) {
  reset_generation(p);
  for (Move m = next_move(p); m != kNullMove; m = next_move(p)) {
    char t[kMoveTextSize];
    move_text_in(t, p, m);
    if (std::strcmp(t, text) == 0) return m;
  }
  return kNullMove;
}

}  // namespace ostrim::testing
