// The last full-width ply: the node search's move loop without the table,
// null move, internal deepening and pre-search, and with cheaper tests.
#include "board/makemove.h"
#include "board/movegen.h"
#include "search/search.h"
#include "search/search_support.h"

namespace ostrim {
namespace {

constexpr int kFrontierPruningFloor = -19;

bool on_last_rank(Square s, Colour c) { return c > 0 ? s >= 112 : s < 16; }

// The opponent's pending threat, re-checked after our move: cleared when it
// no longer works, else (or when there was none) what the threatening piece
// now attacks.
void carry_threat(Position& p, Position& c, Move m, int depth) {
  Board& b = *p.board;
  c.refutation = p.pending_threat;
  if ((p.threat_kind & 3) && has_refutation(c) && !move_is_safe(c, c.refutation))
    c.refutation = static_cast<Move>((c.refutation & 0xFF) | (kNullSquare << 8));
  if (depth <= 0 || (p.flags & moveflag::kThreatPending) == 0 || has_refutation(c)) return;
  PieceRecord* source = piece_at(b, p.threat_source);
  if (source->colour != c.side) return;
  Square target = least_attacker(b, p.threat_source, *source, kOwnClass);
  if (target == kNullSquare) return;
  if (target == p.threatened_square && move_to(m) != target) return;
  c.refutation = make_move(p.threat_source, target);
}

// What the moved piece attacks from its new square becomes the child's
// threat. When it attacks nothing, at a node where the refutation is still
// pressing, the piece that would refute is asked instead, unless the move
// moved it or went to the refutation's target.
void direct_attack(Position& p, Position& c, Move m, int alpha, bool researched) {
  Board& b = *p.board;
  Square source = move_to(m);
  PieceRecord* attacker = piece_at(b, source);
  int mode = (has_refutation(c) && p.threat_kind != 4) ? kKingOnly : kOwnClass;
  Square target = least_attacker(b, source, *attacker, mode);
  if (target == kNullSquare) {
    if ((p.flags & (moveflag::kRefutationPressure | moveflag::kNoFrontierPruning)) == 0 || !has_refutation(p))
      return;
    Square refuter = move_from(p.refutation);
    if (refuter == move_from(m) || move_to(m) == refutation_target(p)) return;
    attacker = piece_at(b, refuter);
    if (attacker->colour != p.side) return;
    source = refuter;
    target = least_attacker(b, source, *attacker, mode);
    if (target == kNullSquare) return;
  }
  PieceRecord* victim = piece_at(b, target);
  c.flags |= moveflag::kThreatPending;
  c.designated = victim;
  c.threat_source = static_cast<uint8_t>(source);
  c.threatened_square = static_cast<uint8_t>(target);
  bool pawn_promotes = attacker->type->kind == kKindPawn && on_last_rank(target, attacker->colour);
  if (victim->type->kind != kKindKing && !pawn_promotes) {
    c.threat_kind = 4;
    return;
  }
  int gain_next = attacker->type->table[target] + victim->score - attacker->type->table[source];
  if (!researched && p.legal_count >= 1 && alpha + c.score >= gain_next) {
    c.threat_kind = 4;
    c.flags |= moveflag::kReduced;
  }
}

}  // namespace

int FrontierSearch(Position& p, int depth, int beta, int alpha, Move* killers, Move* pv) {
  Board& b = *p.board;
  pv[0] = kNullMove;
  if (too_deep(p)) return p.score > alpha ? p.score : alpha;
  bool no_pruning = depth > 0 && (p.flags & (moveflag::kRefutationPressure | moveflag::kNoFrontierPruning)) &&
                    (p.flags & moveflag::kBadMove) == 0;
  p.futility_base = no_pruning ? -kScoreInfinite : alpha + futility_margin() - p.score;

  // Moves the caller pushed stay on the stack and come first.
  push_candidates(p, killers);
  p.legal_count = 0;
  MoveOrder order;
  Position c;
  construct_position(c, b);
  Move child_pv[kVariationLength];

  for (Move m = order.next(p); m != kNullMove; m = order.next(p)) {
    if ((p.flags & moveflag::kBadMove) && !passes_bad_move_filter(p, m)) continue;
    bool en_passant = is_en_passant(p, m);
    if ((p.futility_base >= kFrontierPruningFloor || depth <= 0) && !en_passant &&
        move_gain(b, m) <= p.futility_base) {
      const PieceRecord* mover = piece_at(b, move_from(m));
      if (depth <= 0 || least_attacker(b, move_to(m), mover->type, mover->colour, kKingOnly) == kNullSquare) {
        ++p.legal_count;
        continue;
      }
    }
    if (!passes_threat_filter(p, m)) continue;

    bool researched = false;
    for (;;) {
      int child_depth = depth - 1;
      make_child(p, m, c);
      child_pv[0] = kNullMove;
      int result;
      if (c.status & status::kTerminal) {
        result = c.score;
      } else {
        carry_threat(p, c, m, depth);
        if (depth > 0) direct_attack(p, c, m, alpha, researched);
        if ((p.flags & moveflag::kNoFrontierPruning) == 0 && has_refutation(c) &&
            refutation_target(c) != refutation_target(p) && (p.flags & moveflag::kBadMove) == 0 &&
            (c.flags & moveflag::kThreatPending) && c.threat_source != refutation_target(c)) {
          c.flags |= moveflag::kRefutationPressure;
          if ((p.flags & moveflag::kExtended) == 0) {
            if (researched) {
              c.flags |= moveflag::kExtended;
              child_depth = depth;
            } else {
              c.flags |= moveflag::kReduced | moveflag::kBadMove;
            }
          }
        }
        DrawishWindow drawish = drawish_window(p, c, beta, alpha);
        if (node_in_check(p) && queen_on_board(b) &&
            ((b.piece_material >= endgame_threshold(b) && (p.status & status::kEvasionExtended) == 0) ||
             depth == 1) &&
            move_to(m) != p.threat_source && (p.flags & (moveflag::kExtended | moveflag::kBadMove)) == 0) {
          if (researched) {
            c.flags |= moveflag::kExtended;
            child_depth = 1;
            if (depth < 1) c.status |= status::kEvasionExtended;
          } else {
            c.flags |= moveflag::kReduced;
          }
        }
        if (drawish == DrawishWindow::ScoreZero) {
          result = 0;
        } else {
          int child_beta = -alpha;
          int child_alpha = (c.flags & moveflag::kReduced) ? -alpha - 1
                            : drawish != DrawishWindow::None ? 0
                                                                   : -beta;
          if (child_depth >= 1) {
            result = FrontierSearch(c, child_depth, child_beta, child_alpha, p.killers, child_pv);
          } else if ((c.flags & moveflag::kThreatPending) && c.threat_kind < 3) {
            c.status |= status::kThreatRecord;
            result = FrontierSearch(c, child_depth, child_beta, child_alpha, p.killers, child_pv);
          } else {
            result = QuiescenceSearch(c, child_beta, child_alpha, p.killers, child_pv);
          }
        }
      }
      unmake_move(c);
      int v = -result;
      if (v <= alpha) {
        if (result < kScoreInfinite) ++p.legal_count;
        break;
      }
      if ((c.flags & moveflag::kReduced) && !researched) {
        researched = true;
        continue;
      }
      ++p.legal_count;
      update_killers(killers, m, p);
      alpha = v;
      copy_variation(pv, m, child_pv);
      if (v >= beta) return v;
      if (p.futility_base != -kScoreInfinite) p.futility_base = alpha + futility_margin() - p.score;
      break;
    }
    if (stop_requested()) break;
  }
  if (p.flags & moveflag::kBadMove) return alpha;
  if (alpha == -kScoreInfinite || p.legal_count == 0) return in_check(p) ? p.floor : 0;
  return alpha;
}

}  // namespace ostrim
