// `SearchMove`: one move of a node. Makes it, decides the child's depth and
// window (bad-move and threat tests, extensions, the half-ply price, late
// move reductions), searches the child, searches again when a reduced or
// narrowed search fails high, and updates the node's bounds and variation.
#include "board/makemove.h"
#include "board/movegen.h"
#include "common/hooks.h"
#include "common/search_lock.h"
#include "eval/evaluate.h"
#include "eval/king_zone.h"
#include "eval/pawn_ending.h"
#include "eval/snapshot.h"
#include "eval/weights.h"
#include "search/search.h"
#include "search/search_clock.h"
#include "search/search_support.h"
#include "search/transposition.h"

namespace ostrim {
namespace {

constexpr int kLossThreshold = 29;       // bad-move test, scaled by its option
constexpr int kThreatThreshold = 16;     // threat test, scaled by its option
constexpr int kScoreDrop = 15;           // root fail-low, scaled by its option
constexpr int kInterestingGain = 43;
constexpr int kLosingMove = 50;
constexpr int kKingWalkMaterial = 3600;
constexpr int kExcludedMove = kScoreInfinite;
constexpr int kFailsLowAtOnce = kScoreInfinite - 1;
constexpr int kTablebaseMinDepth = 8;

Move with_null_target(Move m) { return static_cast<Move>((m & 0xFF) | (kNullSquare << 8)); }

// The opponent's threat that the move left standing: replayed on top of the
// move and dropped when it no longer wins material; at a threatened node the
// threatening piece is then asked what it attacks now.
void replay_pending_threat(Position& p, Position& c, int depth) {
  Board& b = *p.board;
  if ((p.pending_threat >> 8) != kNullSquare && (p.threat_kind & 3)) {
    bool still_works = false;
    if (is_pseudo_legal(c, p.pending_threat)) {
      Position replay;
      construct_position(replay, b);
      make_move(c, p.pending_threat, replay);
      replay.floor = c.floor + 1;
      int threshold = 9 - c.score > replay.score ? 9 - c.score : replay.score;
      int result = (replay.status & status::kTerminal)
                       ? replay.score
                       : CaptureSearch(replay, threshold + 1, threshold, nullptr);
      unmake_move(replay);
      still_works = result <= threshold;
    }
    if (!still_works) p.pending_threat = with_null_target(p.pending_threat);
  }
  if ((p.flags & moveflag::kThreatPending) && (p.pending_threat >> 8) == kNullSquare) {
    PieceRecord* source = piece_at(b, p.threat_source);
    if (source->colour == c.side) {
      int mode = depth - 1 < 2 ? kOwnClass : kAnyButPawns;
      Square target = least_attacker(b, p.threat_source, *source, mode);
      if (target != kNullSquare) p.pending_threat = make_move(p.threat_source, target);
    }
  }
  c.refutation = p.pending_threat;
}

// Whether the move deserves a full evaluation of the child.
bool wants_evaluation(const Position& p, Move m, int child_depth, int mover_kind, bool capture) {
  if (p.flags & moveflag::kReduced) return child_depth > 8;
  if (child_depth < 4) return false;
  Square from = move_from(m);
  Square to = move_to(m);
  if (mover_kind == kKindPawn || capture || child_depth > 8) return true;
  if (from == kH1 && (p.status & status::kWhiteKingSide)) return true;
  if (from == kH8 && (p.status & status::kBlackKingSide)) return true;
  if (mover_kind == kKindKing) return node_in_check(p) || king_zone(from) != king_zone(to);
  return false;
}

// The threat test: what could the mover win if the opponent passed?
void threat_test(Position& p, Position& c, int child_depth, bool researched) {
  Board& b = *p.board;
  Position record;
  build_threat_record(record, c);
  int threshold = kThreatThreshold * pct(settings.minimum_threat_pct) / 100 + record.score;
  if (p.best_so_far > threshold) threshold = p.best_so_far;
  Move killers[2] = {kNullMove, kNullMove};
  Move pv[kVariationLength];
  int result;
  if (child_depth > 3 && (!has_refutation(c) || queen_on_board(b) || researched)) {
    record.status &= record.side_list->root_mask;
    result = FrontierSearch(record, 1, kScoreInfinite, threshold, killers, pv);
  } else {
    result = QuiescenceSearch(record, kScoreInfinite, threshold, killers, pv);
  }
  set_threat(c, pv[0], result);
}

// Without a threat test: what the moved piece attacks is the child's threat.
void direct_attack(Position& p, Position& c, Move m, int child_depth, bool researched) {
  Board& b = *p.board;
  Square to = move_to(m);
  PieceRecord* mover = piece_at(b, to);
  int mode = (child_depth < 1 || (c.flags & moveflag::kBadMove)) ? kOwnClass : kAnyButPawns;
  Square target = least_attacker(b, to, *mover, mode);
  if (target != kNullSquare) {
    PieceRecord* victim = piece_at(b, target);
    c.threat_source = static_cast<uint8_t>(to);
    c.threatened_square = static_cast<uint8_t>(target);
    c.designated = victim;
    c.flags |= moveflag::kThreatPending;
    int gain_next = mover->type->table[target] + victim->score - mover->type->table[to];
    if (!researched && p.legal_count >= 1 && p.best_so_far + c.score >= gain_next) {
      c.threat_kind = 4;  // a cheap threat: answered by a null window
      c.flags |= moveflag::kReduced;
    }
  } else if (!researched && child_depth >= 2 && ((p.flags | c.flags) & moveflag::kBadMove) == 0) {
    c.flags |= moveflag::kReduced;  // nothing attacked: a null window will do, until it fails high
  }
}

// Whether the move keeps the half-ply price.
bool interesting_move(const Position& p, const Position& c, Move m, int mover_kind, bool capture,
                      bool researched) {
  const Board& b = *p.board;
  if (capture) return true;
  if (c.score <= -p.score - kInterestingGain && (c.flags & moveflag::kBadMove) == 0) return true;
  if ((c.flags & moveflag::kThreatPending) && c.threat_kind < 3) return true;
  if ((!queen_on_board(b) || b.piece_material < endgame_threshold(b)) && mover_kind == kKindPawn &&
      (b.eval.square_marks[colour_index(p.side)][move_to(m)] & 8))
    return true;
  if ((p.flags & moveflag::kThreatPending) && (!has_refutation(c) || researched)) return true;
  return p.parent == nullptr && queen_on_board(b) && m != p.best_move && researched;
}

// The child's score for a tablebase distance in moves, on the scale of the
// mates the search finds itself: being mated n moves after the child is
// 2n plies past the child's floor, mating in n is 2n - 1 plies past it.
// (Scores a ply or three off would make a mate from the tables outrank an
// immediate mate on the board, and the engine would never give it.)
int tablebase_result(const Position& p, int distance) {
  const int child_floor = p.floor + 1;
  if (distance == 0) return 0;
  if (distance < 0) return child_floor - 2 * distance;
  return -child_floor - 2 * distance + 1;
}

}  // namespace

void SearchMove(Position& p, int depth, int& beta, int& alpha, Move* killers, Move* pv, Move m,
                Position& c, const Move* excluded) {
  Board& b = *p.board;
  const bool root = p.parent == nullptr;
  const Square from = move_from(m);
  const Square to = move_to(m);
  bool researched = false;
  Move child_pv[kVariationLength];

  for (;;) {
    int child_depth = depth - 1;
    bool priced_as_bad = false;  // a bad move pays exactly one full ply
    const int mover_kind = piece_at(b, from)->type->kind;
    make_child(p, m, c);
    child_pv[0] = kNullMove;
    const bool capture = c.captured != &b.header;
    EvalSnapshot* snapshot = nullptr;
    bool have_result = false;
    int result = 0;

    if (c.status & status::kTerminal) {
      have_result = true;
      result = c.score;
    } else if (is_excluded(excluded, m)) {
      have_result = true;
      result = kExcludedMove;
    } else if (root && depth == search_state.iteration_depth && hooks.print_current_move != nullptr &&
               depth >= 10) {
      if (attacked_by(b, c.side, king_of(b, p.side)->square)) {
        have_result = true;
        result = kExcludedMove;
      } else {
        hooks.print_current_move(depth, &c);
      }
    }

    bool tablebase_hit = false;
    if (!have_result && depth - 1 >= kTablebaseMinDepth && search_state.tablebases_off == 0 &&
        b.piece_count <= tablebase_men.load(std::memory_order_relaxed)) {
      if (attacked_by(b, c.side, king_of(b, p.side)->square)) {
        have_result = true;
        result = kExcludedMove;
      } else {
        int ep = 0;
        if (c.flags & moveflag::kEnPassant) {
          int pawn = c.side > 0 ? kWhitePawnType : kBlackPawnType;
          Square e = c.ep_square;
          Square behind_left = c.side > 0 ? e - 15 : e + 15;
          Square behind_right = c.side > 0 ? e - 17 : e + 17;
          if (piece_at(b, behind_left)->type->index == pawn || piece_at(b, behind_right)->type->index == pawn)
            ep = e;
        }
        int distance = 0;
        lock_search();
        bool found = hooks.probe_tablebase != nullptr && hooks.probe_tablebase(b, c.side, ep, &distance);
        unlock_search();
        if (found) {
          have_result = tablebase_hit = true;
          result = tablebase_result(p, distance);
        }
      }
    }

    if (!have_result) {
      if (depth - 1 >= 8 && !tablebase_hit && read_bound(alpha) == -kScoreInfinite) researched = true;

      replay_pending_threat(p, c, depth);

      // Bad-move test: does the opponent win material against the move?
      if (depth - 1 >= 2 && (p.flags & moveflag::kBadMove) == 0 && m != p.best_move && !researched) {
        int t = kLossThreshold * pct(settings.bad_move_pct) / 100 - p.score;
        if (c.score > t) t = c.score;
        Move refutation = kNullMove;
        CaptureSearch(c, t + 1, t, &refutation);
        reset_generation(c);
        if (refutation != kNullMove) {
          if (mover_kind == kKindKing) {
            have_result = true;
            result = kExcludedMove;
          } else if ((p.flags & moveflag::kReduced) && m != p.refutation && m != p.best_move) {
            have_result = true;
            result = kFailsLowAtOnce;
          } else {
            c.flags |= moveflag::kReduced | moveflag::kBadMove;
            child_depth = depth - 2;
            priced_as_bad = true;
            if ((p.flags & moveflag::kThreatPending) && !has_refutation(c) && from == p.threatened_square)
              c.refutation = refutation;
            else
              push_move(c, refutation);
          }
        }
      }
    }

    if (!have_result) {
      if (wants_evaluation(p, m, child_depth, mover_kind, capture)) {
        snapshot = take_eval_snapshot(b);
        if (snapshot != nullptr) Evaluate(c, false);
      }

      bool threat_test_runs = settings.use_threat_detection && child_depth >= 2 &&
                              ((p.flags | c.flags) & moveflag::kBadMove) == 0 &&
                              !(has_refutation(c) && !capture &&
                                !((p.flags & moveflag::kThreatPending) && p.threat_kind == 4) && !researched);
      if (threat_test_runs)
        threat_test(p, c, child_depth, researched);
      else
        direct_attack(p, c, m, child_depth, researched);

      // Extensions.
      if ((p.flags & moveflag::kExtended) == 0 && (c.flags & moveflag::kBadMove) == 0) {
        bool check = (c.flags & moveflag::kThreatPending) && c.designated->type->kind == kKindKing;
        bool queens_gone = capture && c.captured->type->kind == kKindQueen && !queen_on_board(b);
        if ((c.flags & moveflag::kMateThreat) || check || queens_gone) {
          ++child_depth;
          c.flags |= moveflag::kExtended;
        }
      }
      if (node_in_check(p) && b.piece_material >= endgame_threshold(b) && to != p.threat_source &&
          (p.flags & moveflag::kExtended) == 0) {
        if (researched || m == p.best_move) {
          child_depth = depth;
          c.flags |= moveflag::kExtended;
        } else {
          c.flags |= moveflag::kReduced;
        }
      }
      if (root && (c.flags & moveflag::kBadMove) == 0 &&
          (to == last_move_target(p) || ((p.flags & moveflag::kThreatPending) && to == p.threat_source)))
        child_depth = depth;

      // The half-ply price, then late-move reduction.
      bool keeps_half_ply = settings.use_half_ply_heuristic &&
                            interesting_move(p, c, m, mover_kind, capture, researched);
      if (!keeps_half_ply && !priced_as_bad) {
        --child_depth;
        if (root && queen_on_board(b) && m != p.best_move && !researched) c.flags |= moveflag::kReduced;
        if (has_refutation(c) && !researched) {
          if ((c.flags & moveflag::kBadMove) == 0) c.flags |= moveflag::kNarrowFilter;
          c.flags |= moveflag::kReduced | moveflag::kBadMove;
        }
        if (!researched && m != p.best_move) {
          int shallowest = (c.flags & moveflag::kNoThreat) ? 0 : 1;
          bool king_walk = mover_kind == kKindKing && !is_castling_distance(from, to) &&
                           b.piece_material >= kKingWalkMaterial;
          if (child_depth > shallowest &&
              ((settings.use_history_pruning && p.legal_count > 2) || c.score + p.score > kLosingMove ||
               king_walk)) {
            c.flags |= moveflag::kReduced;
            --child_depth;
          }
        }
      }

      if ((b.piece_material == 0 || b.piece_material == single_pawn_draw_material()) &&
          (b.types[kWhitePawnType].count == 1 || b.types[kBlackPawnType].count == 1) && child_depth < 30)
        recognise_single_pawn_draw(c);

      DrawishWindow drawish = drawish_window(p, c, read_bound(beta), read_bound(alpha));
      if (drawish == DrawishWindow::ScoreZero) {
        notify(SearchEvent::DrawishMoveScoredZero, c, depth, read_bound(beta));
        have_result = true;
        result = 0;
      } else if (drawish == DrawishWindow::CapReversal && depth > child_depth + 1) {
        if (researched)
          ++child_depth;
        else
          c.flags |= moveflag::kReduced;
      }

      if (!have_result) {
        if ((c.flags & moveflag::kNoPieceMaterial) &&
            (child_depth > 0 || ((c.flags & moveflag::kThreatPending) && c.threat_kind <= 2))) {
          if (b.piece_material > 0)
            child_depth -= 4;  // a promotion brought material back
          else
            child_depth += c.captured->type->kind == kKindQueen ? 4 : 3;
        }
        const int a = read_bound(alpha);
        int child_beta = -a;
        int child_alpha = (c.flags & moveflag::kReduced) ? -a - 1
                          : drawish != DrawishWindow::None ? 0
                                                            : -read_bound(beta);
        if (child_depth >= 2) {
          update_key(c);
          result = Search(c, child_depth, child_beta, child_alpha, p.killers, child_pv, nullptr);
        } else if (child_depth == 1 || ((c.flags & moveflag::kThreatPending) && c.threat_kind <= 2)) {
          result = FrontierSearch(c, child_depth, child_beta, child_alpha, p.killers, child_pv);
        } else {
          result = QuiescenceSearch(c, child_beta, child_alpha, p.killers, child_pv);
        }
      }
    }

    if (snapshot != nullptr) restore_eval_snapshot(b, snapshot);
    unmake_move(c);

    if (stop_requested() || epoch_stale(b)) {
      const int a = read_bound(alpha);
      if ((p.flags & moveflag::kWorkerNode) == 0 || stop_requested() || a >= read_bound(beta)) return;
      // A worker's node with new shared bounds: search the move again.
      notify(SearchEvent::WorkerMoveRestarted, p, depth, read_bound(beta));
      if (p.futility_base != -kScoreInfinite) p.futility_base = a + futility_margin() - p.score;
      if (a > p.best_so_far) p.best_so_far = a;
      b.epoch = flags.search_epoch.load(std::memory_order_relaxed);
      continue;
    }

    int score = -result;
    if (score <= read_bound(alpha)) {
      if (result < kExcludedMove) ++p.legal_count;
      return;
    }
    if ((c.flags & moveflag::kReduced) && !researched) {
      researched = true;  // a reduced or null-window search failed high: search it in full
      continue;
    }
    // A worker raises the shared alpha under the lock and tells every
    // thread, through the epoch, that its bounds are old.
    const bool shared = (p.flags & moveflag::kWorkerNode) != 0;
    if (shared) {
      lock_search();
      if (score <= read_bound(alpha)) {
        unlock_search();
        if (result < kExcludedMove) ++p.legal_count;
        return;
      }
      write_bound(alpha, score);
      b.epoch = flags.search_epoch.fetch_add(1, std::memory_order_relaxed) + 1;
    } else {
      write_bound(alpha, score);
    }
    const int alpha_now = score;
    update_killers(killers, m, p);
    if ((p.flags & moveflag::kThreatPending) && !has_refutation(c) && to != p.threat_source) {
      Move* answers = p.side_list->threat_answers;
      answers[p.threatened_square] = answers[p.threatened_square + 8];
      answers[p.threatened_square + 8] = m;
    }
    pv[0] = m;
    pv[1] = kNullMove;
    if (root && depth == search_state.iteration_depth && excluded != nullptr && *excluded == kNullMove) {
      int drop = kScoreDrop * pct(settings.score_drop_pct) / 100;
      if (m == p.best_move && alpha_now <= search_state.previous_score - drop) {
        search_clock.score_stable.store(0, std::memory_order_relaxed);
        if (depth >= 5) {
          // Look for an alternative while the best move fails low.
          Position copy;
          construct_position(copy, b);
          copy_position(copy, p);
          reset_generation(copy);
          Move alt_killers[2] = {kNullMove, kNullMove};
          Move alt_pv[kVariationLength];
          Search(copy, depth - 3, read_bound(beta), alpha_now, alt_killers, alt_pv, excluded);
          if (alt_pv[0] != kNullMove && alt_pv[0] != m) push_move(p, alt_pv[0]);
        }
      } else if (m != p.best_move && alpha_now < search_state.previous_score) {
        search_clock.score_stable.store(0, std::memory_order_relaxed);
      }
      if (hooks.print_variation != nullptr) {
        copy_variation(pv, m, child_pv);
        hooks.print_variation(depth, alpha_now, pv, &p);
      }
    }
    const int beta_now = read_bound(beta);
    if (alpha_now < beta_now) {
      p.bound_flags = ttflag::kExact;
      copy_variation(pv, m, child_pv);
      if (p.futility_base != -kScoreInfinite) p.futility_base = alpha_now + futility_margin() - p.score;
      if (alpha_now > p.best_so_far) p.best_so_far = alpha_now;
      ++p.legal_count;
      if (shared) unlock_search();
      return;
    }
    if (depth < 3 || beta_now >= p.entry_beta || alpha_now >= p.entry_beta) {
      ++p.legal_count;
      p.bound_flags = ttflag::kLowerBound;
      if (shared) unlock_search();
      return;
    }
    write_bound(beta, p.entry_beta);  // the cut was against a narrowed beta
    if (shared) unlock_search();
    researched = true;
  }
}

}  // namespace ostrim
