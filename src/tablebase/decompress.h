#pragma once
// Block-compressed tables: the file header with its block index and
// decoding table, and the decoder of one block (LZ77 over a fixed set of 24
// distances, literals and matches coded with one canonical Huffman code).
#include <cstddef>
#include <cstdint>
#include <vector>

#include "platform/files.h"

namespace ostrim::tablebase {

// File layout; multi-byte fields are big-endian.
constexpr int kBannerSize = 64;            // 60 bytes of text ending "\r\n", then 4 zero bytes
constexpr int kHeaderLengthOffset = 64;
constexpr int kBlockBitsOffset = 70;
constexpr int kFieldMarkOffset = 71;
constexpr int kBlockCountOffset = 72;
constexpr int kFormatMarkOffset = 76;
constexpr int kFixedHeaderSize = 80;       // the block records follow
constexpr int kBlockRecordSize = 8;
constexpr int kChecksumSize = 4;           // the header's last 4 bytes
constexpr uint32_t kMinimumHeaderSize = 84;
constexpr int kLargestBlockBits = 16;
constexpr uint8_t kFieldMark = 24;
constexpr uint32_t kFormatMark = 0x004001F5;

constexpr int kDistanceCount = 24;
constexpr int kLiteralCount = 256;
constexpr int kLengthCodes = 32;           // per distance slot
constexpr int kMainSymbols = kLiteralCount + kDistanceCount * kLengthCodes;  // 1024
constexpr int kMainTableBits = 13;
constexpr int kLengthTableBits = 8;        // the two alphabets that code the code lengths
constexpr int kLengthAlphabet = 64;
constexpr int kLongestCode = 31;
constexpr int kShortLengthCodes = 15;      // length codes 0..14 mean lengths 1..15

constexpr uint32_t kBlockSize = 8192;      // the only block size the registry accepts
constexpr int kBlockBits = 13;

extern const char kBanner[kBannerSize];

// Why a header was refused; the values are the registry's error codes.
enum class HeaderStatus : int { Ok = 0, ReadError = 2, OutOfMemory = 5, FileBroken = 6 };

struct CompressedHeader {
  uint32_t block_length = 0;       // 2^W
  uint32_t last_block_length = 0;
  uint32_t block_count = 0;
  uint32_t largest_block = 0;      // the largest compressed size plus 32
  uint64_t end_offset = 0;         // where the last block ends in the file
  // Block k starts at group_bases[k >> 4] + deltas[k] when bit 3 of k is
  // clear, else at group_bases[(k >> 4) + 1] - deltas[k]; entry N is the
  // end of the last block. The deltas are 32-bit: eight blocks stored whole
  // span 65536 bytes, one more than 16 bits hold.
  std::vector<uint32_t> group_bases;
  std::vector<uint32_t> deltas;
  uint32_t distances[kDistanceCount] = {};
  std::vector<int32_t> main_table;
  std::vector<uint64_t> block_records;  // kept as read; nothing checks them
};

// The header's checksum: a table-driven 32-bit sum with no final inversion.
uint32_t header_checksum(const uint8_t* bytes, std::size_t count);

// Reads and checks the header of the file from its start.
HeaderStatus read_compressed_header(platform::File* file, CompressedHeader& header);

// Where block k (0..N) starts in the file; block N's start is the end.
inline uint64_t block_offset(const CompressedHeader& h, uint32_t k) {
  return (k & 8) == 0 ? uint64_t{h.group_bases[k >> 4]} + h.deltas[k]
                      : uint64_t{h.group_bases[(k >> 4) + 1]} - h.deltas[k];
}

// Canonical Huffman decoding table of the code lengths (0 = absent), with a
// direct part of 2^direct_bits entries: (symbol << 5) | length for short
// codes, a negative reference to a bit-by-bit tree for longer ones. False
// for an incomplete code or a length above 31.
bool build_decoding_table(const uint8_t* lengths, int count, int direct_bits, std::vector<int32_t>& table);

// The code lengths of `count` symbols as the header stores them, from a
// big-endian bit stream starting at bit `bit` of bytes[0..size). Advances
// `bit`; false when the lengths are malformed or run past the end.
bool read_code_lengths(const uint8_t* bytes, std::size_t size, uint64_t& bit, int count, uint8_t* lengths);

// Decodes `input_length` compressed bytes into exactly `output_length`
// bytes, reading nothing beyond the input. False when the data is malformed (an unknown symbol, a match reaching
// before the block, more input used than there is).
bool decode_block(const CompressedHeader& header, const uint8_t* input, uint32_t input_length, uint8_t* output,
                  uint32_t output_length);

}  // namespace ostrim::tablebase
