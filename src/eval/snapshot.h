#pragma once
#include "board/board.h"

namespace ostrim {

EvalSnapshot* take_eval_snapshot(Board& b);
void restore_eval_snapshot(Board& b, EvalSnapshot* s);
void release_eval_snapshots(Board& b);

}  // namespace ostrim
