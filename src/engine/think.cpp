#include "engine/think.h"

#include "board/game_record.h"
#include "board/movegen.h"
#include "book/book.h"
#include "common/engine_flags.h"
#include "common/hooks.h"
#include "common/output.h"
#include "common/report.h"
#include "engine/clock_guard.h"
#include "engine/engine_thread.h"
#include "engine/time_control.h"
#include "platform/sleep.h"
#include "search/driver.h"
#include "search/search_clock.h"

namespace ostrim {

OptionReader option_reader;
BookLookup book_lookup = book::book_move;

namespace {

constexpr uint32_t kBookThresholdPerStep = 10;  // Book_selectivity counts in tens

int32_t option_value(const char* name, int32_t fallback) {
  return option_reader.integer != nullptr ? option_reader.integer(name) : fallback;
}

bool option_set(const char* name) { return option_reader.flag != nullptr && option_reader.flag(name); }

void print_bestmove(Move best, Move ponder) {
  if (hooks.print_bestmove != nullptr) hooks.print_bestmove(best, ponder);
}

// A book move is trusted by key alone; one that is not legal here (a key
// collision, a corrupt file) counts as no book move.
Move legal_book_move(const Position& root) {
  // Wrapping product: setoption stores any value unchecked.
  uint32_t selectivity = static_cast<uint32_t>(option_value("Book_selectivity", 0));
  Move m = book_lookup(root, static_cast<int32_t>(selectivity * kBookThresholdPerStep));
  if (move_from(m) == kNullSquare || !is_legal_move(root, m)) return kNullMove;
  return m;
}

void answer_from_book(Move m) {
  Move variation[kReportedVariationLength] = {m};
  for (int i = 1; i < kReportedVariationLength; ++i) variation[i] = kNullMove;
  report.multipv_index = 0;
  for (int i = 0; i < kReportedVariationLength; ++i) report.variation[i] = variation[i];
  if (hooks.print_variation != nullptr) hooks.print_variation(0, 0, variation, nullptr);
  set_engine_state(EngineState::Idle);
  print_bestmove(m, kNullMove);
}

}  // namespace

// The answer is given when a search would give it: a ponder or infinite
// think waits for ponderhit or stop.
void answer_without_search(int mode, const char* why) {
  output_line("info string No search: %s", why);
  search_clock.soft_time = 0;  // a ponderhit arms no deadline
  flags.stop.store(0, std::memory_order_relaxed);
  set_engine_state(mode != kThinkNormal ? EngineState::Pondering : EngineState::Thinking);
  while (engine_state() == EngineState::Pondering && !stop_requested() && hooks.poll_commands != nullptr) {
    hooks.poll_commands();
    platform::sleep_ms(1);
  }
  set_engine_state(EngineState::Idle);
  print_bestmove(kNullMove, kNullMove);
}

void run_think(int mode, int kind, int time, int moves_to_go, int increment, int extra) {
  if (engine_state() != EngineState::Idle) assertion_failed(__LINE__);
  Colour side = root_position.side;
  TimeRequest request{kind, time, moves_to_go, increment, extra, clock_of(side).accumulated, game.move_number,
                      take_noted_clock(side, time), take_noted_increment(side)};
  if (moves_refused.load()) {
    answer_without_search(mode, "a move of the last position was refused");
    return;
  }
  set_engine_state(mode != kThinkNormal ? EngineState::Pondering : EngineState::Thinking);
  SearchLimits limits;
  limits.kind = kind;
  limits.depth = time;
  limits.depth_limit = option_value("Depth_limit", limits.depth_limit);

  if (option_set("OwnBook") && mode != kThinkInfinite) {
    Move m = legal_book_move(root_position);
    if (m != kNullMove) {
      answer_from_book(m);
      return;
    }
  }

  limits.multipv = mode == kThinkInfinite ? option_value("MultiPV", 1) : 1;
  TimeBudgets budgets = allocate_time(request);
  search_clock.soft_time = budgets.soft;
  search_clock.hard_time = budgets.hard;
  search_clock.target_time = budgets.target;
  int32_t guard = guard_time(request, budgets, request.clock_ms, request.increment_ms);
  prepare_guard(guard);
  // A deadline that is the whole of the time (a fixed time per move), a
  // guard on a short clock or any deadline under a second must be checked
  // more often than every 200 ms.
  bool fine_ticks =
      guard != kNoGuard || (budgets.soft >= 1 && (kind == kKindMoveTime || budgets.hard < kFineTicksBelowMs));
  if (fine_ticks) start_fine_timer();
  if (engine_state() == EngineState::Thinking) arm_guard();

  search_driver(root_position, limits);

  disarm_guard();
  prepare_guard(kNoGuard);
  if (fine_ticks) stop_fine_timer();
  set_engine_state(EngineState::Idle);
  print_bestmove(report.variation[0], report.variation[1]);
}

bool stop_pondering() {
  if (engine_state() != EngineState::Pondering) return false;
  if (search_clock.score_stable.load() != 0 && search_clock.time_up.load() != 0) request_stop();
  set_engine_state(EngineState::Thinking);
  if (search_clock.soft_time >= 1) set_deadlines(search_clock.soft_time, search_clock.hard_time);
  arm_guard();
  return true;
}

}  // namespace ostrim
