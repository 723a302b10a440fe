#include "games/referee.h"

#include <chrono>
#include <fstream>
#include <map>

#include "board/game_record.h"
#include "board/keys.h"
#include "board/makemove.h"
#include "board/movegen.h"
#include "board/notation.h"
#include "board/setup.h"
#include "board/attacks.h"

namespace ostrim::test {
namespace {

using Clock = std::chrono::steady_clock;

constexpr int kAnswerGraceMs = 5000;  // past the clock: the engine hangs
constexpr int kFiftyMovePlies = 100;

bool starts_with(const std::string& s, const std::string& prefix) { return s.rfind(prefix, 0) == 0; }

// The legal move whose protocol text is exactly `text`, or the null move.
Move strict_move(const Position& p, const std::string& text) {
  Move m = find_move(p, text.c_str());
  if (m == kNullMove || !is_legal_move(p, m)) return kNullMove;
  char back[kMoveTextSize];
  move_text_in(back, p, m);
  return text == back ? m : kNullMove;
}

// Neither side can mate: no pawn, rook or queen, and at most one minor piece.
bool insufficient_material(const Board& b) {
  int minors = 0;
  for (Square s = 0; s < 128; ++s) {
    if (!on_board(s) || is_empty(b, s)) continue;
    switch (piece_at(b, s)->type->letter) {
      case 'K': case 'k': break;
      case 'N': case 'n': case 'B': case 'b': ++minors; break;
      default: return false;
    }
  }
  return minors <= 1;
}

std::string go_line(const TimeControl& c, const int clock[2], int own_moves) {
  if (c.movetime_ms > 0) return "go movetime " + std::to_string(c.movetime_ms);
  std::string line = "go wtime " + std::to_string(clock[0]) + " btime " + std::to_string(clock[1]) +
                     " winc " + std::to_string(c.increment_ms) + " binc " + std::to_string(c.increment_ms);
  if (c.moves_per_period > 0) {
    line += " movestogo " + std::to_string(c.moves_per_period - own_moves % c.moves_per_period);
  }
  return line;
}

struct Answer {
  std::string best, ponder;
  int ms = 0;
  std::string failure;
};

Answer ask(EngineProcess& engine, const std::string& position, const std::string& go, int timeout_ms) {
  Answer a;
  if (!send_line(engine, position)) {
    a.failure = "the engine no longer reads";
    return a;
  }
  Clock::time_point start = Clock::now();
  if (!send_line(engine, go)) {
    a.failure = "the engine no longer reads";
    return a;
  }
  std::string line;
  for (;;) {
    int left = timeout_ms - static_cast<int>(std::chrono::duration_cast<std::chrono::milliseconds>(
                                                 Clock::now() - start).count());
    if (left <= 0 || !read_line(engine, line, left)) {
      a.failure = "no bestmove (hang or crash) after " + go;
      return a;
    }
    if (starts_with(line, "bestmove ")) break;
    if (!starts_with(line, "info ")) {
      a.failure = "unexpected line: " + line;
      return a;
    }
  }
  a.ms = static_cast<int>(std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count());
  std::size_t best_end = line.find(' ', 9);
  a.best = line.substr(9, best_end == std::string::npos ? std::string::npos : best_end - 9);
  if (best_end != std::string::npos) {
    if (!starts_with(line.substr(best_end), " ponder ")) {
      a.failure = "malformed: " + line;
      return a;
    }
    a.ponder = line.substr(best_end + 8);
  }
  return a;
}

}  // namespace

bool start_player(EngineProcess& engine) {
  if (!start_quiet_engine(engine) || !send_line(engine, "uci")) return false;
  bool found = false;
  read_until(engine, "uciok", found);
  if (!found) return false;
  bool ready = false;
  lines_before_ready(engine, ready);
  return ready;
}

GameReport play_game(EngineProcess& white, EngineProcess& black, const std::string& fen,
                     const TimeControl& control, int max_plies) {
  GameReport report;
  draw_hash_keys();
  if (setup_position(fen.empty() ? nullptr : fen.c_str()) != 0) {
    report.failure = "the referee cannot set up " + fen;
    return report;
  }
  // One record per ply on the main board; never reallocated, since each
  // record's move stack is pointed into.
  std::vector<Position> path(static_cast<std::size_t>(max_plies) + 1);
  copy_position(path[0], root_position);
  std::map<std::pair<uint32_t, uint16_t>, int> seen;
  int halfmove = 0;
  int clock[2] = {control.base_ms, control.base_ms};
  int moves_made[2] = {0, 0};
  const std::string position_prefix = fen.empty() ? "position startpos" : "position fen " + fen;

  for (int ply = 0;; ++ply) {
    Position& p = path[static_cast<std::size_t>(ply)];
    const int side = colour_index(p.side);
    const std::string mover = p.side == kWhite ? "White" : "Black";
    auto key = std::make_pair(p.key.low, p.key.high);
    if (halfmove == 0) seen.clear();
    int occurrences = ++seen[key];

    if (count_legal_moves(p) == 0) {
      bool mate = in_check(p);
      report.result = mate ? (p.side == kWhite ? "0-1" : "1-0") : "1/2-1/2";
      report.reason = mate ? "checkmate" : "stalemate";
      return report;
    }
    if (halfmove >= kFiftyMovePlies) {
      report.result = "1/2-1/2";
      report.reason = "fifty moves";
      return report;
    }
    if (occurrences >= 3) {
      report.result = "1/2-1/2";
      report.reason = "repetition";
      return report;
    }
    if (insufficient_material(*p.board)) {
      report.result = "1/2-1/2";
      report.reason = "insufficient material";
      return report;
    }
    if (ply >= max_plies) {
      report.reason = "move cap";
      return report;
    }

    std::string position = position_prefix;
    if (!report.moves.empty()) {
      position += " moves";
      for (const std::string& m : report.moves) position += " " + m;
    }
    std::string go = go_line(control, clock, moves_made[side]);
    int timeout = (control.movetime_ms > 0 ? control.movetime_ms : clock[side]) + kAnswerGraceMs;
    Answer a = ask(p.side == kWhite ? white : black, position, go, timeout);
    if (!a.failure.empty()) {
      report.failure = mover + ": " + a.failure + " | " + position;
      return report;
    }
    if (a.ms > report.longest_answer_ms) report.longest_answer_ms = a.ms;
    if (control.movetime_ms > 0) {
      if (a.ms - control.movetime_ms > report.largest_overrun_ms) report.largest_overrun_ms = a.ms - control.movetime_ms;
    } else {
      clock[side] -= a.ms;
      if (clock[side] < report.least_clock_ms) report.least_clock_ms = clock[side];
      if (clock[side] < 0) {
        report.failure = mover + " lost on time (" + std::to_string(clock[side]) + " ms after " + go + ") | " +
                         position;
        return report;
      }
      clock[side] += control.increment_ms;
      ++moves_made[side];
      if (control.moves_per_period > 0 && moves_made[side] % control.moves_per_period == 0)
        clock[side] += control.base_ms;
    }

    Move m = strict_move(p, a.best);
    if (m == kNullMove) {
      report.failure = mover + " played an illegal move " + a.best + " | " + position + " | " + go;
      return report;
    }
    Position& child = path[static_cast<std::size_t>(ply) + 1];
    construct_position(child, main_board);
    bool irreversible = piece_at(*p.board, move_from(m))->type->kind == kKindPawn || !is_empty(*p.board, move_to(m));
    make_full_move(p, m, child);
    halfmove = irreversible ? 0 : halfmove + 1;
    if (!a.ponder.empty() && strict_move(child, a.ponder) == kNullMove) {
      report.failure = mover + " named an illegal ponder move " + a.ponder + " after " + a.best + " | " + position;
      return report;
    }
    report.moves.push_back(a.best);
  }
}

std::vector<std::string> load_openings() {
  std::vector<std::string> openings;
  std::ifstream file(std::string(OSTRIM_DATA_DIR) + "/openings/openings2000.epd");
  std::string line;
  while (std::getline(file, line))
    if (!line.empty()) openings.push_back(line);
  return openings;
}

}  // namespace ostrim::test
