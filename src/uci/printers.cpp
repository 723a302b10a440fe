#include "uci/printers.h"

#include <cstring>

#include "board/game_record.h"
#include "board/makemove.h"
#include "board/movegen.h"
#include "board/notation.h"
#include "common/output.h"
#include "common/report.h"
#include "common/settings.h"
#include "search/parallel.h"
#include "search/search_clock.h"

namespace ostrim::uci {
namespace {

constexpr int kMateReportScore = 9000;  // from here on a score prints as a mate
constexpr int kVariationTextSize = kReportedVariationLength * kMoveTextSize + 1;

// Only one thread prints at a time, so one scratch copy of the root serves.
Board scratch_board;
Position scratch_path[kReportedVariationLength + 1];

// The variation's text, each move after a space, made on a copy of the root.
// A move that is not legal where it stands ends the text.
void variation_text(char* text, const Move* variation, const Position& root) {
  text[0] = '\0';
  for (Position& p : scratch_path) construct_position(p, scratch_board);
  clone_board(scratch_board, scratch_path[0], *root.board, root);
  std::size_t length = 0;
  for (int i = 0; i < kReportedVariationLength && variation[i] != kNullMove; ++i) {
    Position& p = scratch_path[i];
    if (!is_legal_move(p, variation[i])) break;
    char move[kMoveTextSize];
    move_text_in(move, p, variation[i]);
    text[length++] = ' ';
    std::size_t move_length = std::strlen(move);
    std::memcpy(text + length, move, move_length + 1);
    length += move_length;
    make_full_move(p, variation[i], scratch_path[i + 1]);
  }
}

}  // namespace

int shown_score(int score, int contempt) {
  bool corrected = score != 0 && score > -kMateReportScore && score < kMateReportScore;
  // 32-bit arithmetic that wraps: setoption stores any Contempt unchecked.
  return corrected ? static_cast<int>(static_cast<unsigned>(score) - static_cast<unsigned>(contempt)) : score;
}

void print_variation(int depth, int score, const Move* variation, const Position* root) {
  int shown = shown_score(score, settings.contempt);
  report.last_score = shown;
  int copied = 0;
  for (; copied < kReportedVariationLength && variation[copied] != kNullMove; ++copied)
    report.variation[copied] = variation[copied];
  for (int i = copied; i < kReportedVariationLength; ++i) report.variation[i] = kNullMove;

  char text[kVariationTextSize];
  variation_text(text, report.variation, root != nullptr ? *root : root_position);
  int time = depth != 0 ? search_elapsed() : 0;
  long long nodes = static_cast<long long>(searched_nodes());
  long tablebase_hits = report.tablebase_hits.load();
  int multipv = report.multipv_index + 1;
  if (score >= kMateReportScore || score <= -kMateReportScore) {
    int mate = score > 0 ? (kScoreInfinite - shown) / 2 : (-kScoreInfinite - shown) / 2;
    output_line("info depth %d score mate %d nodes %lld tbhits %ld time %d multipv %d pv %s", depth, mate,
                nodes, tablebase_hits, time, multipv, text);
  } else {
    output_line("info depth %d score cp %d nodes %lld tbhits %ld time %d multipv %d pv %s", depth, shown,
                nodes, tablebase_hits, time, multipv, text);
  }
}

void print_current_move(int depth, const Position* child) {
  if (child == nullptr) {
    output_line("info depth %d nodes %lld", depth, static_cast<long long>(searched_nodes()));
    return;
  }
  // The root counts the moves it has searched in this pass: a move searched
  // again keeps its number, and each pass and iteration starts at 1.
  int number = child->parent->legal_count + 1;
  // The piece now on the to-square; a queen that a promotion made is
  // written as the pawn it was, so that the text gets its promotion letter.
  int letter = piece_at(*child->board, move_to(child->move))->type->letter;
  if ((child->flags & moveflag::kSpecial) != 0 && (letter == 'Q' || letter == 'q'))
    letter = letter == 'Q' ? 'P' : 'p';
  char move[kMoveTextSize];
  move_to_uci(move, child->move, letter);
  output_line("info currmove %s currmovenumber %d", move, number);
}

void print_bestmove(Move best, Move ponder) {
  char best_text[kMoveTextSize];
  move_text_in(best_text, root_position, best);
  if (move_from(ponder) == kNullSquare) {
    output_line("bestmove %s", best_text);
    return;
  }
  char ponder_text[kMoveTextSize];
  move_text_in(ponder_text, root_position, ponder);
  output_line("bestmove %s ponder %s", best_text, ponder_text);
}

}  // namespace ostrim::uci
