#pragma once
// Moves of the game and adjudication of its result.
#include "board/board.h"

namespace ostrim {

enum class GameResult : int32_t {
  GoesOn = 0,
  Checkmate = 2,
  Stalemate = 3,
  Repetition = 4,
  InsufficientMaterial = 5,
  FiftyMoves = 6,
  MoveListFull = 7,
};

// Plays a move of the game given as text; false when it is refused.
// Prints "info string result ..." when the game ends. Never during a search.
bool apply_game_move(const char* text);

// Plays a move known to be a root move; returns the game's result code.
GameResult play_game_move(Move m);

// Decides whether the game at a copy of the root has ended; sets the game state.
GameResult check_game_state(Position& root_copy);

}  // namespace ostrim
