#pragma once
// Snapshots of a board's evaluation state, taken before an interior
// evaluation and restored when the search leaves that subtree. Each board
// has its own stack, so no slot is ever shared between threads.
#include <cstdint>

#include "board/board.h"

namespace ostrim {

constexpr int kSnapshotCapacity = 128;  // deeper than any search path

struct EvalSnapshot {
  EvalState eval;
  int32_t bonuses[kPieceTypeCount];
  int32_t scores[kSlotCount + 1];
};

// Saves everything the evaluation writes that make/unmake and the search
// read afterwards. nullptr when the board's stack is full: the caller then
// skips that evaluation.
EvalSnapshot* take_eval_snapshot(Board& b);
// Restores the board from the snapshot and frees it (last taken, first restored).
void restore_eval_snapshot(Board& b, EvalSnapshot* s);
// Frees every snapshot of the board (a new search root).
void release_eval_snapshots(Board& b);

}  // namespace ostrim
