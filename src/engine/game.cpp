#include "engine/game.h"

#include "board/attacks.h"
#include "board/game_record.h"
#include "board/makemove.h"
#include "board/movegen.h"
#include "board/notation.h"
#include "common/engine_flags.h"
#include "common/output.h"
#include "eval/evaluate.h"
#include "search/search.h"
#include "search/transposition.h"

namespace ostrim {
namespace {

const char* state_text(GameState s) {
  switch (s) {
    case GameState::WhiteWon: return "1-0";
    case GameState::Draw: return "1/2-1/2";
    case GameState::BlackWon: return "0-1";
    default: return "*";
  }
}

const char* reason_text(GameResult r) {
  switch (r) {
    case GameResult::Checkmate: return "checkmate";
    case GameResult::Stalemate: return "stalemate";
    case GameResult::Repetition: return "draw by repetition";
    case GameResult::InsufficientMaterial: return "draw due to insufficient material";
    case GameResult::FiftyMoves: return "draw due to 50-move rule";
    case GameResult::MoveListFull: return "move list overflow";
    default: return "";
  }
}

constexpr int kMatedBelow = -9990;
constexpr int kFiftyMoves = 100;  // half-moves

// Whether the position stands in the game three times: the game's keys are
// marked in the table the way a search marks them, and the position's mark
// counts its occurrences.
bool threefold(const Position& r) {
  mark_game_history();
  const TTEntry* e = find_entry(r.key);
  bool thrice = e != nullptr && (e->flags.load() & ttflag::kOccurrences) == ttflag::kOccurrences;
  unmark_game_history();
  return thrice;
}

// A one-ply search from the position as a search root: counts its legal
// moves and tells mate from stalemate.
int legal_move_search(Position& r, int* legal_moves) {
  // Outside any iteration the root search reports nothing: this check is
  // silent and leaves the reported variation alone.
  search_state.iteration_depth = 0;
  main_board.epoch = 1;
  flags.stop.store(0, std::memory_order_relaxed);
  flags.search_epoch.store(1, std::memory_order_relaxed);
  r.refutation = kNullMove;
  r.killers[0] = kNullMove;
  r.parent = nullptr;
  r.floor = kRootFloor;
  r.status = (r.status & ~status::kAdjustmentPending) | status::kRootMarks;
  reset_generation(r);
  r.flags &= ~moveflag::kThreatPending;
  r.designated = &main_board.header;
  Evaluate(r, true);
  r.legal_count = 0;
  Move killers[2] = {kNullMove, kNullMove};
  Move pv[kVariationLength];
  const Move no_exclusions = kNullMove;
  int score = Search(r, 2, -9989, -kScoreInfinite, killers, pv, &no_exclusions);
  *legal_moves = r.legal_count;
  return score;
}

}  // namespace

GameResult check_game_state(Position& r) {
  game.state = GameState::InProgress;
  // Past the hundredth reversible half-move both sides are marked as unable
  // to win; that draw is the fifty-move rule's, not one of material.
  if ((r.status & status::kNoWinner) == status::kNoWinner && r.halfmove < kFiftyMoves) {
    game.state = GameState::Draw;
    return GameResult::InsufficientMaterial;
  }
  if (r.repetition >= 6 || threefold(r)) {
    game.state = GameState::Draw;
    return GameResult::Repetition;
  }
  if (r.halfmove >= kFiftyMoves) {
    game.state = GameState::Draw;
    return GameResult::FiftyMoves;
  }
  int legal_moves = 0;
  int score = legal_move_search(r, &legal_moves);
  if (legal_moves != 0)
    return game.moves_played >= kGameMoveCapacity ? GameResult::MoveListFull : GameResult::GoesOn;
  if (score > kMatedBelow) {
    game.state = GameState::Draw;
    return GameResult::Stalemate;
  }
  game.state = r.side > 0 ? GameState::BlackWon : GameState::WhiteWon;
  return GameResult::Checkmate;
}

GameResult play_game_move(Move m) {
  Position child;
  construct_position(child, main_board);
  Colour mover = root_position.side;
  stop_stopwatch(clock_of(mover));
  make_full_move(root_position, m, child);
  if (game.moves_played < kGameMoveCapacity) {
    game.moves[game.moves_played] = GameMove{clock_of(mover).accumulated, m};
    ++game.moves_played;
  }
  game.moves_to_replay = game.moves_played;
  copy_position(root_position, child);
  root_position.parent = nullptr;  // the game's root has no parent in any search
  record_root_key(root_position);
  Position copy;
  construct_position(copy, main_board);
  copy_position(copy, root_position);
  GameResult result = check_game_state(copy);
  start_stopwatch(clock_of(root_position.side));
  if (root_position.side > 0) ++game.move_number;
  return result;
}

bool apply_game_move(const char* text) {
  // A draw is claimed under the rules, and interfaces play on and analyse
  // past it; after mate or stalemate no move is found.
  Move m = find_move(root_position, text);
  if (m == kNullMove) return false;
  GameResult result = play_game_move(m);
  if (result != GameResult::GoesOn)
    output_line("info string result %s %s", state_text(game.state), reason_text(result));
  return true;
}

}  // namespace ostrim
