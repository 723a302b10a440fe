#pragma once
// The node searches: `Search` and `SearchMove` (full-width, with the table),
// `FrontierSearch` (the last full-width ply), `QuiescenceSearch` (captures
// and promotions) and `CaptureSearch` (exchanges on one square). Depth is in
// half plies; every window is passed beta first; results fail hard low.
#include <atomic>
#include <cstdint>

#include "board/board.h"

namespace ostrim {

constexpr int kVariationLength = 19;  // best move plus 18 moves of the reply
constexpr int kMaxPly = 120;          // the searches stand pat beyond it

// What the driver keeps for one search, read by the node searches.
struct SearchState {
  int32_t iteration_depth = 0;
  int32_t previous_score = -kScoreInfinite;  // of the last completed iteration
  // Set for the rest of a search that is about to promote: the probe hook
  // stays installed (an option change may replace it meanwhile), the search
  // just does not call it.
  int32_t tablebases_off = 0;
};

extern SearchState search_state;

// Decisions of the node searches, reported to a listener when one is set
// (tests watch the search's choices through it; nothing else sets it).
enum class SearchEvent {
  NullMoveByFrontier,   // the null move searched by the frontier search
  NullMoveBySearch,     // ... by the node search
  NullMoveVerified,     // a null-move fail high checked by a same-side search
  BetaNarrowed,         // beta lowered to the expected score
  DrawishMoveScoredZero,
  MoveHandedOff,        // a move given to a worker (reported by the giving thread)
  WorkerMoveRestarted,  // a worker's move searched again against new shared bounds
};
using SearchListener = void (*)(SearchEvent event, const Position& p, int depth, int beta);
extern SearchListener search_listener;

inline void notify(SearchEvent event, const Position& p, int depth, int beta) {
  if (search_listener != nullptr) search_listener(event, p, depth, beta);
}

int Search(Position& p, int depth, int beta, int alpha, Move* killers, Move* pv,
           const Move* excluded);
void SearchMove(Position& p, int depth, int& beta, int& alpha, Move* killers, Move* pv, Move m,
                Position& child, const Move* excluded);
int FrontierSearch(Position& p, int depth, int beta, int alpha, Move* killers, Move* pv);
int QuiescenceSearch(Position& p, int beta, int alpha, Move* killers, Move* pv);
int CaptureSearch(Position& p, int beta, int alpha, Move* refutation);

// Whether m stays good against the opponent's last move: cheap geometry
// first, else a quiescence search of the position after m.
bool move_is_safe(Position& p, Move m);

}  // namespace ostrim
