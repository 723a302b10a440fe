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

#include "match/match_stats.h"
#include "match/openings.h"
#include "match/pgn_writer.h"
#include "match/referee.h"
#include "platform/sync.h"
#include "platform/threads.h"
#include "tool_registry.h"

namespace ostrim::tools {
namespace {

constexpr const char* kUsage =
    "usage: ostrim-tool match --engine cmd=PATH [name=NAME] [arg=ARG]... [option.NAME=VALUE]...\n"
    "                         --engine cmd=PATH ...  [--each option.NAME=VALUE ...]\n"
    "                         (--tc [MOVES/]BASE+INC | --st SECONDS)  (seconds)\n"
    "                         [--openings FILE.epd|FILE.pgn] [--openings-start N] [--rounds N]\n"
    "                         [--concurrency N] [--pgnout FILE]\n"
    "                         [--sprt ELO0 ELO1 ALPHA BETA] [--sprt-model pentanomial|trinomial]\n"
    "                         [--adjudicate-resign moves=N score=CP]\n"
    "                         [--adjudicate-draw movenumber=N moves=N score=CP]\n"
    "                         [--maxplies N] [--timemargin MS] [--hang-grace MS] [--strict]\n"
    "Each opening is played twice, colours swapped: 2 x rounds games. Results are\n"
    "the first engine's.\n";

// With a fixed time a move the engine itself decides when to stop, and an
// engine that looks at its clock a few times a second overruns it a little.
constexpr int kDefaultMovetimeMarginMs = 1000;
// The normal approximation is poor on a handful of games: no decision before this.
constexpr int kSprtLeastGames = 20;

struct MatchSettings {
  EngineConfig engines[2];
  TimeControl control;
  bool control_given = false;
  Adjudication rules;
  bool margin_given = false;
  std::string openings_path;
  int openings_start = 1;
  int rounds = 1;
  int concurrency = 1;
  std::string pgn_path;
  bool sprt = false;
  double elo0 = 0, elo1 = 5, alpha = 0.05, beta = 0.05;
  bool pentanomial = true;
};

bool parse_int(const std::string& text, int& out, int lowest) {
  char* end = nullptr;
  long value = std::strtol(text.c_str(), &end, 10);
  if (end == text.c_str() || *end != '\0' || value < lowest || value > 1000000000) return false;
  out = static_cast<int>(value);
  return true;
}

bool parse_seconds(const std::string& text, int& ms) {
  char* end = nullptr;
  double value = std::strtod(text.c_str(), &end);
  if (end == text.c_str() || *end != '\0' || value < 0 || value > 1e7) return false;
  ms = static_cast<int>(value * 1000 + 0.5);
  return true;
}

bool parse_double(const char* text, double& out) {
  char* end = nullptr;
  out = std::strtod(text, &end);
  return end != text && *end == '\0';
}

// [MOVES/]BASE+INC in seconds.
bool parse_clock(const std::string& text, TimeControl& c) {
  std::string rest = text;
  c = TimeControl{};
  std::size_t slash = rest.find('/');
  if (slash != std::string::npos) {
    if (!parse_int(rest.substr(0, slash), c.moves_per_period, 1)) return false;
    rest = rest.substr(slash + 1);
  }
  std::size_t plus = rest.find('+');
  c.increment_ms = 0;
  if (plus != std::string::npos && !parse_seconds(rest.substr(plus + 1), c.increment_ms)) return false;
  return parse_seconds(rest.substr(0, plus), c.base_ms) && c.base_ms > 0;
}

// key=value words of an engine: cmd, name, arg, option.NAME.
bool take_engine_word(const std::string& word, EngineConfig& e) {
  std::size_t eq = word.find('=');
  if (eq == std::string::npos) return false;
  std::string key = word.substr(0, eq), value = word.substr(eq + 1);
  if (key == "cmd") e.command = value;
  else if (key == "name") e.name = value;
  else if (key == "arg") e.arguments.push_back(value);
  else if (key.rfind("option.", 0) == 0 && key.size() > 7) e.options.emplace_back(key.substr(7), value);
  else return false;
  return true;
}

// key=value words of an adjudication: the values of the keys named.
bool take_settings(int argc, char** argv, int& i, std::map<std::string, int>& values) {
  while (i + 1 < argc && argv[i + 1][0] != '-') {
    std::string word = argv[++i];
    std::size_t eq = word.find('=');
    if (eq == std::string::npos || values.count(word.substr(0, eq)) == 0) return false;
    if (!parse_int(word.substr(eq + 1), values[word.substr(0, eq)], 0)) return false;
  }
  return true;
}

bool parse_arguments(int argc, char** argv, MatchSettings& s, std::string& why) {
  int engines = 0;
  std::vector<std::string> each;
  for (int i = 1; i < argc; ++i) {
    std::string a = argv[i];
    auto value = [&](std::string& out) {
      if (i + 1 >= argc) return false;
      out = argv[++i];
      return true;
    };
    std::string v;
    if (a == "--engine" || a == "--each") {
      if (a == "--engine" && engines == 2) {
        why = "more than two engines";
        return false;
      }
      EngineConfig& e = s.engines[a == "--engine" ? engines++ : 0];
      while (i + 1 < argc && std::strncmp(argv[i + 1], "--", 2) != 0) {
        if (a == "--each") each.push_back(argv[++i]);
        else if (!take_engine_word(argv[++i], e)) {
          why = std::string("cannot read engine setting ") + argv[i];
          return false;
        }
      }
    } else if (a == "--tc" && value(v)) {
      if (!parse_clock(v, s.control)) {
        why = "cannot read the time control " + v;
        return false;
      }
      s.control_given = true;
    } else if (a == "--st" && value(v)) {
      s.control = TimeControl{};
      if (!parse_seconds(v, s.control.movetime_ms) || s.control.movetime_ms < 1) {
        why = "cannot read the time per move " + v;
        return false;
      }
      s.control_given = true;
    } else if (a == "--openings" && value(v)) {
      s.openings_path = v;
    } else if ((a == "--openings-start" && value(v) && parse_int(v, s.openings_start, 1)) ||
               (a == "--rounds" && value(v) && parse_int(v, s.rounds, 1)) ||
               (a == "--concurrency" && value(v) && parse_int(v, s.concurrency, 1)) ||
               (a == "--maxplies" && value(v) && parse_int(v, s.rules.max_plies, 0)) ||
               (a == "--hang-grace" && value(v) && parse_int(v, s.rules.hang_grace_ms, 0))) {
    } else if (a == "--timemargin" && value(v) && parse_int(v, s.rules.time_margin_ms, 0)) {
      s.margin_given = true;
    } else if (a == "--pgnout" && value(v)) {
      s.pgn_path = v;
    } else if (a == "--strict") {
      s.rules.strict = true;
    } else if (a == "--sprt" && i + 4 < argc) {
      if (!parse_double(argv[i + 1], s.elo0) || !parse_double(argv[i + 2], s.elo1) ||
          !parse_double(argv[i + 3], s.alpha) || !parse_double(argv[i + 4], s.beta) || s.elo1 <= s.elo0 ||
          s.alpha <= 0 || s.alpha >= 1 || s.beta <= 0 || s.beta >= 1) {
        why = "--sprt needs ELO0 < ELO1 and ALPHA, BETA between 0 and 1";
        return false;
      }
      s.sprt = true;
      i += 4;
    } else if (a == "--sprt-model" && value(v) && (v == "pentanomial" || v == "trinomial")) {
      s.pentanomial = v == "pentanomial";
    } else if (a == "--adjudicate-resign") {
      std::map<std::string, int> m{{"moves", 3}, {"score", 1000}};
      if (!take_settings(argc, argv, i, m)) {
        why = "--adjudicate-resign takes moves=N score=CP";
        return false;
      }
      s.rules.resign_moves = m["moves"];
      s.rules.resign_score = m["score"];
    } else if (a == "--adjudicate-draw") {
      std::map<std::string, int> m{{"movenumber", 40}, {"moves", 8}, {"score", 10}};
      if (!take_settings(argc, argv, i, m)) {
        why = "--adjudicate-draw takes movenumber=N moves=N score=CP";
        return false;
      }
      s.rules.draw_from_move = m["movenumber"];
      s.rules.draw_moves = m["moves"];
      s.rules.draw_score = m["score"];
    } else {
      why = "cannot read " + a;
      return false;
    }
  }
  if (engines != 2) {
    why = "two --engine settings are needed";
    return false;
  }
  for (const std::string& word : each) {
    for (EngineConfig& e : s.engines) {
      if (!take_engine_word(word, e)) {
        why = "cannot read engine setting " + word;
        return false;
      }
    }
  }
  for (EngineConfig& e : s.engines) {
    if (e.command.empty()) {
      why = "an engine needs cmd=PATH";
      return false;
    }
  }
  if (!s.control_given) {
    why = "a time control is needed: --tc BASE+INC or --st SECONDS";
    return false;
  }
  if (s.control.movetime_ms > 0 && !s.margin_given) s.rules.time_margin_ms = kDefaultMovetimeMarginMs;
  return true;
}

// ---- The games in flight: workers play, the main thread reports.

struct GameJob {
  int number = 0;      // from 0; games 2k and 2k + 1 share an opening
  int opening = 0;
  bool first_white = true;  // the first engine has White
};

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

GameJob job_for(int number, int opening_count, int first_opening) {
  GameJob job;
  job.number = number;
  job.opening = (first_opening + number / 2) % opening_count;
  job.first_white = number % 2 == 0;
  return job;
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

struct Standing {
  Tally tally;
  PairTally pairs;
  std::map<int, int> half_points_of_pair;  // pair number -> the first game's half-points
  std::map<std::string, int> endings;      // "checkmate" ...
  int faults[2][6] = {};                   // by engine and Fault
  int finished = 0;
  bool decided = false;
  std::string decision;
};

double llr_of(const Standing& st, const MatchSettings& s) {
  return s.pentanomial ? llr_pentanomial(st.pairs, s.elo0, s.elo1) : llr_trinomial(st.tally, s.elo0, s.elo1);
}

std::string elo_text(const EloEstimate& e) {
  char text[64];
  if (std::isinf(e.elo)) std::snprintf(text, sizeof text, "Elo %s", e.elo > 0 ? "+inf" : "-inf");
  else if (std::isinf(e.error95) || std::isnan(e.error95)) std::snprintf(text, sizeof text, "Elo %+.1f +- inf", e.elo);
  else std::snprintf(text, sizeof text, "Elo %+.1f +- %.1f", e.elo, e.error95);
  return text;
}

void count_game(Standing& st, const GameJob& job, const GameReport& r) {
  // Half-points of the first engine.
  int half = r.result == "1/2-1/2" ? 1 : ((r.result == "1-0") == job.first_white ? 2 : 0);
  if (half == 2) ++st.tally.wins;
  else if (half == 1) ++st.tally.draws;
  else ++st.tally.losses;
  ++st.finished;
  ++st.endings[r.reason];
  if (r.fault != Fault::None) {
    bool first_faulted = r.fault_by_white == job.first_white;
    ++st.faults[first_faulted ? 0 : 1][static_cast<int>(r.fault)];
  }
  int pair = job.number / 2;
  auto other = st.half_points_of_pair.find(pair);
  if (other == st.half_points_of_pair.end()) {
    st.half_points_of_pair[pair] = half;
  } else {
    ++st.pairs.counts[other->second + half];
    st.half_points_of_pair.erase(other);
  }
}

void print_summary(const Standing& st, const MatchSettings& s, const std::string names[2]) {
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
                st.decided ? st.decision.c_str() : "undecided");
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
  // tc=... and st=... as other match runners write them.
  std::vector<std::string> words;
  for (int i = 0; i < argc; ++i) {
    std::string a = argv[i];
    if (a.rfind("tc=", 0) == 0 || a.rfind("st=", 0) == 0) {
      words.push_back("--" + a.substr(0, 2));
      words.push_back(a.substr(3));
    } else {
      words.push_back(a);
    }
  }
  std::vector<char*> args;
  for (std::string& w : words) args.push_back(w.data());
  MatchSettings s;
  std::string why;
  if (!parse_arguments(static_cast<int>(args.size()), args.data(), s, why)) {
    std::fprintf(stderr, "match: %s\n%s", why.c_str(), kUsage);
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
            if (!st.decided && d != SprtDecision::Continue && games_of(t) >= kSprtLeastGames) {
              st.decided = true;
              st.decision = d == SprtDecision::AcceptH1 ? "H1 accepted" : "H0 accepted";
              platform::enter_critical_section(shared.lock);
              shared.stop = true;
              platform::leave_critical_section(shared.lock);
              std::printf("\nSPRT: %s after %d games", st.decision.c_str(), games_of(t));
            }
          }
          std::printf("\n");
          break;
        }
      }
      std::fflush(stdout);
    }
  }
  print_summary(st, s, names);
  return fatal ? 1 : 0;
}

const bool registered = register_tool(
    {"match",
     "--engine cmd=PATH [name=N] [option.NAME=V]... --engine ... (--tc BASE+INC | --st S) [--openings FILE] "
     "[--rounds N] [--concurrency N] [--pgnout FILE] [--sprt ELO0 ELO1 ALPHA BETA] ...",
     "plays a match between two UCI engines and reports the score, Elo and SPRT", run_match});

}  // namespace
}  // namespace ostrim::tools
