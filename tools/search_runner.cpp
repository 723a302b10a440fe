#include "search_runner.h"

#include <chrono>

#include "board/game_record.h"
#include "common/engine_flags.h"
#include "common/hooks.h"
#include "common/report.h"
#include "platform/timer.h"
#include "search/driver.h"
#include "search/parallel.h"
#include "search/search_clock.h"
#include "search/transposition.h"

namespace ostrim::tools {
namespace {

constexpr int kTickMs = 20;  // finer than the engine's 200 ms: tools stop close to the time

void timer_tick(void*) { check_deadlines(); }

// Keeps what the search reports as the principal variation printer would,
// without printing it.
void keep_variation(int, int score, const Move* variation, const Position*) {
  report.last_score = score;
  int i = 0;
  for (; i < kReportedVariationLength && variation[i] != kNullMove; ++i) report.variation[i] = variation[i];
  if (i < kReportedVariationLength) report.variation[i] = kNullMove;
}

}  // namespace

void init_engine_for_tools(int hash_mb) {
  engine_initialise(static_cast<uint64_t>(hash_mb) << 20);
  hooks.print_variation = keep_variation;
}

RunResult run_search(int depth, int movetime) {
  RunResult r;
  SearchLimits limits;
  limits.kind = movetime > 0 ? kKindMoveTime : kKindDepth;
  limits.depth = depth;
  limits.depth_limit = movetime > 0 ? 60 : (depth > 0 ? depth : 60);
  search_clock.soft_time = movetime;
  search_clock.hard_time = movetime;
  search_clock.target_time = movetime > 0 ? movetime * 3 / 4 : 50;
  flags.root_side.store(root_position.side, std::memory_order_relaxed);
  set_engine_state(EngineState::Thinking);
  platform::PeriodicTimer* timer = nullptr;
  if (movetime > 0) timer = platform::start_periodic_timer(kTickMs, timer_tick, nullptr, 0);
  auto start = std::chrono::steady_clock::now();
  search_driver(root_position, limits);
  auto end = std::chrono::steady_clock::now();
  if (timer) platform::stop_periodic_timer(timer);
  set_engine_state(EngineState::Idle);
  r.best = report.variation[0];
  r.nodes = searched_nodes();
  r.milliseconds = static_cast<int32_t>(std::chrono::duration_cast<std::chrono::milliseconds>(end - start).count());
  return r;
}

}  // namespace ostrim::tools
