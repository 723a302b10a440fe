#include "board/game_record.h"

namespace ostrim {

GameRecord game;
KeyHistory key_history;
Board main_board;
Position root_position;

void record_root_key(const Position& root) {
  int index = root.halfmove;
  if (index < 0 || index >= kKeyHistoryCapacity) return;  // past the history: not recorded
  key_history.keys[index] = root.key;
  key_history.length = index + 1;
}

}  // namespace ostrim
