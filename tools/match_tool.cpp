// ostrim-tool match: games between two UCI engines with GUI clocks, every
// move checked, openings played with both colours, several games at once,
// PGN out, and a running score with Elo and an optional SPRT.
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <fstream>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "match/match_settings.h"
#include "match/match_standing.h"
#include "match/match_stats.h"
#include "match/openings.h"
#include "match/pgn_writer.h"
#include "match/referee.h"
#include "platform/sync.h"
#include "platform/threads.h"
#include "tool_registry.h"

namespace ostrim::tools {
namespace {

// The normal approximation is poor on a handful of games: no decision before this.
constexpr int kSprtLeastGames = 20;

// ---- The games in flight: workers play, the main thread reports.

enum class NoteKind { Started, Finished, Fatal, WorkerDone };

struct Note {
  NoteKind kind;
  GameJob job;
  GameReport report;
  std::string text;
};

struct Slot {
  Player players[2];  // the first engine's and the second's
};

struct Shared {
  const MatchSettings* settings = nullptr;
  const std::vector<Opening>* openings = nullptr;
  int total_games = 0;
  int next_game = 0;
  bool stop = false;
  std::deque<Note> notes;
  platform::CriticalSection* lock = nullptr;
  platform::Event* noted = nullptr;
};

Shared shared;

struct WorkerStart {
  Slot* slot;
};

void post(Note note) {
  platform::enter_critical_section(shared.lock);
  if (note.kind == NoteKind::Fatal) shared.stop = true;
  shared.notes.push_back(std::move(note));
  platform::leave_critical_section(shared.lock);
  platform::signal_event(shared.noted);
}

void run_worker(void* argument) {
  Slot& slot = *static_cast<WorkerStart*>(argument)->slot;
  const MatchSettings& s = *shared.settings;
  for (;;) {
    platform::enter_critical_section(shared.lock);
    bool done = shared.stop || shared.next_game >= shared.total_games;
    int number = done ? 0 : shared.next_game++;
    platform::leave_critical_section(shared.lock);
    if (done) break;
    GameJob job = job_for(number, static_cast<int>(shared.openings->size()), s.openings_start - 1);
    std::string why;
    if (!ready_player(slot.players[0], why) || !ready_player(slot.players[1], why)) {
      post({NoteKind::Fatal, job, {}, why});
      break;
    }
    post({NoteKind::Started, job, {}, ""});
    Player& white = slot.players[job.first_white ? 0 : 1];
    Player& black = slot.players[job.first_white ? 1 : 0];
    GameReport report = play_game(white, black, (*shared.openings)[static_cast<std::size_t>(job.opening)],
                                  s.control, s.rules);
    post({NoteKind::Finished, job, std::move(report), ""});
  }
  for (Player& p : slot.players) stop_player(p);
  post({NoteKind::WorkerDone, {}, {}, ""});
}

// ---- Keeping score.

// What the SPRT made of the standing, once it decided.
struct Decision {
  bool decided = false;
  std::string text;
};

double llr_of(const Standing& st, const MatchSettings& s) {
  return s.pentanomial ? llr_pentanomial(st.pairs, s.elo0, s.elo1) : llr_trinomial(st.tally, s.elo0, s.elo1);
}

std::string elo_text(EloEstimate e) {
  e.elo += 0.0;  // an even score prints as +0.0, not -0.0
  char text[64];
  if (std::isinf(e.elo)) std::snprintf(text, sizeof text, "Elo %s", e.elo > 0 ? "+inf" : "-inf");
  else if (std::isinf(e.error95) || std::isnan(e.error95)) std::snprintf(text, sizeof text, "Elo %+.1f +- inf", e.elo);
  else std::snprintf(text, sizeof text, "Elo %+.1f +- %.1f", e.elo, e.error95);
  return text;
}

void print_summary(const Standing& st, const Decision& decision, const MatchSettings& s,
                   const std::string names[2]) {
  const Tally& t = st.tally;
  int n = games_of(t);
  std::printf("\nMatch %s vs %s: %d games\n", names[0].c_str(), names[1].c_str(), n);
  std::printf("  %s: W %d  D %d  L %d  score %.1f/%d (%.1f %%)\n", names[0].c_str(), t.wins, t.draws, t.losses,
              t.wins + 0.5 * t.draws, n, n > 0 ? 100.0 * (t.wins + 0.5 * t.draws) / n : 0.0);
  std::printf("  %s (95 %%)\n", elo_text(estimate_elo(t)).c_str());
  const int* c = st.pairs.counts;
  std::printf("  pairs (0, 1/2, 1, 3/2, 2 points): %d %d %d %d %d\n", c[0], c[1], c[2], c[3], c[4]);
  if (s.sprt) {
    SprtBounds b = sprt_bounds(s.alpha, s.beta);
    std::printf("  SPRT elo0 %g elo1 %g alpha %g beta %g (%s): LLR %.2f (%.2f, %.2f) %s\n", s.elo0, s.elo1, s.alpha,
                s.beta, s.pentanomial ? "pentanomial" : "trinomial", llr_of(st, s), b.lower, b.upper,
                decision.decided ? decision.text.c_str() : "undecided");
  }
  std::printf("  endings:");
  for (const auto& [reason, count] : st.endings) std::printf(" %s %d;", reason.c_str(), count);
  std::printf("\n");
  for (int e = 0; e < 2; ++e) {
    std::printf("  faults of %s: time forfeit %d, illegal move %d, crash %d, hung %d, protocol %d\n",
                names[e].c_str(), st.faults[e][static_cast<int>(Fault::TimeForfeit)],
                st.faults[e][static_cast<int>(Fault::IllegalMove)], st.faults[e][static_cast<int>(Fault::Crash)],
                st.faults[e][static_cast<int>(Fault::Hung)], st.faults[e][static_cast<int>(Fault::Protocol)]);
  }
  std::fflush(stdout);
}

int run_match(int argc, char** argv) {
  MatchSettings s;
  std::string why;
  if (!parse_match_arguments(std::vector<std::string>(argv + 1, argv + argc), s, why)) {
    std::fprintf(stderr, "match: %s\n%s", why.c_str(), kMatchUsage);
    return 2;
  }
  std::vector<Opening> openings;
  if (s.openings_path.empty()) openings.push_back(Opening{});
  else if (!load_openings(s.openings_path, openings, why)) {
    std::fprintf(stderr, "match: %s\n", why.c_str());
    return 2;
  }
  std::ofstream pgn;
  if (!s.pgn_path.empty()) {
    pgn.open(s.pgn_path, std::ios::app);
    if (!pgn) {
      std::fprintf(stderr, "match: cannot write %s\n", s.pgn_path.c_str());
      return 2;
    }
  }

  // Every slot starts its two engines before any game begins.
  std::vector<std::unique_ptr<Slot>> slots;
  std::string names[2];
  for (int i = 0; i < s.concurrency; ++i) {
    slots.push_back(std::make_unique<Slot>());
    for (int e = 0; e < 2; ++e) {
      Player& p = slots.back()->players[e];
      p.config = s.engines[e];
      if (!start_player(p, why)) {
        std::fprintf(stderr, "match: %s\n", why.c_str());
        return 1;
      }
      if (i == 0) {
        names[e] = !p.config.name.empty() ? p.config.name : !p.id_name.empty() ? p.id_name : p.config.command;
        for (const std::string& w : p.warnings) std::fprintf(stderr, "match: %s: %s\n", names[e].c_str(), w.c_str());
      }
    }
  }

  shared.settings = &s;
  shared.openings = &openings;
  shared.total_games = 2 * s.rounds;
  shared.lock = platform::create_critical_section();
  shared.noted = platform::create_event();
  std::printf("Match %s vs %s: %d games at %s, %zu openings, concurrency %d\n", names[0].c_str(), names[1].c_str(),
              shared.total_games, pgn_time_control(s.control).c_str(), openings.size(), s.concurrency);
  std::fflush(stdout);

  std::vector<WorkerStart> starts(slots.size());
  int running = 0;
  for (std::size_t i = 0; i < slots.size(); ++i) {
    starts[i].slot = slots[i].get();
    if (platform::start_thread(run_worker, &starts[i], 0)) ++running;
  }

  Standing st;
  Decision decision;
  const SprtBounds bounds = sprt_bounds(s.alpha, s.beta);
  const std::string date = pgn_date_today();
  bool fatal = false;
  while (running > 0) {
    platform::wait_event(shared.noted, platform::Timeout::Infinite);
    platform::enter_critical_section(shared.lock);
    std::deque<Note> notes;
    notes.swap(shared.notes);
    platform::leave_critical_section(shared.lock);
    for (Note& note : notes) {
      const GameJob& job = note.job;
      const std::string& white = names[job.first_white ? 0 : 1];
      const std::string& black = names[job.first_white ? 1 : 0];
      switch (note.kind) {
        case NoteKind::WorkerDone:
          --running;
          break;
        case NoteKind::Fatal:
          fatal = true;
          std::printf("match stopped: %s\n", note.text.c_str());
          break;
        case NoteKind::Started:
          std::printf("Started game %d/%d: %s vs %s (opening %d)\n", job.number + 1, shared.total_games,
                      white.c_str(), black.c_str(), job.opening + 1);
          break;
        case NoteKind::Finished: {
          const GameReport& r = note.report;
          if (r.result == "*") {
            std::printf("Game %d/%d not played: %s\n", job.number + 1, shared.total_games, r.failure.c_str());
            break;
          }
          count_game(st, job, r);
          if (pgn.is_open()) {
            GameHeader h{"ostrim-tool match", date, job.number + 1, white, black, pgn_time_control(s.control)};
            pgn << game_pgn(h, (*shared.openings)[static_cast<std::size_t>(job.opening)], r);
            pgn.flush();
          }
          const Tally& t = st.tally;
          std::printf("Game %d/%d: %s vs %s %s (%s)%s%s; score %.1f/%d (W%d D%d L%d), %s", job.number + 1,
                      shared.total_games, white.c_str(), black.c_str(), r.result.c_str(), r.reason.c_str(),
                      r.failure.empty() ? "" : ": ", r.failure.substr(0, r.failure.find(" | ")).c_str(),
                      t.wins + 0.5 * t.draws, games_of(t), t.wins, t.draws, t.losses,
                      elo_text(estimate_elo(t)).c_str());
          if (s.sprt) {
            double llr = llr_of(st, s);
            std::printf(", LLR %.2f (%.2f, %.2f)", llr, bounds.lower, bounds.upper);
            SprtDecision d = sprt_decision(llr, bounds);
            if (!decision.decided && d != SprtDecision::Continue && games_of(t) >= kSprtLeastGames) {
              decision.decided = true;
              decision.text = d == SprtDecision::AcceptH1 ? "H1 accepted" : "H0 accepted";
              platform::enter_critical_section(shared.lock);
              shared.stop = true;
              platform::leave_critical_section(shared.lock);
              std::printf("\nSPRT: %s after %d games", decision.text.c_str(), games_of(t));
            }
          }
          std::printf("\n");
          break;
        }
      }
      std::fflush(stdout);
    }
  }
  print_summary(st, decision, s, names);
  return fatal ? 1 : 0;
}

const bool registered = register_tool(
    {"match",
     "--engine cmd=PATH [name=N] [option.NAME=V]... --engine ... (--tc BASE+INC | --st S) [--openings FILE] "
     "[--rounds N] [--concurrency N] [--pgnout FILE] [--sprt ELO0 ELO1 ALPHA BETA] ...",
     "plays a match between two UCI engines and reports the score, Elo and SPRT", run_match});

}  // namespace
}  // namespace ostrim::tools
