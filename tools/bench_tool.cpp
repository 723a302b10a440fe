// ostrim-tool bench: a fixed set of positions searched to a fixed depth with
// a fresh table on one thread; the node count is the search's signature.
// With more threads the count varies from run to run; the time is the point.
#include <cstdio>
#include <cstdlib>

#include "board/setup.h"
#include "search/parallel.h"
#include "search/transposition.h"
#include "search_runner.h"
#include "tool_registry.h"

namespace ostrim::tools {
namespace {

constexpr int kDefaultDepth = 10;  // half plies
constexpr int kBenchHashMb = 16;

// Openings, middlegames, endgames and tactics.
constexpr const char* kBenchPositions[] = {
    "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1",
    "r1bqkbnr/pppp1ppp/2n5/4p3/4P3/5N2/PPPP1PPP/RNBQKB1R w KQkq - 2 3",
    "rnbqkb1r/pp2pppp/3p1n2/8/3NP3/8/PPP2PPP/RNBQKB1R w KQkq - 1 5",
    "rnbqk2r/ppp1ppbp/3p1np1/8/2PPP3/2N5/PP3PPP/R1BQKBNR w KQkq - 1 5",
    "r1bqk2r/pppp1ppp/2n2n2/2b1p3/2B1P3/2N2N2/PPPP1PPP/R1BQK2R w KQkq - 6 5",
    "rnbqkb1r/ppp2ppp/4pn2/3p4/2PP4/2N5/PP2PPPP/R1BQKBNR w KQkq - 2 4",
    "r1bq1rk1/pp2ppbp/2np1np1/8/3NP3/2N1BP2/PPPQ2PP/R3KB1R w KQ - 3 9",
    "r2q1rk1/ppp2ppp/2np1n2/2b1p1B1/2B1P1b1/2NP1N2/PPP2PPP/R2Q1RK1 w - - 6 8",
    "2r2rk1/1b3p1p/p5p1/q2pb3/Pp6/3BP2P/1P1NQPP1/3R1RK1 w - - 0 1",
    "r2qr1k1/pp3pp1/1np2b1p/5b2/3P4/1BN2N1P/PP3PP1/2RQR1K1 w - - 0 1",
    "r3k2r/p1ppqpb1/bn2pnp1/3PN3/1p2P3/2N2Q1p/PPPBBPPP/R3K2R w KQkq - 0 1",
    "r1b2rk1/2q1b1pp/p2ppn2/1p6/3QP3/1BN1B3/PPP3PP/R4RK1 w - - 0 1",
    "2rq1rk1/pp1bppbp/2np1np1/8/3NP3/1BN1BP2/PPPQ2PP/2KR3R b - - 0 1",
    "r1bqkb1r/4npp1/p1p4p/1p1pP1B1/8/1B6/PPPN1PPP/R2Q1RK1 w kq - 0 1",
    "r4rk1/1pp1qppp/p1np1n2/2b1p1B1/2B1P1b1/P1NP1N2/1PP1QPPP/R4RK1 w - - 0 10",
    "2kr3r/pp1q1ppp/5n2/1Nb5/2Pp1B2/7Q/P4PPP/1R3RK1 w - - 0 1",
    "r3r1k1/2p2ppp/p1p1bn2/8/1q2P3/2NPQN2/PPP3PP/R4RK1 b - - 2 15",
    "3r1rk1/p5pp/bpp1pp2/8/q1PP1P2/b3P3/P2NQRPP/1R2B1K1 b - - 6 22",
    "r1q2rk1/2p1bppp/2Pp4/p6b/Q1PNp3/4B3/PP1R1PPP/2K4R w - - 2 18",
    "4k2r/1pb2ppp/1p2p3/1R1p4/3P4/2r1PN2/P4PPP/1R4K1 b - - 3 22",
    "3q2k1/pb3p1p/4pbp1/2r5/PpN2N2/1P2P2P/5PP1/Q2R2K1 b - - 4 26",
    "6k1/6p1/6Pp/ppp5/3pn2P/1P3K2/1PP2P2/3N4 b - - 0 1",
    "3b4/5kp1/1p1p1p1p/pP1PpP1P/P1P1P3/3KN3/8/8 w - - 0 1",
    "2K5/p7/7P/5pR1/8/5k2/r7/8 w - - 0 1",
    "8/6pk/1p6/8/PP3p1p/5P2/4KP1q/3Q4 w - - 0 1",
    "7k/3p2pp/4q3/8/4Q3/5Kp1/P6b/8 w - - 0 1",
    "8/2p5/8/2kPKp1p/2p4P/2P5/3P4/8 w - - 0 1",
    "8/1p3pp1/7p/5P1P/2k3P1/8/2K2P2/8 w - - 0 1",
    "8/pp2r1k1/2p1p3/3pP2p/1P1P1P1P/P5KR/8/8 w - - 0 1",
    "8/3p4/p1bk3p/Pp6/1Kp1PpPp/2P2P1P/2P5/5B2 b - - 0 1",
    "5k2/7R/4P2p/5K2/p1r2P1p/8/8/8 b - - 0 1",
    "6k1/6p1/P6p/r1N5/5p2/7P/1b3PP1/4R1K1 w - - 0 1",
    "1r3k2/4q3/2Pp3b/3Bp3/2Q2p2/1p1P2P1/1P2KP2/3N4 w - - 0 1",
    "6k1/4pp1p/3p2p1/P1pPb3/R7/1r2P1PP/3B1P2/6K1 w - - 0 1",
    "8/3p3B/5p2/5P2/p7/PP5b/k7/6K1 w - - 0 1",
    "8/8/8/8/5kp1/P7/8/1K1N4 w - - 0 1",
    "8/8/8/5N2/8/p7/8/2NK3k w - - 0 1",
    "8/8/1P6/5pr1/8/4R3/7k/2K5 w - - 0 1",
    "8/2p4P/8/kr6/6R1/8/8/1K6 w - - 0 1",
    "8/8/3P3k/8/1p6/8/1P6/1K3n2 b - - 0 1",
};

int run_bench(int argc, char** argv) {
  int depth = argc >= 2 ? std::atoi(argv[1]) : kDefaultDepth;
  if (depth < 1) depth = kDefaultDepth;
  int threads = argc >= 3 ? std::atoi(argv[2]) : 1;
  init_engine_for_tools(kBenchHashMb);
  // One thread is the signature; more show the parallel search's speed.
  if (threads > 1) start_search_pool(threads);
  uint64_t nodes = 0;
  int64_t milliseconds = 0;
  int index = 0;
  for (const char* fen : kBenchPositions) {
    ++index;
    if (setup_position(fen) != 0) {
      std::fprintf(stderr, "bench: position %d refused: %s\n", index, fen);
      return 2;
    }
    clear_table();
    RunResult r = run_search(depth, 0);
    nodes += r.nodes;
    milliseconds += r.milliseconds;
    std::fprintf(stderr, "position %2d: %10llu nodes %6d ms\n", index,
                 static_cast<unsigned long long>(r.nodes), r.milliseconds);
  }
  long long nps = milliseconds > 0 ? static_cast<long long>(nodes * 1000 / milliseconds) : 0;
  if (threads > 1) std::printf("bench: threads %d\n", search_threads());
  std::printf("bench: nodes %llu time %lld nps %lld\n", static_cast<unsigned long long>(nodes),
              static_cast<long long>(milliseconds), nps);
  return 0;
}

const bool registered = register_tool(
    {"bench", "[depth] [threads]",
     "searches a fixed set of positions to a depth (half plies, default 10) on one thread (or more); prints the node signature",
     run_bench});

}  // namespace
}  // namespace ostrim::tools
