#include "match/match_standing.h"

namespace ostrim::tools {

GameJob job_for(int number, int opening_count, int first_opening) {
  GameJob job;
  job.number = number;
  job.opening = (first_opening + number / 2) % opening_count;
  job.first_white = number % 2 == 0;
  return job;
}

void count_game(Standing& st, const GameJob& job, const GameReport& r) {
  // Half-points of the first engine.
  int half = r.result == "1/2-1/2" ? 1 : ((r.result == "1-0") == job.first_white ? 2 : 0);
  if (half == 2) ++st.tally.wins;
  else if (half == 1) ++st.tally.draws;
  else ++st.tally.losses;
  ++st.endings[r.reason];
  if (r.fault != Fault::None) {
    bool first_faulted = r.fault_by_white == job.first_white;
    ++st.faults[first_faulted ? 0 : 1][static_cast<int>(r.fault)];
  }
  // Games of a pair finish in either order.
  int pair = job.number / 2;
  auto other = st.half_points_of_pair.find(pair);
  if (other == st.half_points_of_pair.end()) {
    st.half_points_of_pair[pair] = half;
  } else {
    ++st.pairs.counts[other->second + half];
    st.half_points_of_pair.erase(other);
  }
}

}  // namespace ostrim::tools
