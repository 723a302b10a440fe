#pragma once
// The game being played: its set-up, its moves, the keys of its positions,
// the players' clocks, and the main board with the root position.
#include <cstdint>

#include "board/board.h"
#include "common/stopwatch.h"

namespace ostrim {

constexpr int kGameMoveCapacity = 600;
constexpr int kKeyHistoryCapacity = 104;
constexpr int kSetupTextSize = 80;

enum class GameState : int32_t { WhiteWon = 0, Draw = 1, BlackWon = 2, InProgress = 3 };

struct GameMove {
  int32_t thinking_time;  // accumulated ms of the side that moved
  Move move;
};

struct GameRecord {
  char setup_text[kSetupTextSize];  // the placement field of the set-up text
  Colour side;
  uint32_t castling;
  Square ep_square;
  int32_t halfmove;          // always 0: the text's field is not read
  int32_t move_number;
  int32_t moves_played;
  int32_t moves_to_replay;
  GameMove moves[kGameMoveCapacity];
  GameState state;
  Stopwatch clocks[2];       // by colour_index
};

// Keys of the game's positions, indexed by the root's half-move clock.
struct KeyHistory {
  HashKey keys[kKeyHistoryCapacity];
  int32_t length;
};

extern GameRecord game;
extern KeyHistory key_history;
extern Board main_board;
extern Position root_position;

// Stores the root key at the root's half-move clock; the history then ends there.
void record_root_key(const Position& root);

inline Stopwatch& clock_of(Colour c) { return game.clocks[colour_index(c)]; }

}  // namespace ostrim
