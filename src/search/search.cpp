// `Search`: one node of the full-width search, with the table, null move,
// internal deepening, beta narrowing, the threat pre-search and the move loop.
#include "board/makemove.h"
#include "board/movegen.h"
#include "common/hooks.h"
#include "search/parallel.h"
#include "search/search.h"
#include "search/search_support.h"
#include "search/transposition.h"

namespace ostrim {

SearchState search_state;
SearchListener search_listener = nullptr;

namespace {

constexpr int kNullMoveVerifyDepth = 13;
constexpr int kNullMoveVerifyReduction = 11;
constexpr int kNarrowingMargin = 43;
constexpr int kNarrowingMaxDepth = 25;
constexpr int kPreSearchBonus = 23;
constexpr int kPollDepth = 5;

int depth_key_of(const Position& p, int depth) {
  int key = 2 * depth + ((p.flags & moveflag::kThreatPending) ? 1 : 0);
  return key < 1 ? 1 : (key > 254 ? 254 : key);
}

// Whether the entry's on-path mark names this thread's path, the game, or
// the path of the thread that gave this thread its task.
bool signals_repetition(const Board& b, uint16_t flags_word) {
  if ((flags_word & ttflag::kOnPath) == 0) return false;
  int owner = flags_word & ttflag::kOwnerMask;
  if (owner == kEngineThread || owner == b.thread_number) return true;
  return b.task_giver != nullptr && owner == b.task_giver->thread_number;
}

// The node's table entry; the board counts the entries its thread holds.
struct HeldEntry {
  TTEntry* entry = nullptr;
  bool held = false;
  uint16_t flags_before = 0;
  Board* board = nullptr;

