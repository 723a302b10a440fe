#include "book/book.h"

#include <algorithm>
#include <cstring>

#include "board/movegen.h"
#include "platform/clock.h"
#include "platform/files.h"

namespace ostrim::book {
namespace {

struct OpeningBook {
  platform::File* file = nullptr;
  uint32_t record_count = 0;
  uint32_t random_state = 0;
};

OpeningBook opening_book;

struct Record {
  uint8_t key[kKeyBytes];
  Move move;
  int16_t weight;
};

// The book's sums live in 16 bits and wrap, as the file format's weights do.
int16_t wrap16(int value) { return static_cast<int16_t>(static_cast<uint16_t>(value)); }

// Record `number` counted from 1; false on a failed or short read.
bool read_record(uint32_t number, Record& record) {
  uint8_t bytes[kRecordSize];
  int64_t offset = static_cast<int64_t>(number - 1) * kRecordSize;
  if (!platform::seek_file(opening_book.file, offset)) return false;
  if (platform::read_file(opening_book.file, bytes, kRecordSize) != kRecordSize) return false;
  std::memcpy(record.key, bytes, kKeyBytes);
  record.move = static_cast<Move>(bytes[kMoveOffset] | bytes[kMoveOffset + 1] << 8);
  record.weight = wrap16(bytes[kWeightOffset] | bytes[kWeightOffset + 1] << 8);
  return true;
}

bool same_key_bytes(const Record& record, const uint8_t probe[kKeyBytes]) {
  return std::memcmp(record.key, probe, kKeyBytes) == 0;
}

// The weighted choice among the collected entries; zeroes the weights the
// selectivity drops. The null move when nothing is chosen.
Move choose_entry(BookEntry* entries, int count, int threshold) {
  int16_t sum = 0;
  for (int i = 0; i < count; ++i) sum = wrap16(sum + entries[i].weight);
  if (sum == 0) return kNullMove;

  int best = 0;
  for (int i = 0; i < count; ++i) best = std::max(best, static_cast<int>(entries[i].weight));
  int floor = std::min(best, threshold);
  for (int i = 0; i < count; ++i) {
    if (entries[i].weight < floor) {
      sum = wrap16(sum - entries[i].weight);
      entries[i].weight = 0;
    }
  }

  uint32_t& state = opening_book.random_state;
  state = state * 214013u + 2531011u;
  int32_t r = static_cast<int32_t>((state >> 16) & 0x7FFF);
  uint32_t x = static_cast<uint32_t>(r * sum) >> 15;

  int16_t total = 0;
  for (int i = 0; i < count; ++i) {
    total = wrap16(total + static_cast<uint16_t>(entries[i].weight));
    // A negative total compares as a large unsigned number: with a corrupt
    // run the walk still ends inside it.
    if (x < static_cast<uint32_t>(static_cast<int32_t>(total))) return entries[i].move;
  }
  return kNullMove;
}

}  // namespace

void key_bytes(const HashKey& key, uint8_t out[kKeyBytes]) {
  for (int i = 0; i < 4; ++i) out[i] = static_cast<uint8_t>(key.low >> (8 * i));
  out[4] = static_cast<uint8_t>(key.high);
  out[5] = static_cast<uint8_t>(key.high >> 8);
}

bool open_book(const char* path) {
  close_book();
  platform::File* file = platform::open_file(path);
  if (file == nullptr) return false;
  int64_t size = platform::file_size(file);
  int64_t records = size > 0 ? size / kRecordSize : 0;
  opening_book.file = file;
  opening_book.record_count = static_cast<uint32_t>(std::min<int64_t>(records, UINT32_MAX));
  opening_book.random_state = static_cast<uint32_t>(platform::now_seconds());
  return true;
}

void close_book() {
  platform::close_file(opening_book.file);
  opening_book.file = nullptr;
  opening_book.record_count = 0;
}

int book_entries(const HashKey& key, BookEntry entries[kMaxBookEntries]) {
  if (opening_book.file == nullptr) return 0;
  uint8_t probe[kKeyBytes];
  key_bytes(key, probe);

  // Records are numbered from 1, so that hi may fall to 0 without wrapping.
  int64_t lo = 1;
  int64_t hi = opening_book.record_count;
  int64_t mid = 0;
  Record record;
  bool found = false;
  while (lo <= hi) {
    mid = (lo + hi) / 2;
    if (!read_record(static_cast<uint32_t>(mid), record)) return 0;
    int order = std::memcmp(probe, record.key, kKeyBytes);
    if (order < 0) {
      hi = mid - 1;
    } else if (order > 0) {
      lo = mid + 1;
    } else {
      found = true;
      break;
    }
  }
  if (!found) return 0;

  int count = 0;
  entries[count++] = BookEntry{record.move, record.weight};
  for (int64_t i = mid - 1; i >= 1 && count < kMaxBookEntries; --i) {
    if (!read_record(static_cast<uint32_t>(i), record)) return count;
    if (!same_key_bytes(record, probe)) break;
    entries[count++] = BookEntry{record.move, record.weight};
  }
  for (int64_t i = mid + 1; i <= opening_book.record_count && count < kMaxBookEntries; ++i) {
    if (!read_record(static_cast<uint32_t>(i), record)) return count;
    if (!same_key_bytes(record, probe)) break;
    entries[count++] = BookEntry{record.move, record.weight};
  }
  return count;
}

Move book_move(const Position& p, int threshold) {
  if (opening_book.file == nullptr) return kNullMove;
  BookEntry entries[kMaxBookEntries];
  int count = book_entries(p.key, entries);
  if (count == 0) return kNullMove;
  Move m = choose_entry(entries, count, threshold);
  // A matching key is no proof: a corrupt, foreign or colliding record (the
  // key leaves out castling rights) may name a move this position lacks.
  if (m == kNullMove || !is_legal_move(p, m)) return kNullMove;
  return m;
}

void seed_book_random(uint32_t state) { opening_book.random_state = state; }

uint32_t book_random_state() { return opening_book.random_state; }

}  // namespace ostrim::book
