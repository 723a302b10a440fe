#pragma once
// The search and the engine thread reach the protocol only through these
// hooks, installed at engine start by the UCI front end. An absent hook is
// skipped: an absent poll means the search never polls.
#include <atomic>
#include <cstdint>

namespace ostrim {

using Move = std::uint16_t;  // the same alias as board/types.h
struct Position;
struct Board;

struct Hooks {
  // "info depth ... pv ..." for an iteration depth, a root-side score and a
  // variation ending at the null move.
  void (*print_variation)(int depth, int score, const Move* variation, const Position* root) = nullptr;
  // With no child: "info depth %d nodes %lld"; with the child just made from
  // the root: "info currmove ..."
  void (*print_current_move)(int depth, const Position* child) = nullptr;
  // Takes one pending engine command without waiting.
  void (*poll_commands)() = nullptr;
  // "bestmove ..." for the root position.
  void (*print_bestmove)(Move best, Move ponder) = nullptr;
  // Tablebase probe: 1 and a distance in *value when found. Read and
  // called only under the search lock, which its installer also holds.
  int (*probe_tablebase)(Board& board, int side_to_move, int ep_square, int* value) = nullptr;
};

extern Hooks hooks;

// The most men (kings included) of any tablebase class loaded; the search
// probes only positions with at most that many. 0 while the probe is off.
extern std::atomic<int32_t> tablebase_men;

}  // namespace ostrim
