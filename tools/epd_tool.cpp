// ostrim-tool epd: the engine's search on every position of an EPD file
// with best-move (bm) or avoid-move (am) operations.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "board/game_record.h"
#include "board/notation.h"
#include "board/setup.h"
#include "search/parallel.h"
#include "search/transposition.h"
#include "search_runner.h"
#include "tool_registry.h"

namespace ostrim::tools {
namespace {

constexpr int kEpdHashMb = 64;

struct EpdLine {
  std::string fen;
  std::string id;
  std::vector<std::string> best;
  std::vector<std::string> avoid;
};

std::string trim(const std::string& s) {
  std::size_t a = s.find_first_not_of(" \t\r");
  std::size_t b = s.find_last_not_of(" \t\r");
  return a == std::string::npos ? std::string() : s.substr(a, b - a + 1);
}

// Four position fields, then operations "opcode operands;".
bool parse_epd(const std::string& line, EpdLine& out) {
  std::istringstream in(line);
  std::string fields[4];
  for (std::string& f : fields)
    if (!(in >> f)) return false;
  out.fen = fields[0] + " " + fields[1] + " " + fields[2] + " " + fields[3];
  std::string rest;
  std::getline(in, rest);
  std::istringstream ops(rest);
  std::string op;
  while (std::getline(ops, op, ';')) {
    std::istringstream words(trim(op));
    std::string code;
    if (!(words >> code)) continue;
    std::string operand;
    if (code == "bm" || code == "am") {
      while (words >> operand) (code == "bm" ? out.best : out.avoid).push_back(operand);
    } else if (code == "id") {
      std::getline(words, operand);
      out.id = trim(operand);
      if (out.id.size() >= 2 && out.id.front() == '"') {
        out.id.pop_back();
        out.id.erase(0, 1);
      }
    }
  }
  return true;
}

bool matches_any(Move m, const std::vector<std::string>& texts) {
  for (const std::string& t : texts)
    if (find_move(root_position, t.c_str()) == m) return true;
  return false;
}

int run_epd(int argc, char** argv) {
  if (argc < 4) {
    std::fprintf(stderr, "usage: ostrim-tool epd <file> (--depth D | --movetime ms) [--threads N]\n");
    return 2;
  }
  int depth = 0;
  int movetime = 0;
  if (std::strcmp(argv[2], "--depth") == 0) depth = std::atoi(argv[3]);
  else if (std::strcmp(argv[2], "--movetime") == 0) movetime = std::atoi(argv[3]);
  int threads = argc >= 6 && std::strcmp(argv[4], "--threads") == 0 ? std::atoi(argv[5]) : 1;
  if (depth <= 0 && movetime <= 0) {
    std::fprintf(stderr, "epd: give a positive --depth or --movetime\n");
    return 2;
  }
  std::ifstream in(argv[1]);
  if (!in) {
    std::fprintf(stderr, "epd: cannot read %s\n", argv[1]);
    return 2;
  }
  init_engine_for_tools(kEpdHashMb);
  if (threads > 1) start_search_pool(threads);
  int solved = 0;
  int total = 0;
  std::string line;
  while (std::getline(in, line)) {
    EpdLine epd;
    if (trim(line).empty() || !parse_epd(line, epd) || (epd.best.empty() && epd.avoid.empty())) continue;
    ++total;
    if (epd.id.empty()) epd.id = std::string("#").append(std::to_string(total));
    if (setup_position(epd.fen.c_str()) != 0) {
      std::printf("%s illegal-position fail\n", epd.id.c_str());
      continue;
    }
    clear_table();
    RunResult r = run_search(depth, movetime);
    char text[kMoveTextSize];
    move_text_in(text, root_position, r.best);
    bool ok = (epd.best.empty() || matches_any(r.best, epd.best)) && !matches_any(r.best, epd.avoid);
    if (ok) ++solved;
    std::printf("%s %s %s\n", epd.id.c_str(), text, ok ? "ok" : "fail");
    std::fflush(stdout);
  }
  std::printf("solved %d of %d\n", solved, total);
  return 0;
}

const bool registered = register_tool(
    {"epd", "<file> (--depth D | --movetime ms) [--threads N]",
     "searches each position of an EPD file; checks the bm/am operations", run_epd});

}  // namespace
}  // namespace ostrim::tools
