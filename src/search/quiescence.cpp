// Below the horizon: the exchange search on one square and the quiescence
// search over captures and promotions.
#include "board/makemove.h"
#include "board/movegen.h"
#include "search/search.h"
#include "search/search_support.h"

namespace ostrim {
namespace {

constexpr int kHopelessMargin = 30;

// The side to move's next piece (from the cursor on) that attacks s.
PieceRecord* next_attacker(Position& p, Square s) {
  Board& b = *p.board;
  for (PieceRecord* r = p.cursor->next; r != &b.header; r = r->next) {
    if (attacks(*r, s)) {
      p.cursor = r;
      return r;
    }
  }
  p.cursor = &b.header;
  return nullptr;
}

// Captures of one piece, pushed so that they come out in direction order.
void generate_captures(Position& p, const PieceRecord& piece) {
  Board& b = *p.board;
  Square from = piece.square;
  int kind = piece.type->kind;
  if (kind == kKindPawn) {
    Colour side = p.side;
    Square ahead = from + 16 * side;
    bool promoting = side > 0 ? from >= 96 : from < 32;
    if (promoting && is_empty(b, ahead)) push_move(p, make_move(from, ahead));
    for (Square to : {ahead - 1, ahead + 1}) {
      if (piece_at(b, to)->colour == -side) push_move(p, make_move(from, to));
      else if ((p.flags & moveflag::kEnPassant) && to == p.ep_square) push_move(p, make_move(from, to));
    }
    return;
  }
  bool slider = kind == kKindQueen || kind == kKindRook || kind == kKindBishop;
  for (const int32_t* d = piece.type->directions; d != piece.type->directions_end; ++d) {
    Square to = from + *d;
    if (slider)
      while (is_empty(b, to)) to += *d;
    if (piece_at(b, to)->colour == p.opponent) push_move(p, make_move(from, to));
  }
}

}  // namespace

int CaptureSearch(Position& p, int beta, int alpha, Move* refutation) {
  Board& b = *p.board;
  int stand_pat = p.score;
  if (stand_pat > alpha) {
    alpha = stand_pat;
    if (stand_pat >= beta) return stand_pat;
  }
  if (too_deep(p)) return alpha;
  Square target = move_to(p.move);
  if (!on_board(target)) return alpha;
  if (alpha - stand_pat - piece_at(b, target)->score >= kHopelessMargin) return alpha;
  Position child;
  construct_position(child, b);
  while (PieceRecord* attacker = next_attacker(p, target)) {
    Move capture = make_move(attacker->square, target);
    make_move(p, capture, child);
    child.floor = p.floor + 1;
    int result = (child.status & status::kTerminal) ? child.score
                                                    : CaptureSearch(child, -alpha, -beta, nullptr);
    unmake_move(child);
    int v = -result;
    if (v > alpha) {
      if (refutation) *refutation = capture;
      alpha = v;
      if (v >= beta) return v;
    }
  }
  return alpha;
}

int QuiescenceSearch(Position& p, int beta, int alpha, Move* killers, Move* pv) {
  Board& b = *p.board;
  if (pv) pv[0] = kNullMove;
  int stand_pat = p.score;
  if (stand_pat > alpha) {
    alpha = stand_pat;
    if (stand_pat >= beta) return stand_pat;
  }
  if (too_deep(p)) return alpha;
  int futility_base = alpha - stand_pat + futility_margin();

  // Candidates: killers, the recaptures, the refutation; captures only.
  auto push_capture = [&p, &b](Move m) {
    if (m != kNullMove && is_pseudo_legal(p, m) && !is_empty(b, move_to(m))) push_move(p, m);
  };
  if (killers[0] != kNullMove) {
    if (!has_refutation(p)) push_capture(killers[1]);
    push_capture(killers[0]);
  }
  {
    Move* mark = p.stack_top;
    push_captures_of(p, last_move_target(p));
    // push_captures_of validates pseudo-legality; keep captures only.
    for (Move* m = mark; m < p.stack_top; ++m)
      if (is_empty(b, move_to(*m))) *m = kNullMove;
  }
  if (has_refutation(p)) push_capture(p.refutation);
  Move tried[8];
  int tried_count = 0;
  bool from_candidates = true;

  Position child;
  construct_position(child, b);
  Move child_pv[kVariationLength];
  for (;;) {
    Move m;
    if (p.stack_top > p.stack) {
      m = *--p.stack_top;
      if (m == kNullMove) continue;
    } else {
      // Generate the next piece's captures from the cursor on.
      PieceRecord* piece = p.cursor->next;
      if (piece == &b.header || piece->type->index == kEmptyType) break;
      p.cursor = piece;
      generate_captures(p, *piece);
      from_candidates = false;
      continue;
    }
    bool duplicate = false;
    for (int i = 0; i < tried_count; ++i) duplicate |= tried[i] == m;
    if (duplicate) continue;
    if (from_candidates && tried_count < 8) tried[tried_count++] = m;

    bool en_passant = is_en_passant(p, m);
    if (move_gain(b, m) <= futility_base && !en_passant) continue;

    PieceRecord* mover = piece_at(b, move_from(m));
    make_move(p, m, child);
    child.floor = p.floor + 1;
    child.status &= p.side_list->root_mask;
    int result;
    child_pv[0] = kNullMove;
    if (child.status & status::kTerminal) {
      result = child.score;
    } else if ((child.status & status::kRootMarks) &&
               (m != p.refutation || (p.status & status::kThreatRecord))) {
      bool king_threatened = node_in_check(p);
      if ((p.flags & moveflag::kThreatPending) && p.threat_kind == 0 && king_threatened &&
          child.captured != &b.header && move_to(m) != p.threat_source &&
          mover->type->kind != kKindKing) {
        result = kScoreInfinite;  // a capture that leaves the king en prise
      } else if (least_attacker(b, mover->square, *mover, kKingOnly) == kNullSquare) {
        result = QuiescenceSearch(child, -alpha, -beta, p.killers, child_pv);
      } else {
        result = CaptureSearch(child, -alpha, -beta, nullptr);
      }
    } else {
      result = CaptureSearch(child, -alpha, -beta, nullptr);
    }
    unmake_move(child);
    int v = -result;
    if (v <= alpha) continue;
    if (m != killers[0] && m != p.refutation) {
      killers[1] = killers[0];
      killers[0] = m;
    }
    alpha = v;
    if (pv) {
      pv[0] = m;
      pv[1] = child_pv[0];
      pv[2] = kNullMove;
    }
    if (v >= beta) return v;
    futility_base = futility_margin() + v - stand_pat;
  }
  return alpha;
}

}  // namespace ostrim
