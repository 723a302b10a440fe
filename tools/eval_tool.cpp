// ostrim-tool eval "<FEN>": the static evaluation of a position, term by term.
#include <cstdio>

#include "board/game_record.h"
#include "board/keys.h"
#include "board/setup.h"
#include "common/engine_flags.h"
#include "common/settings.h"
#include "eval/evaluate.h"
#include "tool_registry.h"

namespace ostrim::tools {
namespace {

char piece_letter(const PieceRecord& r) { return static_cast<char>(r.type->letter); }

int run_eval(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: ostrim-tool eval \"<FEN>\"\n");
    return 2;
  }
  draw_hash_keys();
  if (setup_position(argv[1]) != 0) {
    std::fprintf(stderr, "ostrim-tool eval: position refused: %s\n", argv[1]);
    return 1;
  }
  settings.contempt = 0;
  flags.root_side.store(root_position.side, std::memory_order_relaxed);
  EvalReport report = evaluate_with_report(root_position, true);
  Board& b = main_board;
  std::printf("evaluator %s\n", report.endgame ? "endgame" : "middlegame");
  std::printf("term %d\n", report.term);
  std::printf("eval %d\n", report.score);
  std::printf("complexity %d\n", b.eval.complexity);
  std::printf("drawish %d\n", b.eval.drawish);
  for (int slot = kSlotCount; slot >= 1; --slot) {
    const PieceRecord& r = b.slots[slot];
    if (r.colour == kNoColour || !on_board(r.square)) continue;
    std::printf("%c%d %c %d\n", 'a' + file_of(r.square), 1 + rank_of(r.square), piece_letter(r),
                r.score);
  }
  return 0;
}

const bool registered = register_tool(
    {"eval", "\"<FEN>\"", "static evaluation: evaluator, term and final score, every piece's score",
     run_eval});

}  // namespace
}  // namespace ostrim::tools
