// Whether a move stays good after the opponent's last move.
#include "board/makemove.h"
#include "search/search.h"
#include "search/search_support.h"

namespace ostrim {

bool move_is_safe(Position& p, Move m) {
  Board& b = *p.board;
  if (!is_pseudo_legal(p, m)) return false;
  Square last = move_to(p.move);
  int t = move_to_code(m);  // the raw code: an under-promotion looks up its code
  int difference = t - last;
  int bits = (difference >= -119 && difference <= 119 && on_board(last)) ? kAttackTable[difference + 119] : 0;
  const PieceRecord* arrived = piece_at(b, last);
  bool brought_attacker = (bits & arrived->type->attack_bit) != 0;
  bool removed_defender = p.captured != &b.header && (bits & p.captured->type->attack_bit) != 0;
  if (!brought_attacker && !removed_defender) return true;

  Position child;
  construct_position(child, b);
  make_move(p, m, child);
  child.floor = p.floor + 1;
  int v = child.score > 9 - p.score ? child.score : 9 - p.score;
  Move killers[2] = {kNullMove, kNullMove};
  int result = (child.status & status::kTerminal) ? child.score
                                                  : QuiescenceSearch(child, v + 1, v, killers, nullptr);
  unmake_move(child);
  return result <= v;
}

}  // namespace ostrim
