#include "match/referee.h"

#include <cctype>
#include <cstdlib>
#include <sstream>

#include "match/game_rules.h"
#include "platform/clock.h"

namespace ostrim::tools {
namespace {

constexpr int kHandshakeTimeoutMs = 10000;  // uci and isready answers
constexpr int kWriteTimeoutMs = 10000;
constexpr int kQuitTimeoutMs = 1000;
constexpr std::size_t kLongestMoveList = 400;

bool starts_with(const std::string& s, const char* prefix) { return s.rfind(prefix, 0) == 0; }

std::vector<std::string> words_of(const std::string& line) {
  std::istringstream in(line);
  std::vector<std::string> words;
  for (std::string w; in >> w;) words.push_back(w);
  return words;
}

bool send(Player& p, const std::string& line) {
  return platform::write_line_to_child(p.process, line, kWriteTimeoutMs);
}

// Reads until a line that equals `last`, within the time.
bool read_through(Player& p, const std::string& last, int timeout_ms, std::vector<std::string>* lines) {
  int64_t deadline = platform::monotonic_ms() + timeout_ms;
  std::string line;
  for (;;) {
    int64_t left = deadline - platform::monotonic_ms();
    if (left <= 0 || !platform::read_child_line(p.process, line, static_cast<int>(left))) return false;
    if (!line.empty() && line.back() == '\r') line.pop_back();  // an engine built for another system
    if (line == last) return true;
    if (lines != nullptr) lines->push_back(line);
  }
}

std::string go_line(const TimeControl& c, const int clock[2], int own_moves) {
  if (c.movetime_ms > 0) return "go movetime " + std::to_string(c.movetime_ms);
  std::string line = "go wtime " + std::to_string(clock[0]) + " btime " + std::to_string(clock[1]) +
                     " winc " + std::to_string(c.increment_ms) + " binc " + std::to_string(c.increment_ms);
  if (c.moves_per_period > 0)
    line += " movestogo " + std::to_string(c.moves_per_period - own_moves % c.moves_per_period);
  return line;
}

struct Answer {
  std::string best, ponder;
  int ms = 0;
  bool scored = false;
  int score = 0;
  int mate = 0;
  int depth = 0;
  Fault fault = Fault::None;
  std::string failure;
};

// The depth and score of an info line of the first principal variation.
void take_info(const std::vector<std::string>& w, Answer& a) {
  int depth = -1;
  bool scored = false;
  int score = 0, mate = 0;
  for (std::size_t i = 1; i + 1 < w.size(); ++i) {
    if (w[i] == "multipv" && w[i + 1] != "1") return;
    if (w[i] == "pv") break;
    if (w[i] == "depth") depth = std::atoi(w[i + 1].c_str());
    if (w[i] == "score" && i + 2 < w.size()) {
      int value = std::atoi(w[i + 2].c_str());
      if (w[i + 1] == "cp") {
        scored = true;
        score = value;
        mate = 0;
      } else if (w[i + 1] == "mate") {
        scored = true;
        mate = value;
        score = value > 0 ? kMateScore - value : -kMateScore - value;
      }
    }
  }
  if (depth >= 0) a.depth = depth;
  if (scored) {
    a.scored = true;
    a.score = score;
    a.mate = mate;
  }
}

Answer ask(Player& p, const std::string& position, const std::string& go, int flag_ms, const Adjudication& rules) {
  Answer a;
  if (!send(p, position) || !send(p, go)) {
    a.fault = Fault::Crash;
    a.failure = "the engine no longer reads its input";
    return a;
  }
  const int64_t start = platform::monotonic_ms();
  const int64_t deadline = start + flag_ms + rules.hang_grace_ms;
  std::string line;
  for (;;) {
    int64_t left = deadline - platform::monotonic_ms();
    if (left <= 0 || !platform::read_child_line(p.process, line, static_cast<int>(left))) {
      if (p.process.output_ended || !platform::child_running(p.process)) {
        a.fault = Fault::Crash;
        a.failure = "the engine ended during \"" + go + "\"";
      } else {
        a.fault = Fault::Hung;
        a.failure = "no bestmove " + std::to_string(platform::monotonic_ms() - start) + " ms after \"" + go + "\"";
      }
      return a;
    }
    std::vector<std::string> w = words_of(line);
    if (w.empty()) continue;
    if (w[0] == "bestmove") {
      a.ms = static_cast<int>(platform::monotonic_ms() - start);
      bool well_formed = w.size() == 2 || (w.size() == 4 && w[2] == "ponder");
      if (w.size() >= 2) a.best = w[1];
      if (w.size() >= 4 && w[2] == "ponder") a.ponder = w[3];
      if (w.size() < 2 || (rules.strict && !well_formed)) {
        a.fault = rules.strict ? Fault::Protocol : Fault::IllegalMove;
        a.failure = "malformed: " + line;
      }
      return a;
    }
    if (w[0] == "info") {
      take_info(w, a);
    } else if (rules.strict) {
      a.fault = Fault::Protocol;
      a.failure = "unexpected line: " + line;
      return a;
    }
  }
}

// Option names are matched as engines match them: without regard to case.
bool same_ignoring_case(const std::string& a, const std::string& b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i)
    if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i]))) return false;
  return true;
}