  void claimed(Board& b) {
    board = &b;
    ++b.held_entries;
  }
  void given_back() {
    held = false;
    --board->held_entries;
  }
  void release() {
    if (!held) return;
    release_entry(*entry, flags_before);
    given_back();
  }
};

}  // namespace

int Search(Position& p, int depth, int beta, int alpha, Move* killers, Move* pv,
           const Move* excluded) {
  Board& b = *p.board;
  pv[0] = kNullMove;
  pv[1] = kNullMove;
  p.futility_base = (depth < 3 && (p.flags & moveflag::kNoFrontierPruning) == 0)
                        ? alpha + futility_margin() - p.score
                        : -kScoreInfinite;
  if (beta <= p.floor) return beta;
  if (too_deep(p)) return p.score > alpha ? (p.score < beta ? p.score : beta) : alpha;

  // Moves the caller pushed stay on the stack and come first.
  push_candidates(p, killers);
  p.best_move = kNullMove;
  p.hash_move = 0;
  // Nothing below alpha matters here: starting the best-so-far there gives
  // the threat pre-search and the children's threat tests the threshold the
  // window already demands, instead of searching for any threat at all.
  p.best_so_far = alpha;
  p.bound_flags = ttflag::kUpperBound;
  p.pending_threat = kNullMove;
  p.expected = kScoreInfinite;
  int depth_key = depth_key_of(p, depth);

  // Table probe and claim.
  HeldEntry entry;
  if (excluded == nullptr) {
    ostrim::Probe probe = probe_and_claim(p.key, depth_key, b.thread_number);
    entry.entry = probe.entry;
    entry.held = probe.held;
    entry.flags_before = probe.flags_before;
    if (entry.held) entry.claimed(b);
  }
  p.entry_flags = entry.flags_before;
  if (entry.entry != nullptr) {
    TTEntry& e = *entry.entry;
    bool repetition = signals_repetition(b, entry.flags_before);
    int stored_key = tt_read(e.depth_key);
    bool has_data = stored_key != 0 && stored_key != kGameHistoryDepthKey;
    Move stored = entry_has_move(e) && has_data ? entry_move(e) : kNullMove;
    int stored_score = tt_read(e.score);
    uint16_t bounds = entry.flags_before & ttflag::kExact;
    bool ignore = false;
    if (has_data && p.parent != nullptr && stored != kNullMove &&
        move_from(stored) == (p.parent->move >> 8) && (stored >> 8) == move_from(p.parent->move) &&
        p.halfmove >= 2 && stored_score >= 1 && !repetition) {
      ignore = true;  // it would take back our own last move: neither move nor cut
    }
    if (!ignore) {
      if (has_data && (p.flags & moveflag::kReduced) && stored_score < beta && (bounds & ttflag::kUpperBound)) {
        entry.release();
        return alpha;
      }
      if (stored != kNullMove &&
          !(depth_key - stored_key > 4 && (stored_score <= beta + 35 || !(bounds & ttflag::kLowerBound)))) {
        if (is_pseudo_legal(p, stored)) {
          p.best_move = stored;
          p.hash_move = 1;
          p.expected = (bounds & ttflag::kUpperBound) ? stored_score : kScoreInfinite;
        } else {
          entry.release();
          entry.entry = nullptr;
          stored = kNullMove;
        }
      }
      bool may_cut = entry.entry != nullptr && p.parent != nullptr &&
                     (repetition || (has_data && depth_key <= stored_key));
      if (may_cut) {
        if (stored != kNullMove) pv[0] = stored;
        if (repetition) {
          entry.release();
          return 0;
        }
        if (bounds == ttflag::kExact) {
          entry.release();
          return stored_score;
        }
        if (bounds == ttflag::kUpperBound && stored_score < beta) beta = stored_score;
        if (bounds == ttflag::kLowerBound && alpha < stored_score) {
          bool allowed = (p.flags & moveflag::kBadMove) == 0 ||
                         (p.hash_move && passes_bad_move_filter(p, p.best_move));
          if (allowed) {
            alpha = stored_score;
            p.best_so_far = stored_score;
          }
        }
        if (beta <= alpha) {
          entry.release();
          return alpha;
        }
      }
    }
  }
  p.bound_flags = ttflag::kUpperBound;
  if (p.flags & moveflag::kBadMove) --depth_key;

  // Poll.
  if (depth >= kPollDepth && hooks.poll_commands != nullptr) {
    hooks.poll_commands();
    if (search_interrupted(b)) {
      entry.release();
      return alpha;
    }
  }

  int result = 0;
  bool cut = false;
  Move child_pv[kVariationLength];

  // Null move.
  int reduction = settings.null_move_reduction;
  if (reduction >= 1 && depth >= 4 && p.parent != nullptr && (p.flags & moveflag::kThreatPending) == 0 &&
      beta < kMateScore) {
    Position null_record;
    construct_position(null_record, b);
    build_swapped_record(null_record, p);
    bool by_frontier = depth < reduction + 2;
    notify(by_frontier ? SearchEvent::NullMoveByFrontier : SearchEvent::NullMoveBySearch, p, depth, beta);
    int v = by_frontier ? -FrontierSearch(null_record, 1, 1 - beta, -beta, p.killers, child_pv)
                        : -Search(null_record, depth - reduction, 1 - beta, -beta, p.killers, child_pv, nullptr);
    if (v >= beta && !search_interrupted(b)) {
      if (depth < kNullMoveVerifyDepth) {
        cut = true;
        result = v;
      } else {
        notify(SearchEvent::NullMoveVerified, p, depth, beta);
        Position copy;
        construct_position(copy, b);
        copy_position(copy, p);
        reset_generation(copy);
        int verified = Search(copy, depth - kNullMoveVerifyReduction, beta, alpha, killers, child_pv, excluded);
        if (verified >= beta) {
          cut = true;
          result = verified;
        }
      }
      if (cut) {
        pv[0] = kNullMove;
        p.bound_flags = ttflag::kLowerBound;
        p.legal_count = 1;
      }
    }
  }

  if (!cut) {
    // Internal deepening.
    p.entry_beta = beta;
    if (!p.hash_move) {
      if (depth <= 3) {
        p.expected = kScoreInfinite;
      } else if (depth == search_state.iteration_depth && p.parent == nullptr && killers[0] != kNullMove) {
        p.best_move = killers[0];
        push_if_pseudo_legal(p, killers[1]);
        p.expected = search_state.previous_score;
      } else {
        Position copy;
        construct_position(copy, b);
        copy_position(copy, p);
        reset_generation(copy);
        p.expected = depth <= 4 ? FrontierSearch(copy, 1, beta, alpha, killers, child_pv)
                                : Search(copy, depth - 3, beta, alpha, killers, child_pv, excluded);
        if (child_pv[0] != kNullMove) p.best_move = child_pv[0];
        if (search_interrupted(b)) {
          entry.release();
          return alpha;
        }
      }
    }

    // Beta narrowing.
    bool deep = p.parent && p.parent->parent && p.parent->parent->parent;
    if (deep) {
      p.expected = kScoreInfinite;
    } else if (depth < kNarrowingMaxDepth && alpha < kMateScore && p.expected > -kScoreInfinite) {
      p.expected += kNarrowingMargin;
      if (p.expected <= alpha) p.expected = alpha + 1;
      beta = p.entry_beta < p.expected ? p.entry_beta : p.expected;
      notify(SearchEvent::BetaNarrowed, p, depth, beta);
    } else {
      p.expected = kScoreInfinite;
    }

    // Threat pre-search: our best capture if we could move twice.
    if (settings.use_threat_detection && (p.flags & moveflag::kBadMove) == 0) {
      Position pre;
      construct_position(pre, b);
      copy_position(pre, p);
      reset_generation(pre);
      pre.score += kPreSearchBonus;
      pre.status |= status::kThreatRecord;
      Move pre_killers[2] = {kNullMove, kNullMove};
      if (depth > 4) {
        pre.status &= pre.side_list->root_mask;
        p.best_so_far = FrontierSearch(pre, 1, kScoreInfinite, p.best_so_far, pre_killers, child_pv);
      } else {
        p.best_so_far = QuiescenceSearch(pre, kScoreInfinite, p.best_so_far, pre_killers, child_pv);
      }
      if (child_pv[0] != kNullMove && p.parent != nullptr) push_if_pseudo_legal(p, child_pv[0]);
      if (p.best_so_far > kMateScore) p.best_move = kNullMove;
    }

    // Mark the path, then the move loop with the best move first.
    if (entry.held) entry.entry->flags.fetch_or(ttflag::kOnPath, std::memory_order_acq_rel);
    if (p.best_move != kNullMove) push_move(p, p.best_move);
    p.legal_count = 0;

    MoveOrder order;
    Position child;
    construct_position(child, b);
    for (Move m = order.next(p); m != kNullMove; m = order.next(p)) {
      if ((p.flags & moveflag::kBadMove) && !passes_bad_move_filter(p, m)) continue;
      if (p.futility_base > -20 && move_gain(b, m) <= p.futility_base && !is_en_passant(p, m)) {
        const PieceRecord* mover = piece_at(b, move_from(m));
        if (least_attacker(b, move_to(m), mover->type, mover->colour, kOwnClass) == kNullSquare) {
          ++p.legal_count;
          continue;
        }
      }
      if (!passes_threat_filter(p, m)) continue;

      if (hand_off(p, depth, beta, alpha, killers, pv, m, excluded))
        notify(SearchEvent::MoveHandedOff, p, depth, read_bound(beta));
      else
        SearchMove(p, depth, beta, alpha, killers, pv, m, child, excluded);

      if (stop_requested()) break;
      if (epoch_stale(b)) {
        if (b.active_split != &p) break;
        b.epoch = flags.search_epoch.load(std::memory_order_relaxed);
      }
      // Workers may be raising alpha meanwhile.
      const int a = read_bound(alpha);
      const int bt = read_bound(beta);
      if (bt <= a) break;
      if (bt > p.expected && a < 9000) write_bound(beta, p.expected > a ? p.expected : a + 1);
    }
    if (b.active_split == &p) collect_workers(p);

    // Mate and stalemate.
    result = alpha;
    if ((p.flags & moveflag::kBadMove) == 0 && (alpha == -kScoreInfinite || p.legal_count == 0))
      result = in_check(p) ? p.floor : 0;
  }

  // Store, or only release.
  if (entry.held) {
    TTEntry& e = *entry.entry;
    bool store = tt_read(e.depth_key) <= depth_key && !((p.flags & moveflag::kBadMove) && result < beta) &&
                 !search_interrupted(b);
    if (store) {
      tt_write(e.score, result);
      tt_write(e.depth_key, depth_key);
      if (pv[0] != kNullMove) {
        tt_write(e.move_from, move_from(pv[0]));
        tt_write(e.move_to, pv[0] >> 8);
      }
      e.flags.store(static_cast<uint16_t>(p.bound_flags | (entry.flags_before & ttflag::kOwnerMask)),
                    std::memory_order_release);
      entry.given_back();
    } else {
      entry.release();
    }
  }
  return result;
}

}  // namespace ostrim
