#include "search/search_support.h"

#include "board/makemove.h"
#include "board/movegen.h"

namespace ostrim {

void push_captures_of(Position& p, Square target) {
  if (!on_board(target)) return;
  Board& b = *p.board;
  PieceRecord* first = nullptr;
  PieceRecord* second = nullptr;
  for (PieceRecord* r = p.side_list->head.next; r != &b.header; r = r->next) {
    if (!attacks(*r, target)) continue;
    if (first == nullptr) {
      first = r;
    } else {
      second = r;
      break;
    }
  }
  if (second) push_if_pseudo_legal(p, make_move(second->square, target));
  if (first) push_if_pseudo_legal(p, make_move(first->square, target));
}

void push_candidates(Position& p, const Move* killers) {
  if (p.flags & moveflag::kBadMove) return;
  if (killers[0] != kNullMove) {
    push_if_pseudo_legal(p, killers[1]);
    push_if_pseudo_legal(p, killers[0]);
  }
  if (p.flags & moveflag::kThreatPending) {
    const Move* answers = p.side_list->threat_answers;
    Move older = answers[p.threatened_square];
    Move newer = answers[p.threatened_square + 8];
    if (newer != kNullMove) {
      push_if_pseudo_legal(p, older);
      push_if_pseudo_legal(p, newer);
    }
    push_captures_of(p, p.threat_source);
  } else {
    push_captures_of(p, last_move_target(p));
  }
}

bool passes_bad_move_filter(const Position& p, Move m) {
  const Board& b = *p.board;
  Square to = move_to(m);
  if (to == refutation_target(p)) return true;
  if (piece_at(b, to)->type->kind > piece_at(b, move_from(m))->type->kind) return true;
  return (p.flags & moveflag::kNarrowFilter) == 0 && to == last_move_target(p);
}

bool passes_threat_filter(Position& p, Move m) {
  p.pending_threat = kNullMove;
  if ((p.flags & moveflag::kThreatPending) == 0) return true;
  const Board& b = *p.board;
  Square source = p.threat_source;
  Square target = p.threatened_square;
  Square from = move_from(m);
  Square to = move_to(m);
  if (to == source || from == target) return true;
  int line = direction_between(source, target);
  if (line != 0 && to != source && direction_between(source, to) == line &&
      direction_between(to, target) == line)
    return true;
  if (is_en_passant(p, m) && to - 16 * p.side == source) return true;
  const PieceRecord* threatened = piece_at(b, target);
  if (threatened->type->kind == kKindKing) return piece_at(b, to)->type->kind == kKindKing;
  p.pending_threat = make_move(source, target);
  return true;
}

Move MoveOrder::next(Position& p) {
  for (;;) {
    bool candidate = p.stack_top > p.stack;
    Move m = candidate ? *--p.stack_top : next_move(p);
    if (m == kNullMove && !candidate) return kNullMove;
    bool repeated = false;
    for (int i = 0; i < tried_count; ++i) repeated |= tried[i] == m;
    if (repeated || m == kNullMove) continue;
    if (candidate && tried_count < kRemembered) tried[tried_count++] = m;
    return m;
  }
}

void make_child(Position& p, Move m, Position& c) {
  make_move(p, m, c);
  update_castling(c);
  c.floor = p.floor + 1;
  c.threat_kind = 0;
  c.pending_threat = kNullMove;
  c.designated = &p.board->header;
}

void build_swapped_record(Position& r, Position& source) {
  Board& b = *source.board;
  begin_reply(r, source);
  r.key = source.key;
  r.key.low ^= kBlackToMoveBit;
  r.score = -source.score;
  r.floor = source.floor + 1;
  r.halfmove = source.halfmove + 1;
  r.repetition = 0;
  r.move = kNullMove;
  r.refutation = kNullMove;
  r.captured = &b.header;
  r.designated = &b.header;
  r.ep_square = kNullSquare;
  r.threat_kind = 0;
  r.pending_threat = kNullMove;
  reset_generation(r);
}

void build_threat_record(Position& r, Position& source) {
  construct_position(r, *source.board);
  build_swapped_record(r, source);
  r.status |= status::kThreatRecord;
}

void update_killers(Move* killers, Move m, const Position& p) {
  if (m == killers[0]) return;
  if (p.parent != nullptr && (m == p.refutation || move_to(m) == last_move_target(p))) return;
  killers[1] = killers[0];
  killers[0] = m;
}

void copy_variation(Move* pv, Move m, const Move* child_pv) {
  pv[0] = m;
  int i = 1;
  for (; i < kVariationLength - 1 && child_pv[i - 1] != kNullMove; ++i) pv[i] = child_pv[i - 1];
  pv[i] = kNullMove;
}

bool is_excluded(const Move* excluded, Move m) {
  if (excluded == nullptr) return false;
  for (const Move* e = excluded; *e != kNullMove; --e)
    if (*e == m) return true;
  return false;
}

void set_threat(Position& c, Move threat, int result) {
  Board& b = *c.board;
  Square from = move_from(threat);
  Square to = move_to(threat);
  if (threat == kNullMove || move_to_code(threat) < 0 || is_castling(b, threat)) {
    c.flags |= moveflag::kNoThreat;
    c.flags &= ~moveflag::kThreatPending;
    return;
  }
  PieceRecord* threatened = piece_at(b, to);
  c.threat_source = static_cast<uint8_t>(from);
  c.threatened_square = static_cast<uint8_t>(to);
  c.designated = threatened;
  c.flags |= moveflag::kThreatPending;
  c.threat_kind = piece_at(b, from)->type->kind >= threatened->type->kind ? 1 : 0;
  if (result >= kMateScore) c.flags |= moveflag::kMateThreat;
}

}  // namespace ostrim
