#pragma once
// Result arithmetic of a match under the logistic Elo model: the score,
// the Elo difference with its 95 % interval, and the log-likelihood ratio
// of a sequential probability ratio test (the normal approximation of the
// generalised SPRT, over single games or over pairs of games that share
// an opening).
namespace ostrim::tools {

// Games from the first engine's view.
struct Tally {
  int wins = 0;
  int draws = 0;
  int losses = 0;
};

// Pairs of games on one opening with colours swapped, counted by the first
// engine's points in the pair: [0] 0, [1] 1/2, [2] 1, [3] 3/2, [4] 2.
struct PairTally {
  int counts[5] = {0, 0, 0, 0, 0};
};

struct EloEstimate {
  double score = 0.5;   // points per game
  double elo = 0;
  double error95 = 0;   // half the width of the 95 % interval, in Elo
};

struct SprtBounds {
  double lower = 0;  // at or below: H0 (elo0) accepted
  double upper = 0;  // at or above: H1 (elo1) accepted
};

enum class SprtDecision { Continue, AcceptH0, AcceptH1 };

// The expected score of a player that much stronger, and back.
double score_of_elo(double elo);
double elo_of_score(double score);  // infinite at 0 and 1

int games_of(const Tally& t);
int pairs_of(const PairTally& t);

// The estimate from single games; with no game, 0 ± infinity.
EloEstimate estimate_elo(const Tally& t);

// The log-likelihood ratio of elo1 against elo0; 0 while the results
// have no spread (no game, or all of one kind).
double llr_trinomial(const Tally& t, double elo0, double elo1);
double llr_pentanomial(const PairTally& t, double elo0, double elo1);

SprtBounds sprt_bounds(double alpha, double beta);
SprtDecision sprt_decision(double llr, const SprtBounds& bounds);

}  // namespace ostrim::tools
