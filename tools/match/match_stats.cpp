#include "match/match_stats.h"

#include <cmath>
#include <limits>

namespace ostrim::tools {
namespace {

constexpr double kZ95 = 1.959963984540054;  // two-sided 95 % of the normal law

// The normal approximation of the GSPRT: with mean mu and variance var of
// one observation over n observations, n ((mu - s0)^2 - (mu - s1)^2) / (2 var).
double llr_normal(double n, double mu, double var, double s0, double s1) {
  if (n <= 0 || var <= 0) return 0;
  return n * (s1 - s0) * (2 * mu - s0 - s1) / (2 * var);
}

}  // namespace

double score_of_elo(double elo) { return 1 / (1 + std::pow(10.0, -elo / 400)); }

double elo_of_score(double score) {
  if (score <= 0) return -std::numeric_limits<double>::infinity();
  if (score >= 1) return std::numeric_limits<double>::infinity();
  return -400 * std::log10(1 / score - 1);
}

int games_of(const Tally& t) { return t.wins + t.draws + t.losses; }

int pairs_of(const PairTally& t) {
  int n = 0;
  for (int c : t.counts) n += c;
  return n;
}

EloEstimate estimate_elo(const Tally& t) {
  EloEstimate e;
  const double n = games_of(t);
  if (n == 0) {
    e.error95 = std::numeric_limits<double>::infinity();
    return e;
  }
  const double mu = (t.wins + 0.5 * t.draws) / n;
  const double var = (t.wins * (1 - mu) * (1 - mu) + t.draws * (0.5 - mu) * (0.5 - mu) + t.losses * mu * mu) / n;
  const double margin = kZ95 * std::sqrt(var / n);
  e.score = mu;
  e.elo = elo_of_score(mu);
  e.error95 = (elo_of_score(mu + margin) - elo_of_score(mu - margin)) / 2;
  return e;
}

double llr_trinomial(const Tally& t, double elo0, double elo1) {
  const double n = games_of(t);
  if (n == 0) return 0;
  const double mu = (t.wins + 0.5 * t.draws) / n;
  const double var = (t.wins * (1 - mu) * (1 - mu) + t.draws * (0.5 - mu) * (0.5 - mu) + t.losses * mu * mu) / n;
  return llr_normal(n, mu, var, score_of_elo(elo0), score_of_elo(elo1));
}

double llr_pentanomial(const PairTally& t, double elo0, double elo1) {
  const double n = pairs_of(t);
  if (n == 0) return 0;
  // A pair's score per game: 0, 1/4, 1/2, 3/4, 1.
  double mu = 0;
  for (int i = 0; i < 5; ++i) mu += t.counts[i] * (i / 4.0);
  mu /= n;
  double var = 0;
  for (int i = 0; i < 5; ++i) var += t.counts[i] * (i / 4.0 - mu) * (i / 4.0 - mu);
  var /= n;
  return llr_normal(n, mu, var, score_of_elo(elo0), score_of_elo(elo1));
}

SprtBounds sprt_bounds(double alpha, double beta) {
  return {std::log(beta / (1 - alpha)), std::log((1 - beta) / alpha)};
}

SprtDecision sprt_decision(double llr, const SprtBounds& bounds) {
  if (llr >= bounds.upper) return SprtDecision::AcceptH1;
  if (llr <= bounds.lower) return SprtDecision::AcceptH0;
  return SprtDecision::Continue;
}

}  // namespace ostrim::tools
