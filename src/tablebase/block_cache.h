#pragma once
// The block cache: the most recently used 8192-byte blocks of the table
// files, found by (table, block) through 32 buckets per table side, the
// least recently used evicted when full. Not thread-safe by itself: every
// probe runs under the search lock.
#include <cstdint>

namespace ostrim::tablebase {

constexpr uint32_t kEntryHeaderBytes = 56;
constexpr uint32_t kSlotBytes = 8228;  // a block and room for the decoder
constexpr uint32_t kEntryFootprint = kEntryHeaderBytes + kSlotBytes;
constexpr int32_t kNoValue = 32767;    // what a fetch gives for a block it cannot read

struct CacheEntry {
  int32_t row;
  int32_t side;
  uint32_t block;            // as the probe asked for it, before any part split
  uint32_t valid;            // bytes of the block that were read
  CacheEntry* next;          // recency list toward the least recent; the free list
  CacheEntry* prev;
  CacheEntry* bucket_next;
  CacheEntry* bucket_prev;
  uint8_t* data;
};

// Closes the files the cache holds and lays out a cache of `bytes` bytes:
// bytes / 8284 entries, none (every fetch fails) below one entry's share.
void set_up_cache(uint64_t bytes);

int32_t cache_entry_count();

// The byte at `offset` of block `block` of the table (row, side), sign-
// extended; kNoValue when the block cannot be read, in which case the part
// file is not tried again until the next initialisation.
int32_t fetch_byte(int row, int side, uint32_t block, uint32_t offset);

// Closes every open part file of every table.
void close_cached_files();

}  // namespace ostrim::tablebase
