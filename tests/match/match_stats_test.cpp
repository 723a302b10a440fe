// The match tool's result arithmetic against values worked by hand from
// the logistic model: score = 1 / (1 + 10^(-elo / 400)).
#include <gtest/gtest.h>

#include <cmath>

#include "match/match_stats.h"

namespace ostrim::tools {
namespace {

TEST(MatchStats, EloAndScoreAreInverse) {
  EXPECT_DOUBLE_EQ(score_of_elo(0), 0.5);
  EXPECT_NEAR(score_of_elo(400), 10.0 / 11.0, 1e-12);
  EXPECT_NEAR(elo_of_score(0.75), 400 * std::log10(3.0), 1e-9);  // 190.85
  EXPECT_NEAR(elo_of_score(score_of_elo(-123.4)), -123.4, 1e-9);
  EXPECT_TRUE(std::isinf(elo_of_score(1)) && elo_of_score(1) > 0);
  EXPECT_TRUE(std::isinf(elo_of_score(0)) && elo_of_score(0) < 0);
}

TEST(MatchStats, EloEstimateWithItsInterval) {
  struct Case {
    Tally tally;
    double elo, error;
  };
  // W60 D20 L20: score 0.7, variance per game (60 * 0.09 + 20 * 0.04 + 20 * 0.49) / 100 = 0.16,
  // 0.7 +- 1.96 * 0.04 = 0.6216 .. 0.7784 -> Elo 147.19, +- (219.23 - 87.20) / 2 = 66.01.
  const Case cases[] = {
      {{10, 20, 10}, 0.0, 77.389},
      {{60, 20, 20}, 147.191, 66.013},
      {{20, 20, 60}, -147.191, 66.013},
  };
  for (const Case& c : cases) {
    EloEstimate e = estimate_elo(c.tally);
    EXPECT_NEAR(e.elo, c.elo, 1e-3) << c.tally.wins << " " << c.tally.draws << " " << c.tally.losses;
    EXPECT_NEAR(e.error95, c.error, 1e-3) << c.tally.wins << " " << c.tally.draws << " " << c.tally.losses;
  }
  EXPECT_TRUE(std::isinf(estimate_elo(Tally{}).error95));
  EXPECT_TRUE(std::isinf(estimate_elo(Tally{3, 0, 0}).elo));
}

TEST(MatchStats, LogLikelihoodRatios) {
  // Trinomial, W60 D20 L20, elo0 0, elo1 5: s0 = 0.5, s1 = 0.5071953;
  // 100 * (s1 - s0) * (2 * 0.7 - s0 - s1) / (2 * 0.16) = 0.88321.
  EXPECT_NEAR(llr_trinomial({60, 20, 20}, 0, 5), 0.88321, 1e-4);
  EXPECT_NEAR(llr_trinomial({30, 40, 30}, 0, 5), -0.017256, 1e-5);
  // Pentanomial, pairs {1, 5, 10, 8, 2}: 26 pairs, mean 0.548077 per game,
  // variance per pair 0.0577848.
  PairTally pairs;
  const int counts[5] = {1, 5, 10, 8, 2};
  for (int i = 0; i < 5; ++i) pairs.counts[i] = counts[i];
  EXPECT_NEAR(llr_pentanomial(pairs, 0, 5), 0.143997, 1e-5);
  EXPECT_NEAR(llr_pentanomial(pairs, -5, 0), 0.167291, 1e-5);
  // No spread, no evidence.
  EXPECT_EQ(llr_trinomial({}, 0, 5), 0);
  EXPECT_EQ(llr_trinomial({0, 50, 0}, 0, 5), 0);
  EXPECT_EQ(llr_pentanomial(PairTally{}, 0, 5), 0);
}

TEST(MatchStats, SprtBoundsAndDecisions) {
  SprtBounds b = sprt_bounds(0.05, 0.05);
  EXPECT_NEAR(b.lower, std::log(0.05 / 0.95), 1e-12);  // -2.944
  EXPECT_NEAR(b.upper, std::log(0.95 / 0.05), 1e-12);
  SprtBounds uneven = sprt_bounds(0.05, 0.10);
  EXPECT_NEAR(uneven.lower, -2.251292, 1e-6);
  EXPECT_NEAR(uneven.upper, 2.890372, 1e-6);
  EXPECT_EQ(sprt_decision(2.95, b), SprtDecision::AcceptH1);
  EXPECT_EQ(sprt_decision(-2.95, b), SprtDecision::AcceptH0);
  EXPECT_EQ(sprt_decision(2.9, b), SprtDecision::Continue);
}

}  // namespace
}  // namespace ostrim::tools
