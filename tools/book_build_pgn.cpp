#include "book_build_pgn.h"

#include <cctype>
#include <cstring>

namespace ostrim::tools {
namespace {

constexpr int kEnd = std::char_traits<char>::eof();
constexpr std::size_t kLongestMoveText = 10;

int peek(PgnReader& r) { return r.in->rdbuf()->sgetc(); }

int take(PgnReader& r) {
  int c = r.in->rdbuf()->sbumpc();
  if (c == '\n') {
    ++r.line;
    r.at_line_start = true;
  } else if (c != kEnd) {
    r.at_line_start = false;
  }
  return c;
}

void skip_to_line_end(PgnReader& r) {
  while (peek(r) != kEnd && peek(r) != '\n') take(r);
}

void note_error(PgnGame& game, const std::string& text) {
  if (game.error.empty()) game.error = text;
}

// [Name "value"], with \" and \\ escapes in the value.
void read_tag(PgnReader& r, PgnGame& game) {
  take(r);  // '['
  while (peek(r) == ' ' || peek(r) == '\t') take(r);
  std::string name;
  while (peek(r) != kEnd && !std::isspace(peek(r)) && peek(r) != '"' && peek(r) != ']')
    name += static_cast<char>(take(r));
  while (peek(r) == ' ' || peek(r) == '\t') take(r);
  if (name.empty() || peek(r) != '"') {
    note_error(game, "malformed tag at line " + std::to_string(r.line));
    skip_to_line_end(r);
    return;
  }
  take(r);
  std::string value;
  for (;;) {
    int c = peek(r);
    if (c == kEnd || c == '\n') {
      note_error(game, "unterminated tag value at line " + std::to_string(r.line));
      return;
    }
    take(r);
    if (c == '"') break;
    if (c == '\\' && (peek(r) == '"' || peek(r) == '\\')) c = take(r);
    value += static_cast<char>(c);
  }
  while (peek(r) == ' ' || peek(r) == '\t') take(r);
  if (peek(r) != ']') {
    note_error(game, "malformed tag at line " + std::to_string(r.line));
    skip_to_line_end(r);
    return;
  }
  take(r);
  game.tags.emplace_back(std::move(name), std::move(value));
}

// A strchr that never matches the string's terminator, so that a NUL byte in
// the input is an ordinary character.
bool one_of(int c, const char* set) { return c > 0 && std::strchr(set, c) != nullptr; }

bool is_token_end(int c) { return c == kEnd || std::isspace(c) || one_of(c, "{}()[];$"); }

bool is_move_char(char c) {
  return (c >= 'a' && c <= 'h') || (c >= '0' && c <= '8') || one_of(c, "KQRBNqrnOx-:");
}

// Check marks, annotation glyphs, an en passant mark and the '=' of a
// promotion say nothing the move itself does not.
std::string clean_move(std::string text) {
  auto strip_marks = [&text] {
    while (!text.empty() && one_of(text.back(), "!?+#")) text.pop_back();
  };
  strip_marks();
  for (std::string mark : {"e.p.", "ep"}) {
    std::size_t n = mark.size();
    if (text.size() > n + 1 && text.ends_with(mark) &&
        std::isdigit(static_cast<unsigned char>(text[text.size() - n - 1]))) {
      text.resize(text.size() - n);
      strip_marks();
    }
  }
  std::string out;
  for (char c : text) {
    if (c == '=') continue;
    out += c == 'o' ? 'O' : c == ':' ? 'x' : c;
  }
  return out;
}

}  // namespace

char classify_token(const std::string& token, std::string& move) {
  if (token == "1-0" || token == "0-1" || token == "1/2-1/2" || token == "*") return 'R';
  if (token.find_first_not_of("!?") == std::string::npos || token == "e.p." || token == "ep") return 'A';
  std::size_t digits = 0;
  while (digits < token.size() && std::isdigit(static_cast<unsigned char>(token[digits]))) ++digits;
  std::size_t dots = digits;
  while (dots < token.size() && token[dots] == '.') ++dots;
  if (digits > 0 && dots == token.size()) return 'N';
  std::string text = token;
  if (digits > 0 && dots > digits) text = token.substr(dots);  // "12.e4"
  move = clean_move(text);
  if (move.size() < 2 || move.size() > kLongestMoveText) return 'X';
  for (char c : move)
    if (!is_move_char(c)) return 'X';
  return 'S';
}

bool read_pgn_game(PgnReader& r, PgnGame& game) {
  game = PgnGame{};
  bool has_content = false;
  bool in_moves = false;
  int depth = 0;  // variation nesting; moves inside variations are skipped
  for (;;) {
    int c = peek(r);
    if (c == kEnd) break;
    if (std::isspace(c)) {
      take(r);
      continue;
    }
    if (c == '%' && r.at_line_start) {  // escape line
      skip_to_line_end(r);
      continue;
    }
    if (c == '[') {
      if (in_moves) {  // the next game's tags: this one had no result
        if (depth > 0) note_error(game, "unclosed variation");
        break;
      }
      read_tag(r, game);
      has_content = true;
      continue;
    }
    if (c == '{') {
      int opened = r.line;
      take(r);
      while (peek(r) != kEnd && peek(r) != '}') take(r);
      if (take(r) == kEnd) note_error(game, "comment from line " + std::to_string(opened) + " never ends");
      continue;
    }
    if (c == ';') {
      skip_to_line_end(r);
      continue;
    }
    if (c == '(' || c == ')') {
      take(r);
      has_content = in_moves = true;
      if (c == '(') {
        ++depth;
      } else if (depth == 0) {
        note_error(game, "')' without '(' at line " + std::to_string(r.line));
      } else {
        --depth;
      }
      continue;
    }
    if (c == '$') {  // numeric annotation glyph
      take(r);
      while (std::isdigit(peek(r))) take(r);
      continue;
    }
    if (c == ']' || c == '}') {
      take(r);
      note_error(game, std::string("stray '") + static_cast<char>(c) + "' at line " + std::to_string(r.line));
      continue;
    }
    std::string token;
    while (!is_token_end(peek(r))) token += static_cast<char>(take(r));
    if (token.empty()) token += static_cast<char>(take(r));  // never stand still
    has_content = in_moves = true;
    if (depth > 0) continue;
    std::string move;
    char kind = classify_token(token, move);
    if (kind == 'R') {
      game.result = token;
      break;
    }
    if (kind == 'S') game.moves.push_back(move);
    if (kind == 'X') note_error(game, "cannot read \"" + token + "\" at line " + std::to_string(r.line));
  }
  if (!has_content) return false;
  if (depth > 0) note_error(game, "unclosed variation");
  game.number = ++r.games_read;
  return true;
}

const std::string& tag_value(const PgnGame& game, const std::string& name) {
  static const std::string none;
  for (const auto& [tag, value] : game.tags)
    if (tag == name) return value;
  return none;
}

}  // namespace ostrim::tools
