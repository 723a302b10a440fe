#include "eval/snapshot.h"

namespace ostrim {

// Stand-in until the evaluation lands: nothing to save.
EvalSnapshot* take_eval_snapshot(Board&) { return nullptr; }
void restore_eval_snapshot(Board&, EvalSnapshot*) {}
void release_eval_snapshots(Board&) {}

}  // namespace ostrim
