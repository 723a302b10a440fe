// ostrim-tool perft: move-generator counts for one position or a suite.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>

#include "board/attacks.h"
#include "board/game_record.h"
#include "board/keys.h"
#include "board/makemove.h"
#include "board/movegen.h"
#include "board/notation.h"
#include "board/perft.h"
#include "board/setup.h"
#include "tool_registry.h"

namespace ostrim::tools {
namespace {

constexpr const char* kStartFen = "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1";

double seconds_since(std::chrono::steady_clock::time_point start) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

int perft_divide(int depth, const char* fen) {
  if (setup_position(fen) != 0) {
    std::fprintf(stderr, "perft: illegal position: %s\n", fen);
    return 2;
  }
  auto start = std::chrono::steady_clock::now();
  Position& root = root_position;
  Board& b = main_board;
  reset_generation(root);
  Position child;
  construct_position(child, b);
  uint64_t total = 0;
  for (Move m = next_move(root); m != kNullMove; m = next_move(root)) {
    char text[kMoveTextSize];
    move_text_in(text, root, m);
    make_full_move(root, m, child);
    if (!attacked_by(b, child.side, king_of(b, root.side)->square)) {
      uint64_t count = depth <= 1 ? 1 : perft(child, depth - 1);
      std::printf("%s %llu\n", text, static_cast<unsigned long long>(count));
      total += count;
    }
    unmake_move(child);
  }
  double seconds = seconds_since(start);
  std::printf("nodes %llu\n", static_cast<unsigned long long>(total));
  std::fprintf(stderr, "time %.3f s, %.0f nodes per second\n", seconds,
               seconds > 0 ? static_cast<double>(total) / seconds : 0.0);
  return 0;
}

int perft_suite(const char* path, int max_depth) {
  std::ifstream in(path);
  if (!in) {
    std::fprintf(stderr, "perft: cannot read %s\n", path);
    return 2;
  }
  int passed = 0;
  int failed = 0;
  std::string line;
  auto start = std::chrono::steady_clock::now();
  uint64_t all_nodes = 0;
  while (std::getline(in, line)) {
    std::size_t semicolon = line.find(';');
    if (semicolon == std::string::npos) continue;
    std::string fen = line.substr(0, semicolon);
    while (!fen.empty() && fen.back() == ' ') fen.pop_back();
    std::istringstream entries(line.substr(semicolon));
    std::string entry;
    while (std::getline(entries, entry, ';')) {
      int depth = 0;
      unsigned long long expected = 0;
      if (std::sscanf(entry.c_str(), " D%d %llu", &depth, &expected) != 2) continue;
      if (depth > max_depth) continue;
      if (setup_position(fen.c_str()) != 0) {
        std::printf("FAIL %s: illegal position\n", fen.c_str());
        ++failed;
        break;
      }
      uint64_t got = perft(root_position, depth);
      all_nodes += got;
      if (got == expected) {
        ++passed;
      } else {
        ++failed;
        std::printf("FAIL %s D%d: expected %llu, got %llu\n", fen.c_str(), depth, expected,
                    static_cast<unsigned long long>(got));
      }
    }
  }
  double seconds = seconds_since(start);
  std::printf("%d passed, %d failed\n", passed, failed);
  std::fprintf(stderr, "time %.3f s, %.0f nodes per second\n", seconds,
               seconds > 0 ? static_cast<double>(all_nodes) / seconds : 0.0);
  return failed == 0 ? 0 : 1;
}

int run_perft(int argc, char** argv) {
  draw_hash_keys();
  if (argc >= 3 && std::strcmp(argv[1], "--epd") == 0) {
    int max_depth = 1000;
    if (argc >= 5 && std::strcmp(argv[3], "--max-depth") == 0) max_depth = std::atoi(argv[4]);
    return perft_suite(argv[2], max_depth);
  }
  if (argc < 2) {
    std::fprintf(stderr, "usage: ostrim-tool perft <depth> [\"<FEN>\"] | --epd <file> [--max-depth D]\n");
    return 2;
  }
  return perft_divide(std::atoi(argv[1]), argc >= 3 ? argv[2] : kStartFen);
}

const bool registered = register_tool(
    {"perft", "<depth> [\"<FEN>\"] | --epd <file> [--max-depth D]",
     "counts legal move sequences; with --epd checks every ;Dn count of a suite", run_perft});

}  // namespace
}  // namespace ostrim::tools
