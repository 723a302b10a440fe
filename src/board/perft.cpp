#include "board/perft.h"

#include "board/attacks.h"
#include "board/makemove.h"
#include "board/movegen.h"

namespace ostrim {

uint64_t perft(Position& p, int depth) {
  if (depth <= 0) return 1;
  Board& b = *p.board;
  reset_generation(p);
  Position child;
  construct_position(child, b);
  uint64_t nodes = 0;
  for (Move m = next_move(p); m != kNullMove; m = next_move(p)) {
    make_full_move(p, m, child);
    if (!attacked_by(b, child.side, king_of(b, p.side)->square))
      nodes += depth == 1 ? 1 : perft(child, depth - 1);
    unmake_move(child);
  }
  return nodes;
}

}  // namespace ostrim
