#include "tb_compress.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fstream>
#include <queue>

#include "platform/files.h"
#include "tablebase/decompress.h"

namespace ostrim::tools {

using namespace ostrim::tablebase;

namespace {

constexpr int kFieldBits = kBlockBits;
constexpr uint32_t kSampleBlocks = 64;       // blocks looked at to choose the distances
constexpr uint32_t kHashSize = 1 << 14;
constexpr int kChainLength = 16;             // earlier places of a three-byte string tried
constexpr int32_t kMeasuredMatch = 64;
constexpr uint32_t kMinimumMatch = 2;
constexpr uint32_t kLongestMatch = (uint32_t{1} << 17) * 2 + 13;
constexpr int kRunSymbolBase = 32;
constexpr int kShortestRun = 3;             // shorter runs of one length are written out
constexpr int kLongRunBase = 31;
constexpr int kZeroRunLimit = 15;

struct Token {
  uint16_t symbol;
  uint8_t extra_bits;
  uint32_t extra;
};

// Most significant bit first.
struct BitWriter {
  std::vector<uint8_t> bytes;
  uint64_t bits = 0;

  void put(uint64_t value, int count) {
    for (int i = count - 1; i >= 0; --i) {
      if ((bits & 7) == 0) bytes.push_back(0);
      if ((value >> i) & 1) bytes.back() |= static_cast<uint8_t>(0x80 >> (bits & 7));
      ++bits;
    }
  }
};

void put_big_endian32(std::vector<uint8_t>& out, std::size_t at, uint32_t value) {
  for (int i = 0; i < 4; ++i) out[at + i] = static_cast<uint8_t>(value >> (24 - 8 * i));
}

// Huffman code lengths of the frequencies, none above `limit`; a single
// used symbol gets length 1 (the reader gives it away without bits).
std::vector<uint8_t> code_lengths(const std::vector<uint64_t>& frequencies, int limit) {
  const int n = static_cast<int>(frequencies.size());
  std::vector<uint8_t> lengths(n, 0);
  std::vector<uint64_t> weights = frequencies;
  for (;;) {
    using Item = std::pair<uint64_t, int>;
    std::priority_queue<Item, std::vector<Item>, std::greater<Item>> queue;
    std::vector<int> parent;
    for (int s = 0; s < n; ++s)
      if (weights[s] > 0) {
        queue.push({weights[s], static_cast<int>(parent.size())});
        parent.push_back(-1);
      }
    if (parent.size() <= 1) {
      for (int s = 0; s < n; ++s) lengths[s] = weights[s] > 0 ? 1 : 0;
      return lengths;
    }
    while (queue.size() > 1) {
      Item a = queue.top();
      queue.pop();
      Item b = queue.top();
      queue.pop();
      int node = static_cast<int>(parent.size());
      parent.push_back(-1);
      parent[a.second] = node;
      parent[b.second] = node;
      queue.push({a.first + b.first, node});
    }
    int longest = 0;
    int leaf = 0;
    for (int s = 0; s < n; ++s) {
      if (weights[s] == 0) continue;
      int depth = 0;
      for (int at = leaf++; parent[at] >= 0; at = parent[at]) ++depth;
      lengths[s] = static_cast<uint8_t>(depth);
      longest = std::max(longest, depth);
    }
    if (longest <= limit) return lengths;
    for (uint64_t& w : weights)
      if (w > 0) w = (w >> 1) | 1;  // flatter weights give shorter codes
  }
}

// Canonical codes in increasing (length, symbol) order, as the reader assigns them.
std::vector<uint32_t> canonical_codes(const std::vector<uint8_t>& lengths) {
  uint32_t per_length[kLongestCode + 2] = {};
  for (uint8_t l : lengths)
    if (l > 0) ++per_length[l];
  uint32_t next[kLongestCode + 2] = {};
  for (int l = 1; l <= kLongestCode; ++l) next[l + 1] = (next[l] + per_length[l]) << 1;
  std::vector<uint32_t> codes(lengths.size(), 0);
  for (std::size_t s = 0; s < lengths.size(); ++s)
    if (lengths[s] > 0) codes[s] = next[lengths[s]]++;
  return codes;
}

bool single_symbol(const std::vector<uint8_t>& lengths) {
  return std::count_if(lengths.begin(), lengths.end(), [](uint8_t l) { return l > 0; }) == 1;
}

void put_symbol(BitWriter& w, const std::vector<uint8_t>& lengths, const std::vector<uint32_t>& codes, bool single,
                int symbol) {
  if (!single) w.put(codes[symbol], lengths[symbol]);
}

// The 24 distances that give the longest matches most often in a sample
// of the blocks, nearest first among equals; 1 always among them.
void choose_distances(const std::vector<uint8_t>& bytes, uint32_t distances[kDistanceCount]) {
  std::vector<uint64_t> hits(kBlockSize, 0);
  std::vector<int32_t> last(kHashSize);
  std::vector<int32_t> previous(kBlockSize);
  uint64_t blocks = (bytes.size() + kBlockSize - 1) / kBlockSize;
  uint64_t step = std::max<uint64_t>(1, blocks / kSampleBlocks);
  for (uint64_t block = 0; block < blocks; block += step) {
    const uint8_t* start = bytes.data() + block * kBlockSize;
    int32_t length = static_cast<int32_t>(std::min<uint64_t>(kBlockSize, bytes.size() - block * kBlockSize));
    std::fill(last.begin(), last.end(), -1);
    for (int32_t i = 0; i + 3 <= length; ++i) {
      uint32_t hash = (start[i] * 506832829u ^ start[i + 1] * 2654435761u ^ start[i + 2]) % kHashSize;
      uint32_t best_distance = 0;
      int32_t best_length = 0;
      int chain = 0;
      for (int32_t j = last[hash]; j >= 0 && chain < kChainLength; j = previous[j], ++chain) {
        int32_t n = 0;
        while (n < kMeasuredMatch && i + n < length && start[i + n] == start[j + n]) ++n;
        if (n >= 3 && n > best_length) {
          best_length = n;
          best_distance = static_cast<uint32_t>(i - j);
        }
      }
      previous[i] = last[hash];
      last[hash] = i;
      if (best_distance != 0) ++hits[best_distance];
    }
  }
  std::vector<uint32_t> order;
  for (uint32_t d = 1; d < kBlockSize; ++d) order.push_back(d);
  std::stable_sort(order.begin(), order.end(), [&](uint32_t a, uint32_t b) { return hits[a] > hits[b]; });
  bool has_one = false;
  for (int i = 0; i < kDistanceCount; ++i) {
    distances[i] = order[i];
    has_one |= order[i] == 1;
  }
  if (!has_one) distances[kDistanceCount - 1] = 1;
}

uint32_t match_length(const uint8_t* block, uint32_t at, uint32_t length, uint32_t distance) {
  if (distance > at) return 0;
  uint32_t most = std::min(length - at, kLongestMatch);
  uint32_t n = 0;
  while (n < most && block[at + n] == block[at + n - distance]) ++n;
  return n;
}

struct Match {
  uint32_t length;
  int slot;
};

Match best_match(const uint8_t* block, uint32_t at, uint32_t length, const uint32_t* distances) {
  Match best{0, 0};
  for (int slot = 0; slot < kDistanceCount; ++slot) {
    uint32_t n = match_length(block, at, length, distances[slot]);
    if (n > best.length) best = {n, slot};
  }
  return best;
}

Token match_token(const Match& m) {
  int slot_base = kLiteralCount + m.slot * kLengthCodes;
  if (m.length <= kShortLengthCodes) return {static_cast<uint16_t>(slot_base + m.length - 1), 0, 0};
  uint32_t above = m.length - (kShortLengthCodes - 1);  // 2^e + x
  int e = 31 - __builtin_clz(above);
  return {static_cast<uint16_t>(slot_base + e + kShortLengthCodes - 1), static_cast<uint8_t>(e),
          above - (uint32_t{1} << e)};
}

// Literals and matches, greedy with a one-byte look ahead.
std::vector<Token> parse_block(const uint8_t* block, uint32_t length, const uint32_t* distances) {
  std::vector<Token> tokens;
  uint32_t at = 0;
  while (at < length) {
    Match here = best_match(block, at, length, distances);
    if (here.length >= kMinimumMatch && at + 1 < length) {
      Match next = best_match(block, at + 1, length, distances);
      if (next.length > here.length + 1) here.length = 0;
    }
    if (here.length < kMinimumMatch) {
      tokens.push_back({block[at], 0, 0});
      ++at;
      continue;
    }
    tokens.push_back(match_token(here));
    at += here.length;
  }
  return tokens;
}

// The code lengths of the main alphabet as the header stores them: runs of
// one length through one small alphabet, their counts through another, and
// the small alphabets' own lengths written plainly.
void put_code_lengths(BitWriter& w, const std::vector<uint8_t>& lengths) {
  struct Step {
    int symbol;
    int run_symbol;  // -1: none
    int extra_bits;
    uint32_t extra;
  };
  std::vector<Step> steps;
  std::vector<uint64_t> small_frequencies(2 * kLengthAlphabet, 0);
  for (std::size_t i = 0; i < lengths.size();) {
    std::size_t j = i;
    while (j < lengths.size() && lengths[j] == lengths[i]) ++j;
    uint32_t run = static_cast<uint32_t>(j - i);
    if (run < kShortestRun) {
      for (uint32_t k = 0; k < run; ++k) steps.push_back({lengths[i], -1, 0, 0});
      small_frequencies[lengths[i]] += run;
    } else {
      uint32_t count = run - 2;
      Step s{kRunSymbolBase + lengths[i], static_cast<int>(count), 0, 0};
      if (count > static_cast<uint32_t>(kLongRunBase)) {
        uint32_t above = count - kLongRunBase;
        int e = 31 - __builtin_clz(above);
        s.run_symbol = kRunSymbolBase + e;
        s.extra_bits = e;
        s.extra = above - (uint32_t{1} << e);
      }
      steps.push_back(s);
      ++small_frequencies[s.symbol];
      ++small_frequencies[kLengthAlphabet + s.run_symbol];
    }
    i = j;
  }
  std::vector<uint64_t> single_frequencies(small_frequencies.begin(), small_frequencies.begin() + kLengthAlphabet);
  std::vector<uint64_t> run_frequencies(small_frequencies.begin() + kLengthAlphabet, small_frequencies.end());
  std::vector<uint8_t> single_lengths = code_lengths(single_frequencies, kLongestCode);
  std::vector<uint8_t> run_lengths = code_lengths(run_frequencies, kLongestCode);
  std::vector<uint32_t> single_codes = canonical_codes(single_lengths);
  std::vector<uint32_t> run_codes = canonical_codes(run_lengths);

  w.put(0, 1);  // the main lengths are not all zero
  w.put(0, 1);  // nor are the small alphabets'
  std::vector<uint8_t> small(single_lengths);
  small.insert(small.end(), run_lengths.begin(), run_lengths.end());
  int width = 1;
  for (uint8_t l : small)
    while ((l >> width) != 0) ++width;
  w.put(width, 5);
  for (std::size_t i = 0; i < small.size();) {
    w.put(small[i], width);
    ++i;
    if (small[i - 1] != 0) continue;
    int zeros = 0;
    while (i < small.size() && small[i] == 0 && zeros < kZeroRunLimit) {
      ++zeros;
      ++i;
    }
    w.put(zeros, 4);
  }

  bool single_one = single_symbol(single_lengths);
  bool run_one = single_symbol(run_lengths);
  for (const Step& s : steps) {
    put_symbol(w, single_lengths, single_codes, single_one, s.symbol);
    if (s.run_symbol < 0) continue;
    put_symbol(w, run_lengths, run_codes, run_one, s.run_symbol);
    w.put(s.extra, s.extra_bits);
  }
}

}  // namespace

bool compress_table(const std::vector<uint8_t>& bytes, std::vector<uint8_t>& file, std::string& error) {
  if (bytes.empty()) {
    error = "an empty table has no blocks";
    return false;
  }
  uint32_t block_count = static_cast<uint32_t>((bytes.size() + kBlockSize - 1) / kBlockSize);
  uint32_t last_length = static_cast<uint32_t>(bytes.size() - uint64_t{block_count - 1} * kBlockSize);
  uint32_t distances[kDistanceCount];
  choose_distances(bytes, distances);

  std::vector<std::vector<Token>> parsed(block_count);
  std::vector<uint64_t> frequencies(kMainSymbols, 0);
  for (uint32_t k = 0; k < block_count; ++k) {
    uint32_t length = k + 1 == block_count ? last_length : kBlockSize;
    parsed[k] = parse_block(bytes.data() + uint64_t{k} * kBlockSize, length, distances);
    for (const Token& t : parsed[k]) ++frequencies[t.symbol];
  }
  std::vector<uint8_t> lengths = code_lengths(frequencies, kLongestCode);
  std::vector<uint32_t> codes = canonical_codes(lengths);
  bool single = single_symbol(lengths);

  // Each block is stored whole unless coding makes it shorter.
  std::vector<std::vector<uint8_t>> blocks(block_count);
  for (uint32_t k = 0; k < block_count; ++k) {
    uint32_t length = k + 1 == block_count ? last_length : kBlockSize;
    BitWriter w;
    for (const Token& t : parsed[k]) {
      put_symbol(w, lengths, codes, single, t.symbol);
      w.put(t.extra, t.extra_bits);
    }
    if (w.bytes.empty()) w.bytes.push_back(0);
    if (w.bytes.size() < length)
      blocks[k] = std::move(w.bytes);
    else
      blocks[k].assign(bytes.begin() + uint64_t{k} * kBlockSize, bytes.begin() + uint64_t{k} * kBlockSize + length);
  }

  BitWriter fields;
  for (const auto& block : blocks) fields.put(block.size() & (kBlockSize - 1), kFieldBits);  // 0 is 8192
  fields.put(last_length & (kBlockSize - 1), kFieldBits);
  for (uint32_t d : distances) fields.put(d, kFieldBits);
  BitWriter lengths_stream;
  put_code_lengths(lengths_stream, lengths);
  if (lengths_stream.bytes.size() % 2 != 0) lengths_stream.bytes.push_back(0);  // readers take 16 bits at a time

  std::size_t records = kFixedHeaderSize + std::size_t{block_count} * kBlockRecordSize;
  std::size_t header_length = records + fields.bytes.size() + lengths_stream.bytes.size() + kChecksumSize;
  file.assign(header_length, 0);
  std::memcpy(file.data(), kBanner, kBannerSize);
  put_big_endian32(file, kHeaderLengthOffset, static_cast<uint32_t>(header_length));
  file[kBlockBitsOffset] = kBlockBits;
  file[kFieldMarkOffset] = kFieldMark;
  put_big_endian32(file, kBlockCountOffset, block_count);
  put_big_endian32(file, kFormatMarkOffset, kFormatMark);
  for (uint32_t k = 0; k < block_count; ++k) {
    // The block's length and a checksum of its bytes, for whoever wants to check.
    uint32_t length = k + 1 == block_count ? last_length : kBlockSize;
    std::size_t at = kFixedHeaderSize + std::size_t{k} * kBlockRecordSize;
    put_big_endian32(file, at, length);
    put_big_endian32(file, at + 4, header_checksum(bytes.data() + uint64_t{k} * kBlockSize, length));
  }
  std::memcpy(file.data() + records, fields.bytes.data(), fields.bytes.size());
  std::memcpy(file.data() + records + fields.bytes.size(), lengths_stream.bytes.data(), lengths_stream.bytes.size());
  put_big_endian32(file, header_length - kChecksumSize, header_checksum(file.data(), header_length - kChecksumSize));
  for (const auto& block : blocks) file.insert(file.end(), block.begin(), block.end());
  if (file.size() > UINT32_MAX) {
    error = "the compressed table exceeds 4 GB";
    return false;
  }
  return true;
}

bool write_compressed_table(const std::vector<uint8_t>& bytes, const std::string& path, std::string& error) {
  std::vector<uint8_t> file;
  if (!compress_table(bytes, file, error)) return false;
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(file.data()), static_cast<std::streamsize>(file.size()));
  out.close();
  if (!out) {
    error = "cannot write " + path + ": " + std::strerror(errno);
    return false;
  }
  return true;
}