std::string win_for(bool white) { return white ? "1-0" : "0-1"; }

}  // namespace

const char* fault_text(Fault fault) {
  switch (fault) {
    case Fault::TimeForfeit: return "time forfeit";
    case Fault::IllegalMove: return "illegal move";
    case Fault::Crash: return "crash";
    case Fault::Hung: return "hung";
    case Fault::Protocol: return "protocol error";
    case Fault::None: break;
  }
  return "";
}

bool start_player(Player& player, std::string& why) {
  platform::kill_child(player.process);
  player.needs_restart = false;
  const EngineConfig& c = player.config;
  if (!platform::start_child(player.process, c.command, c.arguments)) {
    why = "cannot start " + c.command;
    return false;
  }
  std::vector<std::string> lines;
  if (!send(player, "uci") || !read_through(player, "uciok", kHandshakeTimeoutMs, &lines)) {
    why = c.command + " does not answer uci with uciok";
    return false;
  }
  std::vector<std::string> listed;
  for (const std::string& line : lines) {
    if (starts_with(line, "id name ")) player.id_name = line.substr(8);
    if (starts_with(line, "option name ")) {
      std::size_t end = line.find(" type ");
      listed.push_back(line.substr(12, end == std::string::npos ? std::string::npos : end - 12));
    }
  }
  player.warnings.clear();
  for (const auto& [name, value] : c.options) {
    bool known = false;
    for (const std::string& l : listed) known |= same_ignoring_case(l, name);
    if (!known) player.warnings.push_back("option \"" + name + "\" is not among the engine's options");
    if (!send(player, "setoption name " + name + " value " + value)) {
      why = c.command + " stopped reading";
      return false;
    }
  }
  if (!send(player, "isready") || !read_through(player, "readyok", kHandshakeTimeoutMs, nullptr)) {
    why = c.command + " does not answer isready with readyok";
    return false;
  }
  return true;
}

bool ready_player(Player& player, std::string& why) {
  // A new game is announced as GUIs do, so the engine may forget the last
  // one; the isready also drains whatever it printed since its last move.
  if (!player.needs_restart && platform::child_running(player.process) && send(player, "ucinewgame") &&
      send(player, "isready") && read_through(player, "readyok", kHandshakeTimeoutMs, nullptr))
    return true;
  // One more try before the match gives up on the engine.
  return start_player(player, why) || start_player(player, why);
}

void stop_player(Player& player) {
  if (player.process.pid <= 0) return;
  send(player, "quit");
  platform::close_child_input(player.process);
  platform::wait_child_exit(player.process, kQuitTimeoutMs);
  platform::kill_child(player.process);
}

std::string adjudicate_by_score(const std::vector<PlyRecord>& moves, bool white_to_move, int full_move,
                                const Adjudication& rules) {
  // The scores of the last n plies of play, newest first; false when one is missing.
  auto last_scores = [&](int n, std::vector<int>& scores) {
    if (n <= 0 || static_cast<int>(moves.size()) < n) return false;
    scores.clear();
    for (int i = 0; i < n; ++i) {
      const PlyRecord& r = moves[moves.size() - 1 - static_cast<std::size_t>(i)];
      if (r.book || !r.scored) return false;
      scores.push_back(r.score);
    }
    return true;
  };
  std::vector<int> s;
  if (rules.resign_moves > 0 && last_scores(2 * rules.resign_moves, s)) {
    // s[0], s[2] ... are the last mover's; s[1], s[3] ... its opponent's.
    bool last_mover_lost = true, last_mover_won = true;
    for (std::size_t i = 0; i < s.size(); ++i) {
      int own = i % 2 == 0 ? s[i] : -s[i];  // the last mover's view
      if (own > -rules.resign_score) last_mover_lost = false;
      if (own < rules.resign_score) last_mover_won = false;
    }
    const bool last_mover_white = !white_to_move;
    if (last_mover_lost) return win_for(!last_mover_white);
    if (last_mover_won) return win_for(last_mover_white);
  }
  if (rules.draw_moves > 0 && full_move >= rules.draw_from_move && last_scores(2 * rules.draw_moves, s)) {
    bool level = true;
    for (int score : s) level &= std::abs(score) <= rules.draw_score;
    if (level) return "1/2-1/2";
  }
  return "";
}

