#pragma once
// The static evaluation: the one call through which the search scores a
// position. It writes the position's incremental score (side to move's
// view) and rebuilds the board's evaluation state, which then scores every
// descendant reached by make/unmake.
#include "board/board.h"

namespace ostrim {

void Evaluate(Position& p, bool root);

// What one evaluation did, for tools and tests.
struct EvalReport {
  bool endgame;  // which term evaluator ran
  int term;      // its score, White's view
  int score;     // the position's score as stored
};
EvalReport evaluate_with_report(Position& p, bool root);

// The no-progress adjustment of a score t with the pending penalty p (> 0):
// returns the adjusted score and leaves in p what was taken off.
int apply_no_progress(int t, int& p);
// The contempt the advanced rule adds for score t at complexity c.
int advanced_contempt(int contempt, int complexity, int t);

}  // namespace ostrim
