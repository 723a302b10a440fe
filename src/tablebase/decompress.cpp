#include "tablebase/decompress.h"

#include <cstring>
#include <new>

namespace ostrim::tablebase {

// 58 characters of text, CR LF, four zero bytes (the literal's own end is
// the fourth).
const char kBanner[kBannerSize] = "Ostrim endgame table, blocks of 8192 bytes, LZ77 + Huffman\r\n\0\0";

namespace {

constexpr uint32_t kChecksumPolynomial = 0xEDB88320;
constexpr int32_t kUnsetChild = INT32_MIN;
constexpr int kSymbolShift = 5;
constexpr int32_t kCodeLengthMask = 31;
constexpr int kShortLengthFields = 5;   // width of the field that gives the width of each length
constexpr int kZeroRunFields = 4;       // zeros that follow a zero length
constexpr int kRunSymbols = 32;         // symbols from 32 on repeat a length
constexpr int kLongRunBase = 31;
constexpr int kRunMinimum = 2;
constexpr int kSmallAlphabet = 2 * kLengthAlphabet;  // 128

struct ChecksumTable {
  uint32_t entries[256];
};

// Built on first use (the first header read). An even value takes the
// polynomial, the reverse of the common CRC-32 table.
const ChecksumTable& checksum_table() {
  static const ChecksumTable table = [] {
    ChecksumTable t{};
    for (uint32_t i = 0; i < 256; ++i) {
      uint32_t c = i;
      for (int k = 0; k < 8; ++k) c = (c & 1) == 0 ? (c >> 1) ^ kChecksumPolynomial : c >> 1;
      t.entries[i] = c;
    }
    return t;
  }();
  return table;
}

uint32_t big_endian32(const uint8_t* p) {
  return uint32_t{p[0]} << 24 | uint32_t{p[1]} << 16 | uint32_t{p[2]} << 8 | p[3];
}

// Most significant bit first over bytes[0..size); bits beyond the end read
// as zero and mark the reader overrun.
struct BitReader {
  const uint8_t* bytes;
  std::size_t size;
  uint64_t bit;
  bool overrun;
};

uint32_t peek_bits(const BitReader& r, int count) {
  uint32_t value = 0;
  for (int i = 0; i < count; ++i) {
    uint64_t at = r.bit + i;
    uint32_t b = (at >> 3) < r.size ? (r.bytes[at >> 3] >> (7 - (at & 7))) & 1 : 0;
    value = value << 1 | b;
  }
  return value;
}

void skip_bits(BitReader& r, int count) {
  r.bit += count;
  if (r.bit > uint64_t{r.size} * 8) r.overrun = true;
}

uint32_t take_bits(BitReader& r, int count) {
  uint32_t value = peek_bits(r, count);
  skip_bits(r, count);
  return value;
}

// One symbol through a decoding table; -1 for a path the table lacks.
int take_symbol(BitReader& r, const std::vector<int32_t>& table, int direct_bits) {
  int32_t entry = table[peek_bits(r, direct_bits)];
  if (entry >= 0) {
    skip_bits(r, entry & kCodeLengthMask);
    return entry >> kSymbolShift;
  }
  skip_bits(r, direct_bits);
  for (int step = direct_bits; step < kLongestCode; ++step) {
    int32_t child = table[-entry + static_cast<int32_t>(take_bits(r, 1))];
    if (child >= 0) return child;
    if (child == kUnsetChild) return -1;
    entry = child;
  }
  return -1;
}

bool read_lengths(BitReader& r, int count, uint8_t* lengths) {
  if (take_bits(r, 1) != 0) {
    std::memset(lengths, 0, count);
    return !r.overrun;
  }
  int produced = 0;
  if (count > kSmallAlphabet) {
    uint8_t small[kSmallAlphabet];
    if (!read_lengths(r, kSmallAlphabet, small)) return false;
    std::vector<int32_t> single_table;
    std::vector<int32_t> run_table;
    if (!build_decoding_table(small, kLengthAlphabet, kLengthTableBits, single_table) ||
        !build_decoding_table(small + kLengthAlphabet, kLengthAlphabet, kLengthTableBits, run_table))
      return false;
    while (produced < count) {
      int s = take_symbol(r, single_table, kLengthTableBits);
      if (s < 0 || r.overrun) return false;
      if (s < kRunSymbols) {
        lengths[produced++] = static_cast<uint8_t>(s);
        continue;
      }
      int run = take_symbol(r, run_table, kLengthTableBits);
      if (run < 0) return false;
      uint64_t repeat = static_cast<uint64_t>(run);
      if (run >= kRunSymbols) {
        int extra = run - kRunSymbols;
        uint64_t x = extra > 16 ? uint64_t{take_bits(r, 16)} << (extra - 16) | take_bits(r, extra - 16)
                                : take_bits(r, extra);
        repeat = (uint64_t{1} << extra) + x + kLongRunBase;
      }
      repeat += kRunMinimum;
      if (r.overrun || repeat > static_cast<uint64_t>(count - produced)) return false;
      std::memset(lengths + produced, s - kRunSymbols, repeat);
      produced += static_cast<int>(repeat);
    }
    return true;
  }
  int width = static_cast<int>(take_bits(r, kShortLengthFields));
  while (produced < count) {
    uint32_t length = take_bits(r, width);
    if (length > kLongestCode) return false;
    lengths[produced++] = static_cast<uint8_t>(length);
    if (length == 0) {
      int zeros = static_cast<int>(take_bits(r, kZeroRunFields));
      if (zeros > count - produced) return false;
      std::memset(lengths + produced, 0, zeros);
      produced += zeros;
    }
    if (r.overrun) return false;
  }
  return true;
}

}  // namespace

uint32_t header_checksum(const uint8_t* bytes, std::size_t count) {
  const ChecksumTable& t = checksum_table();
  uint32_t c = 0;
  for (std::size_t i = 0; i < count; ++i) c = (c >> 8) ^ t.entries[(c ^ bytes[i]) & 0xFF];
  return c;
}

bool build_decoding_table(const uint8_t* lengths, int count, int direct_bits, std::vector<int32_t>& table) {
  table.assign(std::size_t{1} << direct_bits, 0);
  int used = 0;
  int only = 0;
  uint64_t kraft = 0;
  int per_length[kLongestCode + 1] = {};
  for (int s = 0; s < count; ++s) {
    if (lengths[s] > kLongestCode) return false;
    if (lengths[s] == 0) continue;
    ++used;
    only = s;
    ++per_length[lengths[s]];
    kraft += uint64_t{1} << (kLongestCode - lengths[s]);
  }
  if (used == 0) return true;
  if (used == 1) {
    // One symbol costs no bits at all.
    if (lengths[only] != 1) return false;
    for (int32_t& entry : table) entry = only << kSymbolShift;
    return true;
  }
  if (kraft != uint64_t{1} << kLongestCode) return false;

  uint32_t next_code[kLongestCode + 2] = {};
  for (int length = 1; length <= kLongestCode; ++length)
    next_code[length + 1] = (next_code[length] + per_length[length]) << 1;
  for (int s = 0; s < count; ++s) {
    int length = lengths[s];
    if (length == 0) continue;
    uint32_t code = next_code[length]++;
    if (length <= direct_bits) {
      uint32_t first = code << (direct_bits - length);
      uint32_t span = uint32_t{1} << (direct_bits - length);
      for (uint32_t i = 0; i < span; ++i) table[first + i] = (s << kSymbolShift) | length;
      continue;
    }
    // Longer codes continue bit by bit in a tree below their first bits.
    int32_t slot = static_cast<int32_t>(code >> (length - direct_bits));
    for (int bit = length - direct_bits - 1; bit >= 0; --bit) {
      int32_t current = table[slot];
      bool unset = slot < (1 << direct_bits) ? current == 0 : current == kUnsetChild;
      if (unset) {
        current = -static_cast<int32_t>(table.size());
        table.push_back(kUnsetChild);
        table.push_back(kUnsetChild);
        table[slot] = current;
      } else if (current >= 0) {
        return false;  // a shorter code already ends here
      }
      slot = -current + static_cast<int32_t>((code >> bit) & 1);
    }
    if (table[slot] != kUnsetChild) return false;
    table[slot] = s;
  }
  return true;
}

bool read_code_lengths(const uint8_t* bytes, std::size_t size, uint64_t& bit, int count, uint8_t* lengths) {
  BitReader r{bytes, size, bit, false};
  bool ok = read_lengths(r, count, lengths) && !r.overrun;
  bit = r.bit;
  return ok;
}

HeaderStatus read_compressed_header(platform::File* file, CompressedHeader& h) {
  uint8_t fixed[kFixedHeaderSize];
  if (!platform::seek_file(file, 0) || platform::read_file(file, fixed, kFixedHeaderSize) != kFixedHeaderSize ||
      std::memcmp(fixed, kBanner, kBannerSize) != 0)
    return HeaderStatus::ReadError;
  uint32_t header_length = big_endian32(fixed + kHeaderLengthOffset);
  int block_bits = fixed[kBlockBitsOffset];
  uint32_t block_count = big_endian32(fixed + kBlockCountOffset);
  if (block_bits > kLargestBlockBits || header_length < kMinimumHeaderSize || fixed[kFieldMarkOffset] != kFieldMark ||
      big_endian32(fixed + kFormatMarkOffset) != kFormatMark || block_count == 0)
    return HeaderStatus::FileBroken;
  // A length beyond the file would only be a long, failing read.
  int64_t file_length = platform::file_size(file);
  if (file_length < 0 || header_length > static_cast<uint64_t>(file_length)) return HeaderStatus::ReadError;

  std::vector<uint8_t> bytes;
  try {
    bytes.resize(header_length);
  } catch (const std::bad_alloc&) {
    return HeaderStatus::OutOfMemory;
  }
  std::memcpy(bytes.data(), fixed, kFixedHeaderSize);
  int64_t rest = header_length - kFixedHeaderSize;
  if (platform::read_file(file, bytes.data() + kFixedHeaderSize, rest) != rest) return HeaderStatus::ReadError;
  std::size_t summed = header_length - kChecksumSize;
  if (header_checksum(bytes.data(), summed) != big_endian32(bytes.data() + summed)) return HeaderStatus::FileBroken;

  uint64_t records_end = kFixedHeaderSize + uint64_t{block_count} * kBlockRecordSize;
  if (records_end > summed) return HeaderStatus::FileBroken;
  try {
    h.block_records.resize(block_count);
    h.group_bases.assign((block_count >> 4) + 2, 0);
    h.deltas.assign(block_count + 1, 0);
  } catch (const std::bad_alloc&) {
    return HeaderStatus::OutOfMemory;
  }
  for (uint32_t k = 0; k < block_count; ++k) {
    const uint8_t* record = bytes.data() + kFixedHeaderSize + uint64_t{k} * kBlockRecordSize;
    h.block_records[k] = uint64_t{big_endian32(record)} << 32 | big_endian32(record + 4);
  }

  h.block_length = uint32_t{1} << block_bits;
  h.block_count = block_count;
  BitReader r{bytes.data(), summed, records_end * 8, false};
  std::vector<uint32_t> sizes(block_count);
  uint32_t largest = 0;
  for (uint32_t& size : sizes) {
    size = take_bits(r, block_bits);
    if (size == 0) size = h.block_length;
    if (size > largest) largest = size;
  }
  h.last_block_length = take_bits(r, block_bits);
  if (h.last_block_length == 0) h.last_block_length = h.block_length;
  for (uint32_t& d : h.distances) d = take_bits(r, block_bits);
  h.largest_block = largest + 32;
  if (r.overrun) return HeaderStatus::FileBroken;

  uint64_t lengths_start = records_end + (uint64_t{block_count} + 25) * block_bits / 8 +
                           ((uint64_t{block_count} + 25) * block_bits % 8 != 0);
  uint64_t bit = lengths_start * 8;
  uint8_t lengths[kMainSymbols];
  if (!read_code_lengths(bytes.data(), summed, bit, kMainSymbols, lengths) ||
      !build_decoding_table(lengths, kMainSymbols, kMainTableBits, h.main_table))
    return HeaderStatus::FileBroken;

  // Offsets: the blocks follow the header without gaps.
  std::vector<uint64_t> starts(block_count + 1);
  starts[0] = header_length;
  for (uint32_t k = 0; k < block_count; ++k) starts[k + 1] = starts[k] + sizes[k];
  if (starts[block_count] > UINT32_MAX) return HeaderStatus::FileBroken;
  h.end_offset = starts[block_count];
  for (uint32_t g = 0; g < h.group_bases.size(); ++g) {
    uint64_t first = uint64_t{g} << 4;
    h.group_bases[g] = static_cast<uint32_t>(starts[first < block_count ? first : block_count]);
  }
  for (uint32_t k = 0; k <= block_count; ++k)
    h.deltas[k] = (k & 8) == 0 ? static_cast<uint32_t>(starts[k] - h.group_bases[k >> 4])
                               : static_cast<uint32_t>(h.group_bases[(k >> 4) + 1] - starts[k]);
  return HeaderStatus::Ok;
}

bool decode_block(const CompressedHeader& h, const uint8_t* input, uint32_t input_length, uint8_t* output,
                  uint32_t output_length) {
  const int32_t* table = h.main_table.data();
  if (h.main_table.empty()) return false;
  // A 64-bit window, most significant bit first; bytes past the input read
  // as zero, and using them is an error.
  uint64_t window = 0;
  int held = 0;
  uint32_t next = 0;
  auto refill = [&] {
    while (held <= 56) {
      uint64_t byte = next < input_length ? input[next] : 0;
      ++next;
      window |= byte << (56 - held);
      held += 8;
    }
  };
  auto take = [&](int count) -> uint32_t {
    if (count == 0) return 0;
    uint32_t value = static_cast<uint32_t>(window >> (64 - count));
    window <<= count;
    held -= count;
    return value;
  };

  uint32_t written = 0;
  while (written < output_length) {
    refill();
    int32_t entry = table[window >> (64 - kMainTableBits)];
    int symbol;
    if (entry >= 0) {
      take(entry & kCodeLengthMask);
      symbol = entry >> kSymbolShift;
    } else {
      take(kMainTableBits);
      symbol = -1;
      for (int step = kMainTableBits; step < kLongestCode; ++step) {
        int32_t child = table[-entry + static_cast<int32_t>(take(1))];
        if (child >= 0) {
          symbol = child;
          break;
        }
        if (child == kUnsetChild) return false;
        entry = child;
      }
      if (symbol < 0) return false;
    }
    if (symbol < kLiteralCount) {
      output[written++] = static_cast<uint8_t>(symbol);
      continue;
    }
    int slot = (symbol - kLiteralCount) / kLengthCodes;
    int code = (symbol - kLiteralCount) % kLengthCodes;
    uint32_t length;
    if (code < kShortLengthCodes) {
      length = code + 1;
    } else {
      refill();
      int extra = code - (kShortLengthCodes - 1);
      length = (uint32_t{1} << extra) + take(extra) + (kShortLengthCodes - 1);
    }
    uint32_t distance = h.distances[slot];
    if (distance == 0 || distance > written) return false;
    // A match running past the block's end is cut there.
    if (length > output_length - written) length = output_length - written;
    // Byte by byte, so that an overlapping copy repeats its pattern.
    const uint8_t* from = output + written - distance;
    for (uint32_t i = 0; i < length; ++i) output[written + i] = from[i];
    written += length;
  }
  uint64_t used_bits = uint64_t{next} * 8 - held;
  return used_bits <= uint64_t{input_length} * 8;
}

}  // namespace ostrim::tablebase