GameReport play_game(Player& white, Player& black, const Opening& opening, const TimeControl& control,
                     const Adjudication& rules) {
  GameReport report;
  std::vector<std::string> played;
  for (const std::string& m : opening.moves) {
    PlyRecord r;
    r.move = m;
    r.book = true;
    r.san = judge_game(opening.fen, played, m, "").san;
    report.moves.push_back(r);
    played.push_back(m);
  }
  Verdict v = judge_game(opening.fen, played, "", "");
  if (!v.set_up) {
    report.failure = "the referee cannot set up the opening";
    return report;
  }
  int clock[2] = {control.base_ms, control.base_ms};
  int moves_made[2] = {0, 0};
  const std::string position_prefix = opening.fen.empty() ? "position startpos" : "position fen " + opening.fen;
  int plies_played = 0;

  for (;;) {
    if (v.ending != Ending::None) {
      report.result = v.ending == Ending::Checkmate ? win_for(!v.white_to_move) : "1/2-1/2";
      report.reason = ending_text(v.ending);
      return report;
    }
    if (rules.max_plies > 0 && plies_played >= rules.max_plies) {
      report.result = "1/2-1/2";
      report.reason = "move cap";
      return report;
    }
    std::string by_score = adjudicate_by_score(report.moves, v.white_to_move, v.full_move, rules);
    if (!by_score.empty()) {
      report.result = by_score;
      report.reason = by_score == "1/2-1/2" ? "draw adjudication" : "resign adjudication";
      return report;
    }

    const bool white_moves = v.white_to_move;
    const int side = white_moves ? 0 : 1;
    Player& mover = white_moves ? white : black;
    const std::string mover_name = white_moves ? "White" : "Black";
    // A long game starts again from its last capture or pawn move: engines
    // read lines of limited length (Ostrim takes 512 words).
    std::string position = position_prefix;
    std::size_t first = 0;
    if (played.size() > kLongestMoveList && !v.reset_fen.empty()) {
      position = "position fen " + v.reset_fen;
      first = v.reset_ply;
    }
    if (first < played.size()) {
      position += " moves";
      for (std::size_t i = first; i < played.size(); ++i) position += " " + played[i];
    }
    const std::string go = go_line(control, clock, moves_made[side]);
    const int flag_ms = (control.movetime_ms > 0 ? control.movetime_ms : clock[side]) + rules.time_margin_ms;
    Answer a = ask(mover, position, go, flag_ms, rules);

    auto lose = [&](Fault fault, const std::string& detail) {
      report.result = win_for(!white_moves);
      report.reason = fault_text(fault);
      report.fault = fault;
      report.fault_by_white = white_moves;
      report.failure = mover_name + ": " + detail + " | " + position;
      if (fault == Fault::Crash || fault == Fault::Hung || fault == Fault::Protocol) mover.needs_restart = true;
      return report;
    };
    if (a.fault != Fault::None) return lose(a.fault, a.failure);
    if (a.ms > report.longest_answer_ms) report.longest_answer_ms = a.ms;
    if (control.movetime_ms > 0) {
      int overrun = a.ms - control.movetime_ms;
      if (overrun > report.largest_overrun_ms) report.largest_overrun_ms = overrun;
      if (overrun > rules.time_margin_ms)
        return lose(Fault::TimeForfeit, "answered " + std::to_string(overrun) + " ms late after " + go);
    } else {
      clock[side] -= a.ms;
      if (clock[side] < report.least_clock_ms) report.least_clock_ms = clock[side];
      if (clock[side] + rules.time_margin_ms < 0)
        return lose(Fault::TimeForfeit,
                    "lost on time (" + std::to_string(clock[side]) + " ms after " + go + ")");
      clock[side] += control.increment_ms;
      ++moves_made[side];
      if (control.moves_per_period > 0 && moves_made[side] % control.moves_per_period == 0)
        clock[side] += control.base_ms;
    }

    Verdict next = judge_game(opening.fen, played, a.best, a.ponder);
    if (!next.legal) return lose(Fault::IllegalMove, "played an illegal move " + a.best + " after " + go);
    if (rules.strict && !next.ponder_legal)
      return lose(Fault::Protocol, "named an illegal ponder move " + a.ponder + " after " + a.best);
    PlyRecord r;
    r.move = a.best;
    r.san = next.san;
    r.scored = a.scored;
    r.score = a.score;
    r.mate = a.mate;
    r.depth = a.depth;
    r.ms = a.ms;
    report.moves.push_back(r);
    played.push_back(a.best);
    ++plies_played;
    v = next;
  }
}

}  // namespace ostrim::tools
