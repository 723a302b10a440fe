#include "book_build.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>
#include <unordered_map>
#include <vector>

#include "board/attacks.h"
#include "board/game_record.h"
#include "board/keys.h"
#include "board/makemove.h"
#include "board/movegen.h"
#include "board/notation.h"
#include "board/setup.h"
#include "book/book.h"
#include "book_build_pgn.h"
#include "pgn_moves.h"

namespace ostrim::tools {
namespace {

constexpr int kDefaultMaxPly = 24;
constexpr int kDefaultMinGames = 1;
// Each position's weights are scaled to share this total, so that the
// engine's selectivity threshold (Book_selectivity x 10) reads as a
// percentage of the position's games.
constexpr uint64_t kPositionWeightTotal = 1000;

constexpr const char* kUsage =
    "usage: ostrim-tool book build <games.pgn> <book.bin> [--max-ply N] [--min-games K]\n";

struct BuildSettings {
  const char* pgn_path = nullptr;
  const char* book_path = nullptr;
  int max_ply = kDefaultMaxPly;
  int min_games = kDefaultMinGames;
};

// How often a move was played in a position and how it fared: each game
// adds 1 plus the mover's half-points (win 2, draw 1, loss 0).
struct MoveTally {
  uint32_t games = 0;
  uint64_t points = 0;
};

// The six key bytes packed so that numeric order is the file's byte order,
// shifted up to make room for the move below them.
uint64_t tally_key(const HashKey& key, Move m) {
  uint8_t bytes[book::kKeyBytes];
  book::key_bytes(key, bytes);
  uint64_t packed = 0;
  for (uint8_t b : bytes) packed = packed << 8 | b;
  return packed << 16 | m;
}

struct Played {
  uint64_t key;
  Colour mover;
};

bool parse_count(const char* text, int& out) {
  char* end = nullptr;
  long value = std::strtol(text, &end, 10);
  if (end == text || *end != '\0' || value < 1 || value > 100000) return false;
  out = static_cast<int>(value);
  return true;
}

bool parse_arguments(int argc, char** argv, BuildSettings& s) {
  std::vector<const char*> files;
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--max-ply") == 0 && i + 1 < argc) {
      if (!parse_count(argv[++i], s.max_ply)) return false;
    } else if (std::strcmp(argv[i], "--min-games") == 0 && i + 1 < argc) {
      if (!parse_count(argv[++i], s.min_games)) return false;
    } else if (argv[i][0] == '-' && argv[i][1] == '-') {
      return false;
    } else {
      files.push_back(argv[i]);
    }
  }
  if (files.size() != 2) return false;
  s.pgn_path = files[0];
  s.book_path = files[1];
  return true;
}

std::string game_name(const PgnGame& g) {
  return "game " + std::to_string(g.number) + " (White \"" + tag_value(g, "White") + "\", Black \"" +
         tag_value(g, "Black") + "\", Event \"" + tag_value(g, "Event") + "\")";
}

// Half-points of White: 2 win, 1 draw or unknown, 0 loss.
int white_half_points(const PgnGame& g) {
  std::string result = tag_value(g, "Result");
  if (result != "1-0" && result != "0-1" && result != "1/2-1/2") result = g.result;
  if (result == "1-0") return 2;
  if (result == "0-1") return 0;
  return 1;
}


void play(Move m) {
  Position child;
  construct_position(child, main_board);
  make_full_move(root_position, m, child);
  copy_position(root_position, child);
  root_position.parent = nullptr;
}

// "12. Nf3" or "12... Nf6" for the ply counted from the game's start.
std::string move_label(int first_move_number, Colour first_side, int ply, const std::string& text) {
  int half = ply + (first_side == kBlack ? 1 : 0);
  int number = first_move_number + half / 2;
  return std::to_string(number) + (half % 2 == 0 ? ". " : "... ") + text;
}

// Replays the game's first plies; the (position, move) pairs it played, or
// the reason it cannot be used.
bool replay(const PgnGame& g, int max_ply, std::vector<Played>& played, std::string& why) {
  played.clear();
  if (!g.error.empty()) {
    why = g.error;
    return false;
  }
  const std::string& fen = tag_value(g, "FEN");
  if (setup_position(fen.empty() ? nullptr : fen.c_str()) != 0 || !sound_start(root_position)) {
    why = "bad FEN \"" + fen + "\"";
    return false;
  }
  int first_move_number = 1;
  if (!fen.empty()) {
    const char* last_field = std::strrchr(fen.c_str(), ' ');
    if (last_field != nullptr) first_move_number = std::max(1, std::atoi(last_field + 1));
  }
  Colour first_side = root_position.side;
  int plies = std::min<int>(max_ply, static_cast<int>(g.moves.size()));
  for (int ply = 0; ply < plies; ++ply) {
    const std::string& text = g.moves[ply];
    Move m = match_game_move(root_position, text);
    if (m == kNullMove) {
      why = "illegal or unreadable move " + move_label(first_move_number, first_side, ply, text);
      return false;
    }
    played.push_back(Played{tally_key(root_position.key, m), root_position.side});
    play(m);
  }
  return true;
}

