#include "match/pgn_writer.h"

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <cstdio>
#include <sstream>
#include <vector>

#include "platform/clock.h"

namespace ostrim::tools {
namespace {

constexpr std::size_t kLineWidth = 79;

std::string seconds_text(int ms) {
  char text[32];
  std::snprintf(text, sizeof text, "%g", ms / 1000.0);
  return text;
}

std::string escaped(const std::string& value) {
  std::string out;
  for (char c : value) {
    if (c == '"' || c == '\\') out += '\\';
    out += c;
  }
  return out;
}

// "{+0.31/12 0.52s}", "{-M3/20 0.1s}", "{book}".
std::string move_comment(const PlyRecord& r) {
  if (r.book) return "{book}";
  std::string text = "{";
  char score[32];
  if (r.scored) {
    if (r.mate != 0) std::snprintf(score, sizeof score, "%sM%d/%d ", r.mate > 0 ? "+" : "-", std::abs(r.mate), r.depth);
    else std::snprintf(score, sizeof score, "%+.2f/%d ", r.score / 100.0, r.depth);
    text += score;
  }
  char time[32];
  std::snprintf(time, sizeof time, "%.3fs}", r.ms / 1000.0);
  return text + time;
}

int fen_number(const std::string& fen, int index, int fallback) {
  std::istringstream in(fen);
  std::string field;
  for (int i = 0; i <= index; ++i)
    if (!(in >> field)) return fallback;
  return index == 1 ? (field == "b" ? 1 : 0) : std::atoi(field.c_str());
}

}  // namespace

std::string pgn_time_control(const TimeControl& c) {
  if (c.movetime_ms > 0) return "1/" + seconds_text(c.movetime_ms);
  std::string base = seconds_text(c.base_ms);
  if (c.moves_per_period > 0) base = std::to_string(c.moves_per_period) + "/" + base;
  return base + "+" + seconds_text(c.increment_ms);
}

std::string pgn_date_today() {
  using namespace std::chrono;
  year_month_day day{floor<days>(sys_seconds{seconds{platform::now_seconds()}})};
  char text[16];
  std::snprintf(text, sizeof text, "%04d.%02u.%02u", static_cast<int>(day.year()),
                static_cast<unsigned>(day.month()), static_cast<unsigned>(day.day()));
  return text;
}

std::string game_pgn(const GameHeader& h, const Opening& opening, const GameReport& report) {
  std::string out;
  auto tag = [&](const char* name, const std::string& value) {
    out += std::string("[") + name + " \"" + escaped(value) + "\"]\n";
  };
  tag("Event", h.event);
  tag("Site", "?");
  tag("Date", h.date);
  tag("Round", std::to_string(h.round));
  tag("White", h.white);
  tag("Black", h.black);
  tag("Result", report.result);
  if (!opening.fen.empty()) {
    tag("FEN", opening.fen);
    tag("SetUp", "1");
  }
  tag("TimeControl", h.time_control);
  tag("PlyCount", std::to_string(report.moves.size()));
  if (!report.reason.empty()) tag("Termination", report.reason);
  out += "\n";

  std::vector<std::string> words;
  bool black_moves = fen_number(opening.fen, 1, 0) == 1;
  int number = opening.fen.empty() ? 1 : std::max(1, fen_number(opening.fen, 5, 1));
  for (std::size_t i = 0; i < report.moves.size(); ++i) {
    const PlyRecord& r = report.moves[i];
    if (!black_moves) words.push_back(std::to_string(number) + ".");
    else if (i == 0) words.push_back(std::to_string(number) + "...");
    words.push_back(r.san.empty() ? r.move : r.san);
    words.push_back(move_comment(r));
    if (black_moves) ++number;
    black_moves = !black_moves;
  }
  std::string ending = report.reason;
  // The position the failure names is the game itself.
  if (!report.failure.empty()) ending += ": " + report.failure.substr(0, report.failure.find(" | "));
  if (!ending.empty()) {
    for (char& c : ending)
      if (c == '{' || c == '}') c = '|';
    words.push_back("{" + ending + "}");
  }
  words.push_back(report.result);

  // Comments are words too: a line breaks only between words.
  std::string line;
  for (const std::string& w : words) {
    if (!line.empty() && line.size() + 1 + w.size() > kLineWidth) {
      out += line + "\n";
      line.clear();
    }
    line += (line.empty() ? "" : " ") + w;
  }
  return out + line + "\n\n";
}

}  // namespace ostrim::tools
