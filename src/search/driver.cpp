#include "search/driver.h"

#include "board/game_record.h"
#include "board/makemove.h"
#include "board/movegen.h"
#include "board/setup.h"
#include "common/hooks.h"
#include "common/report.h"
#include "eval/evaluate.h"
#include "eval/weights.h"
#include "platform/sleep.h"
#include "search/parallel.h"
#include "search/search.h"
#include "search/search_clock.h"
#include "search/search_support.h"
#include "search/transposition.h"

namespace ostrim {
namespace {

constexpr int kFirstDepth = 3;
constexpr int kShallowestDepth = 2;  // one ply: the node search is built for no less
constexpr int kThreatTestLag = 7;
constexpr int kMultiPvMargin = 10;
constexpr int kEasyMoveUpper = 70;
constexpr int kEasyMoveLower = 151;
constexpr int kStopRatio = 60;
constexpr int kThreatThresholdBase = 16;

struct EasyMove {
  int factor = 10;  // 10: no easy move
  int threshold = 0;
  Move move = kNullMove;
};

bool promotes(const Board& b, Move m) {
  Square to = move_to(m);
  return piece_at(b, move_from(m))->type->kind == kKindPawn && (to >= 112 || to < 16);
}

// A legal move to fall back on if the search is stopped before it reports.
void report_first_legal_move(Position& root) {
  Position scratch;
  copy_for_generation(scratch, root);
  report.variation[0] = kNullMove;
  for (Move m = next_move(scratch); m != kNullMove; m = next_move(scratch)) {
    if (leaves_king_safe(scratch, m)) {
      report.variation[0] = m;
      break;
    }
  }
  report.variation[1] = kNullMove;
}

void print_variation(int depth, int score, const Move* variation) {
  if (hooks.print_variation != nullptr) hooks.print_variation(depth, score, variation, nullptr);
}

// Waits, taking engine commands, while a finished search still ponders.
void wait_while_pondering() {
  while (engine_state() == EngineState::Pondering && !stop_requested()) {
    if (hooks.poll_commands == nullptr) break;
    hooks.poll_commands();
    platform::sleep_ms(1);
  }
}

}  // namespace

uint64_t engine_initialise(uint64_t table_bytes) {
  draw_hash_keys();
  search_state = SearchState{};
  if (table_bytes == 0) table_bytes = kDefaultTableBytes;
  if (!allocate_table(table_bytes)) return 0;
  init_board(main_board);
  construct_position(root_position, main_board);
  setup_position(nullptr);  // never search a position nobody set up
  return table_bytes;
}

bool resize_table(uint64_t table_bytes) {
  return allocate_table(table_bytes == 0 ? kDefaultTableBytes : table_bytes);
}

void root_threat_test(Position& root, int depth) {
  if (root.status & status::kTerminal) return;
  Position record;
  build_threat_record(record, root);
  int alpha = kThreatThresholdBase * pct(settings.minimum_threat_pct) / 100 + record.score;
  if (alpha < -kScoreInfinite) alpha = -kScoreInfinite;
  Move killers[2] = {kNullMove, kNullMove};
  Move pv[kVariationLength];
  int result;
  if (depth == 0)
    result = QuiescenceSearch(record, kScoreInfinite, alpha, killers, pv);
  else if (depth == 1)
    result = FrontierSearch(record, 1, kScoreInfinite, alpha, killers, pv);
  else
    result = Search(record, depth, kScoreInfinite, alpha, killers, pv, nullptr);
  Move threat = pv[0];
  if (threat != kNullMove && move_to_code(threat) < 0) return;  // an under-promotion changes nothing
  set_threat(root, threat, result);
}

void search_driver(Position& root, const SearchLimits& limits) {
  Board& b = *root.board;
  reset_stopwatch(search_clock.stopwatch);
  start_stopwatch(search_clock.stopwatch);
  if (engine_state() != EngineState::Pondering && search_clock.soft_time > 0)
    set_deadlines(search_clock.soft_time, search_clock.hard_time);
  flags.futility_margin.store(10, std::memory_order_relaxed);
  flags.stop.store(0, std::memory_order_relaxed);
  flags.search_epoch.store(1, std::memory_order_relaxed);
  b.epoch = 1;
  b.active_split = nullptr;
  b.held_entries = 0;
  search_state.tablebases_off = 0;

  root.parent = nullptr;
  root.floor = kRootFloor;
  root.killers[0] = kNullMove;
  root.status = (root.status & ~status::kAdjustmentPending) | status::kRootMarks;
  reset_generation(root);
  for (Move& m : b.white.threat_answers) m = kNullMove;
  for (Move& m : b.black.threat_answers) m = kNullMove;
  const int legal_moves = count_legal_moves(root);  // before the node count starts
  b.nodes = 0;
  reset_worker_nodes();
  report.tablebase_hits.store(0, std::memory_order_relaxed);
  report_first_legal_move(root);
  Move root_killers[2] = {kNullMove, kNullMove};
  Move best[kVariationLength] = {kNullMove};

  Evaluate(root, true);
  TTEntry* root_entry = find_entry(root.key);
  int table_depth = root_entry != nullptr ? root_entry->depth_key / 2 + 1 : 1;
  new_search(true);

  int depth = limits.kind == kKindDepth ? (limits.depth < limits.depth_limit ? limits.depth : limits.depth_limit)
                                        : kFirstDepth;
  if (depth < kShallowestDepth) depth = kShallowestDepth;
  root_threat_test(root, 0);
  EasyMove easy;
  search_state.previous_score = -kScoreInfinite;
  search_clock.score_stable.store(0, std::memory_order_relaxed);
  search_clock.time_up.store(0, std::memory_order_relaxed);

  Move excluded[64];
  excluded[0] = kNullMove;
  int score = -kScoreInfinite;

  for (;;) {
    search_state.iteration_depth = depth;
    report.multipv_index = 0;
    if (depth > kThreatTestLag && settings.use_threat_detection) {
      if (hooks.print_current_move != nullptr) hooks.print_current_move(depth, nullptr);
      root_threat_test(root, depth - kThreatTestLag);
    }
    if (stop_requested()) break;
    reset_generation(root);
    score = Search(root, depth, kScoreInfinite, -kScoreInfinite, root_killers, best, excluded);
    if (stop_requested()) break;
    int root_moves = root.legal_count;
    if (score <= -kScoreInfinite) best[0] = kNullMove;
    if (limits.multipv > 1) print_variation(depth, score, best);
    if (depth < 6 && best[0] != kNullMove && promotes(b, best[0])) search_state.tablebases_off = 1;

    // Further variations, each below the one before, while a legal move is
    // left that no earlier pass took.
    report.multipv_index = 1;
    int count = 1;
    excluded[count] = best[0];
    int line_score = score;
    const int variations = limits.multipv < legal_moves ? limits.multipv : legal_moves;
    while (report.multipv_index < variations && !stop_requested() && root_moves > 1 && count < 62) {
      reset_generation(root);
      Move killers[2] = {kNullMove, kNullMove};
      Move line[kVariationLength] = {kNullMove};
      line_score = Search(root, depth, line_score + kMultiPvMargin, -kScoreInfinite, killers, line,
                          &excluded[count]);
      if (stop_requested() || line[0] == kNullMove) break;  // never report an empty variation
      print_variation(depth, line_score, line);
      excluded[++count] = line[0];
      ++report.multipv_index;
    }
    report.multipv_index = 0;

    bool decided = limits.kind == kKindDepth || best[0] == kNullMove || depth >= limits.depth_limit ||
                   (root_moves == 1 && depth > 6 && score > -kScoreInfinite);
    if (decided) {
      if (limits.multipv == 1) print_variation(depth, score, best);
      wait_while_pondering();
      if (!stop_requested() && limits.multipv == 1) print_variation(depth, score, best);
      break;
    }

    int target = search_clock.target_time > 0 ? search_clock.target_time : 1;
    int ratio = static_cast<int>(static_cast<int64_t>(search_elapsed()) * 100 / target);
    if (ratio < 5 && score > -kScoreInfinite && limits.kind != kKindMoveTime && limits.multipv == 1) {
      auto* const printer = hooks.print_variation;
      hooks.print_variation = nullptr;
      reset_generation(root);
      Move killers[2] = {kNullMove, kNullMove};
      Move scratch[kVariationLength];
      Move only_best[2] = {kNullMove, best[0]};
      int alternative = Search(root, depth, score - kEasyMoveUpper, score - kEasyMoveLower, killers, scratch,
                               &only_best[1]);
      hooks.print_variation = printer;
      int diff = score - alternative;
      bool recapture = root.captured != &b.header && move_to(best[0]) == move_to(root.move);
      if (diff >= 150) {
        easy.factor = recapture ? 50 : 30;
        easy.threshold = alternative + 150;
      } else if (diff >= 71) {
        easy.factor = recapture ? 30 : 20;
        easy.threshold = alternative + 71;
      } else {
        easy.factor = 10;
      }
      easy.move = best[0];
    }
    if (stop_requested()) break;
    search_clock.score_stable.store(1, std::memory_order_relaxed);
    if (best[0] == easy.move && easy.factor != 10 && score >= easy.threshold) ratio = ratio * easy.factor / 10;
    bool timed = limits.kind != kKindInfinite && limits.kind != kKindMoveTime;
    if (score + 20 < search_state.previous_score && timed) ratio = 2 * ratio / 3;
    if (score < -50 && timed) ratio = 3 * ratio / 4;
    search_state.previous_score = score;
    if (ratio >= kStopRatio || depth > limits.depth_limit) {
      search_clock.time_up.store(1, std::memory_order_relaxed);
      if (engine_state() != EngineState::Pondering && limits.kind != kKindMoveTime) {
        if (limits.multipv == 1) print_variation(depth, score, best);
        break;
      }
    }
    int next;
    if (ratio >= 35 || depth + 1 == table_depth)
      next = depth + 1;
    else if (ratio >= 4 || depth + 2 == table_depth)
      next = depth + 2;
    else
      next = depth + 3;
    depth = next > limits.depth_limit ? limits.depth_limit : next;
  }

  // A stopped search releases its entries as it unwinds; the whole table is
  // only swept when some entry is still held (the sweep costs milliseconds
  // per hundred megabytes).
  end_search(stop_requested() && b.held_entries != 0);
  search_state.iteration_depth = 0;  // between searches no iteration runs
  disarm_deadlines();
  search_state.tablebases_off = 0;
}

}  // namespace ostrim