void put16(std::vector<uint8_t>& out, uint16_t v) {
  out.push_back(static_cast<uint8_t>(v));
  out.push_back(static_cast<uint8_t>(v >> 8));
}

struct BookCounts {
  uint64_t positions = 0;
  uint64_t records = 0;
};

// Records sorted by key bytes, then weight (highest first), then move code.
std::vector<uint8_t> book_records(const std::unordered_map<uint64_t, MoveTally>& tallies, int min_games,
                                  BookCounts& counts) {
  std::vector<std::pair<uint64_t, MoveTally>> all(tallies.begin(), tallies.end());
  std::sort(all.begin(), all.end(),
            [](const auto& a, const auto& b) { return a.first < b.first; });
  std::vector<uint8_t> out;
  std::vector<std::pair<uint64_t, MoveTally>> position;
  for (std::size_t i = 0; i < all.size();) {
    uint64_t key = all[i].first >> 16;
    position.clear();
    for (; i < all.size() && all[i].first >> 16 == key; ++i)
      if (all[i].second.games >= static_cast<uint32_t>(min_games)) position.push_back(all[i]);
    if (position.empty()) continue;
    std::stable_sort(position.begin(), position.end(),
                     [](const auto& a, const auto& b) { return a.second.points > b.second.points; });
    if (position.size() > book::kMaxBookEntries) position.resize(book::kMaxBookEntries);
    uint64_t total = 0;
    for (const auto& entry : position) total += entry.second.points;
    ++counts.positions;
    for (const auto& entry : position) {
      uint64_t weight = std::max<uint64_t>(1, entry.second.points * kPositionWeightTotal / total);
      for (int shift = 40; shift >= 0; shift -= 8) out.push_back(static_cast<uint8_t>(key >> shift));
      put16(out, 0);  // reserved
      put16(out, static_cast<uint16_t>(entry.first & 0xFFFF));
      put16(out, static_cast<uint16_t>(weight));
      ++counts.records;
    }
  }
  return out;
}

}  // namespace

int run_book_build(int argc, char** argv) {
  BuildSettings settings;
  if (!parse_arguments(argc, argv, settings)) {
    std::fputs(kUsage, stderr);
    return 2;
  }
  std::ifstream in(settings.pgn_path, std::ios::binary);
  if (!in) {
    std::fprintf(stderr, "book build: cannot read %s\n", settings.pgn_path);
    return 2;
  }
  auto start = std::chrono::steady_clock::now();
  draw_hash_keys();

  std::unordered_map<uint64_t, MoveTally> tallies;
  PgnReader reader;
  reader.in = &in;
  PgnGame game;
  std::vector<Played> played;
  std::string why;
  int used = 0;
  int skipped = 0;
  while (read_pgn_game(reader, game)) {
    if (!replay(game, settings.max_ply, played, why)) {
      std::fprintf(stderr, "skipped %s: %s\n", game_name(game).c_str(), why.c_str());
      ++skipped;
      continue;
    }
    ++used;
    int white = white_half_points(game);
    for (const Played& p : played) {
      MoveTally& tally = tallies[p.key];
      ++tally.games;
      tally.points += 1 + static_cast<uint64_t>(p.mover == kWhite ? white : 2 - white);
    }
  }

  BookCounts counts;
  std::vector<uint8_t> records = book_records(tallies, settings.min_games, counts);
  std::ofstream out(settings.book_path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(records.data()), static_cast<std::streamsize>(records.size()));
  out.close();
  if (!out) {
    std::fprintf(stderr, "book build: cannot write %s\n", settings.book_path);
    return 2;
  }
  double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  std::printf("%d games read, %d used, %d skipped\n", reader.games_read, used, skipped);
  std::printf("%llu positions, %llu records, %llu bytes written to %s in %.2f s\n",
              static_cast<unsigned long long>(counts.positions),
              static_cast<unsigned long long>(counts.records),
              static_cast<unsigned long long>(records.size()), settings.book_path, seconds);
  return 0;
}

}  // namespace ostrim::tools