bool verify_compressed_table(const std::vector<uint8_t>& bytes, const std::string& path, std::string& error) {
  platform::File* file = platform::open_file(path.c_str());
  if (file == nullptr) {
    error = "cannot open " + path;
    return false;
  }
  CompressedHeader h;
  bool ok = read_compressed_header(file, h) == HeaderStatus::Ok;
  if (!ok) error = "the header is refused";
  std::vector<uint8_t> input(kBlockSize);
  std::vector<uint8_t> output(kBlockSize);
  for (uint32_t k = 0; ok && k < h.block_count; ++k) {
    uint32_t expected = k + 1 == h.block_count ? h.last_block_length : h.block_length;
    uint64_t start = block_offset(h, k);
    uint64_t length = block_offset(h, k + 1) - start;
    ok = length <= kBlockSize && platform::seek_file(file, static_cast<int64_t>(start)) &&
         platform::read_file(file, input.data(), static_cast<int64_t>(length)) == static_cast<int64_t>(length);
    if (ok && length == expected)
      std::memcpy(output.data(), input.data(), length);
    else if (ok)
      ok = decode_block(h, input.data(), static_cast<uint32_t>(length), output.data(), expected);
    ok = ok && uint64_t{k} * kBlockSize + expected <= bytes.size() &&
         std::memcmp(output.data(), bytes.data() + uint64_t{k} * kBlockSize, expected) == 0;
    if (!ok) error = "block " + std::to_string(k) + " does not read back";
  }
  if (ok && uint64_t{h.block_count - 1} * kBlockSize + h.last_block_length != bytes.size()) {
    ok = false;
    error = "the table's length does not read back";
  }
  platform::close_file(file);
  return ok;
}

}  // namespace ostrim::tools
