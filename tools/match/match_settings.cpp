#include "match/match_settings.h"

#include <cstdlib>
#include <cstring>
#include <map>

namespace ostrim::tools {

const char* const kMatchUsage =
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

namespace {

// With a fixed time a move the engine itself decides when to stop, and an
// engine that looks at its clock a few times a second overruns it a little.
constexpr int kDefaultMovetimeMarginMs = 1000;

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
  bool control_given = false;
  bool margin_given = false;
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
      control_given = true;
    } else if (a == "--st" && value(v)) {
      s.control = TimeControl{};
      if (!parse_seconds(v, s.control.movetime_ms) || s.control.movetime_ms < 1) {
        why = "cannot read the time per move " + v;
        return false;
      }
      control_given = true;
    } else if (a == "--openings" && value(v)) {
      s.openings_path = v;
    } else if ((a == "--openings-start" && value(v) && parse_int(v, s.openings_start, 1)) ||
               (a == "--rounds" && value(v) && parse_int(v, s.rounds, 1)) ||
               (a == "--concurrency" && value(v) && parse_int(v, s.concurrency, 1)) ||
               (a == "--maxplies" && value(v) && parse_int(v, s.rules.max_plies, 0)) ||
               (a == "--hang-grace" && value(v) && parse_int(v, s.rules.hang_grace_ms, 0))) {
    } else if (a == "--timemargin" && value(v) && parse_int(v, s.rules.time_margin_ms, 0)) {
      margin_given = true;
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
  if (!control_given) {
    why = "a time control is needed: --tc BASE+INC or --st SECONDS";
    return false;
  }
  if (s.control.movetime_ms > 0 && !margin_given) s.rules.time_margin_ms = kDefaultMovetimeMarginMs;
  return true;
}

}  // namespace

bool parse_match_arguments(const std::vector<std::string>& words, MatchSettings& s, std::string& why) {
  // tc=... and st=... as other match runners write them.
  std::vector<std::string> rewritten{"match"};
  for (const std::string& w : words) {
    if (w.rfind("tc=", 0) == 0 || w.rfind("st=", 0) == 0) {
      rewritten.push_back("--" + w.substr(0, 2));
      rewritten.push_back(w.substr(3));
    } else {
      rewritten.push_back(w);
    }
  }
  std::vector<char*> args;
  for (std::string& w : rewritten) args.push_back(w.data());
  return parse_arguments(static_cast<int>(args.size()), args.data(), s, why);
}

}  // namespace ostrim::tools
