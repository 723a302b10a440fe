// ostrim-tool tb probe: what the tablebases in a directory say about a
// position and about each of its legal moves.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "board/attacks.h"
#include "board/game_record.h"
#include "board/keys.h"
#include "board/makemove.h"
#include "board/movegen.h"
#include "board/notation.h"
#include "board/setup.h"
#include "tablebase/block_cache.h"
#include "tablebase/probe.h"
#include "tablebase/registry.h"
#include "tb_tool.h"

namespace ostrim::tools {
namespace {

constexpr uint64_t kProbeCacheBytes = 4 * 1024 * 1024;

std::string value_text(bool found, int distance) {
  if (!found) return "unknown";
  if (distance == 0) return "draw";
  char text[32];
  std::snprintf(text, sizeof text, distance > 0 ? "mate in %d" : "mated in %d", distance > 0 ? distance : -distance);
  return text;
}

// A move's value for its mover: the child's value turned round and counted
// from before the move.
std::string move_value_text(Position& child, bool found, int child_distance) {
  if (!found && count_legal_moves(child) == 0) return in_check(child) ? "checkmate" : "stalemate";
  if (!found || child_distance == 0) return value_text(found, 0);
  return value_text(true, child_distance < 0 ? 1 - child_distance : -child_distance);
}

// Probes the root and each legal move's child `rounds` times and prints
// the probes per second (the blocks are cached after the first round).
void bench_probes(Position& root, long rounds) {
  Board& b = *root.board;
  Position child;
  construct_position(child, b);
  long probes = 0;
  auto start = std::chrono::steady_clock::now();
  for (long round = 0; round < rounds; ++round) {
    int value;
    tablebase::probe_tablebase(b, root.side, tablebase::probe_en_passant(root), &value);
    ++probes;
    reset_generation(root);
    for (Move m = next_move(root); m != kNullMove; m = next_move(root)) {
      make_full_move(root, m, child);
      if (!attacked_by(b, child.side, king_of(b, root.side)->square)) {
        tablebase::probe_tablebase(b, child.side, tablebase::probe_en_passant(child), &value);
        ++probes;
      }
      unmake_move(child);
    }
  }
  double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  std::printf("%ld probes in %.3f s: %.0f probes per second\n", probes, seconds, probes / seconds);
}

int run_tb_probe(int argc, char** argv) {
  long rounds = 0;
  if (argc == 5 && std::strcmp(argv[3], "--bench") == 0) {
    rounds = std::strtol(argv[4], nullptr, 10);
    argc = 3;
  }
  if (argc != 3) {
    std::fprintf(stderr, "usage: ostrim-tool tb probe <directory> \"<FEN>\" [--bench <rounds>]\n");
    return 2;
  }
  draw_hash_keys();
  if (setup_position(argv[2]) != 0) {
    std::fprintf(stderr, "tb probe: illegal position: %s\n", argv[2]);
    return 2;
  }
  int men = tablebase::initialise_tablebases(argv[1]);
  tablebase::set_up_cache(kProbeCacheBytes);
  std::printf("tables found: up to %d men\n", men);

  Position& root = root_position;
  Board& b = *root.board;
  if (rounds > 0) {
    bench_probes(root, rounds);
    return 0;
  }
  int value = 0;
  bool found = tablebase::probe_tablebase(b, root.side, tablebase::probe_en_passant(root), &value) != 0;
  std::printf("position: %s\n", value_text(found, value).c_str());

  // Each move with the value of its child, from the mover's view.
  Position child;
  construct_position(child, b);
  reset_generation(root);
  for (Move m = next_move(root); m != kNullMove; m = next_move(root)) {
    char text[kMoveTextSize];
    move_text_in(text, root, m);
    make_full_move(root, m, child);
    if (!attacked_by(b, child.side, king_of(b, root.side)->square)) {
      int child_value = 0;
      bool child_found =
          tablebase::probe_tablebase(b, child.side, tablebase::probe_en_passant(child), &child_value) != 0;
      std::printf("%s %s\n", text, move_value_text(child, child_found, child_value).c_str());
    }
    unmake_move(child);
  }
  return found ? 0 : 1;
}

const bool registered = register_tb_command(
    {"probe", "<directory> \"<FEN>\" [--bench <rounds>]",
     "the tablebase value of a position and, from the mover's view, of each legal move", run_tb_probe});

}  // namespace
}  // namespace ostrim::tools
