#include "eval/evaluate.h"

#include "common/engine_flags.h"
#include "eval/snapshot.h"

namespace ostrim {

// Stand-in until the evaluation lands: material only.
void Evaluate(Position& p, bool root) {
  Board& b = *p.board;
  if (root) release_eval_snapshots(b);
  int white = 0;
  for (Colour c : {kWhite, kBlack}) {
    SideList& list = side_list(b, c);
    for (PieceRecord* r = list.head.next; r != &b.header; r = r->next) {
      r->score = r->type->table[r->square] + r->type->bonus;
      if (r->type->kind != kKindKing) white += c * r->score;
    }
  }
  flags.tempo.store(1, std::memory_order_relaxed);
  flags.futility_margin.store(1 - 10, std::memory_order_relaxed);
  p.score = p.side * white;
}

}  // namespace ostrim
