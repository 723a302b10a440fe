#include "support/search_fixture.h"

#include <gtest/gtest.h>

#include "board/keys.h"
#include "board/notation.h"
#include "board/setup.h"
#include "common/engine_flags.h"
#include "common/hooks.h"
#include "common/report.h"
#include "search/driver.h"
#include "search/parallel.h"
#include "search/search_clock.h"
#include "search/transposition.h"

namespace ostrim::testing {
namespace {

SearchOutcome* current = nullptr;

void capture_variation(int depth, int score, const Move* variation, const Position*) {
  ReportedLine line{depth, score, {}};
  for (int i = 0; i < kReportedVariationLength && variation[i] != kNullMove; ++i) {
    line.variation.push_back(variation[i]);
    report.variation[i] = variation[i];
  }
  report.variation[line.variation.size() < kReportedVariationLength ? line.variation.size() : 0] = kNullMove;
  if (current) current->lines.push_back(line);
}

}  // namespace

SearchOutcome search_position(const char* fen, int depth, int multipv) {
  if (transposition_table.entries == nullptr) engine_initialise(4u << 20);
  EXPECT_EQ(setup_position(fen), 0) << fen;
  clear_table();
  SearchOutcome outcome;
  current = &outcome;
  Hooks saved = hooks;
  hooks = Hooks{};
  hooks.print_variation = capture_variation;
  SearchLimits limits;
  limits.kind = kKindDepth;
  limits.depth = depth;
  limits.depth_limit = 60;
  limits.multipv = multipv;
  search_clock.soft_time = search_clock.hard_time = 0;
  search_clock.target_time = 50;
  flags.root_side.store(root_position.side);
  set_engine_state(EngineState::Thinking);
  search_driver(root_position, limits);
  set_engine_state(EngineState::Idle);
  hooks = saved;
  current = nullptr;
  outcome.best = report.variation[0];
  outcome.nodes = searched_nodes();
  return outcome;
}

std::string root_move_text(Move m) {
  char text[kMoveTextSize];
  move_text_in(text, root_position, m);
  return text;
}

}  // namespace ostrim::testing
