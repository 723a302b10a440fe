#include "eval/snapshot.h"

namespace ostrim {
namespace {

// Allocated once per board and never freed: the board lives as long as
// the process.
void ensure_stack(Board& b) {
  if (b.snapshots == nullptr) b.snapshots = new EvalSnapshot[kSnapshotCapacity];
}

}  // namespace

EvalSnapshot* take_eval_snapshot(Board& b) {
  ensure_stack(b);
  if (b.snapshot_depth >= kSnapshotCapacity) return nullptr;
  EvalSnapshot* s = &b.snapshots[b.snapshot_depth++];
  s->eval = b.eval;
  for (int i = 0; i < kPieceTypeCount; ++i) s->bonuses[i] = b.types[i].bonus;
  for (int slot = 1; slot <= kSlotCount; ++slot) s->scores[slot] = b.slots[slot].score;
  return s;
}

void restore_eval_snapshot(Board& b, EvalSnapshot* s) {
  b.eval = s->eval;
  for (int i = 0; i < kPieceTypeCount; ++i) b.types[i].bonus = s->bonuses[i];
  for (int slot = 1; slot <= kSlotCount; ++slot) b.slots[slot].score = s->scores[slot];
  b.snapshot_depth = static_cast<int32_t>(s - b.snapshots);
}

void release_eval_snapshots(Board& b) {
  ensure_stack(b);
  b.snapshot_depth = 0;
}

}  // namespace ostrim
