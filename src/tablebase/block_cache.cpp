#include "tablebase/block_cache.h"

#include <cstring>
#include <memory>
#include <new>

#include "tablebase/registry.h"

namespace ostrim::tablebase {
namespace {

std::unique_ptr<CacheEntry[]> entries;
std::unique_ptr<uint8_t[]> slots;
int32_t entry_count = 0;
CacheEntry* newest = nullptr;
CacheEntry* oldest = nullptr;
CacheEntry* free_entries = nullptr;

// The decoder's input: one compressed block.
uint8_t compressed_input[kBlockSize];

constexpr uint32_t kBucketMask = kBucketCount - 1;
constexpr uint32_t kPartBlockMask = (uint32_t{1} << kBlocksPerPartBits) - 1;

CacheEntry*& bucket_of(int row, int side, uint32_t block) {
  return registry[row].sides[side].buckets[block & kBucketMask];
}

void unlink_recency(CacheEntry* e) {
  (e->prev != nullptr ? e->prev->next : newest) = e->next;
  (e->next != nullptr ? e->next->prev : oldest) = e->prev;
}

void push_recency(CacheEntry* e) {
  e->prev = nullptr;
  e->next = newest;
  (newest != nullptr ? newest->prev : oldest) = e;
  newest = e;
}

void unlink_bucket(CacheEntry* e) {
  if (e->bucket_prev != nullptr)
    e->bucket_prev->bucket_next = e->bucket_next;
  else
    bucket_of(e->row, e->side, e->block) = e->bucket_next;
  if (e->bucket_next != nullptr) e->bucket_next->bucket_prev = e->bucket_prev;
}

void push_bucket(CacheEntry* e) {
  CacheEntry*& head = bucket_of(e->row, e->side, e->block);
  e->bucket_prev = nullptr;
  e->bucket_next = head;
  if (head != nullptr) head->bucket_prev = e;
  head = e;
}

int32_t byte_at(const CacheEntry* e, uint32_t offset) {
  if (offset >= e->valid) return kNoValue;  // past the end of a short raw file
  return static_cast<int8_t>(e->data[offset]);
}

// Reads block `block` of the part into the entry's slot; false when it
// cannot be read.
bool read_block(TableSide& t, int part, uint32_t block, CacheEntry* e) {
  platform::File*& file = t.files[part];
  if (file == nullptr) {
    if (t.paths[part].empty()) return false;
    file = platform::open_file(t.paths[part].c_str());
    if (file == nullptr) {
      // Perhaps too many open files: give back all of ours and try once more.
      close_cached_files();
      file = platform::open_file(t.paths[part].c_str());
      if (file == nullptr) return false;
    }
  }

  const CompressedHeader* h = t.headers[part].get();
  if (h == nullptr) {
    if (!platform::seek_file(file, uint64_t{block} * kBlockSize)) return false;
    int64_t got = platform::read_file(file, e->data, kBlockSize);
    if (got < 0) return false;
    e->valid = static_cast<uint32_t>(got);
    return true;
  }

  if (block >= h->block_count) return false;
  uint32_t expected = block + 1 == h->block_count ? h->last_block_length : h->block_length;
  uint64_t start = block_offset(*h, block);
  uint64_t length = block_offset(*h, block + 1) - start;
  if (expected > kBlockSize || length > kBlockSize || length == 0) return false;
  if (!platform::seek_file(file, static_cast<int64_t>(start)) ||
      platform::read_file(file, compressed_input, static_cast<int64_t>(length)) != static_cast<int64_t>(length))
    return false;
  if (length == expected)
    std::memcpy(e->data, compressed_input, length);  // stored as it is
  else if (!decode_block(*h, compressed_input, static_cast<uint32_t>(length), e->data, expected))
    return false;
  e->valid = expected;
  return true;
}

}  // namespace

void close_cached_files() {
  for (RegistryRow& row : registry)
    for (TableSide& t : row.sides)
      for (platform::File*& file : t.files) {
        platform::close_file(file);
        file = nullptr;
      }
}

void set_up_cache(uint64_t bytes) {
  close_cached_files();
  newest = oldest = free_entries = nullptr;
  entry_count = 0;
  for (RegistryRow& row : registry)
    for (TableSide& t : row.sides)
      for (CacheEntry*& head : t.buckets) head = nullptr;
  uint64_t count = bytes / kEntryFootprint;
  if (count == 0) return;
  try {
    entries.reset(new CacheEntry[count]);
    slots.reset(new uint8_t[count * kSlotBytes]);
  } catch (const std::bad_alloc&) {
    entries.reset();
    slots.reset();
    return;
  }
  entry_count = static_cast<int32_t>(count);
  for (int32_t i = entry_count - 1; i >= 0; --i) {
    CacheEntry& e = entries[i];
    e = CacheEntry{};
    e.data = slots.get() + uint64_t(i) * kSlotBytes;
    e.next = free_entries;
    free_entries = &e;
  }
}

int32_t cache_entry_count() { return entry_count; }

int32_t fetch_byte(int row, int side, uint32_t block, uint32_t offset) {
  for (CacheEntry* e = bucket_of(row, side, block); e != nullptr; e = e->bucket_next) {
    if (e->block != block) continue;
    if (e != newest) {
      unlink_recency(e);
      push_recency(e);
    }
    if (e->bucket_prev != nullptr) {
      unlink_bucket(e);
      push_bucket(e);
    }
    return byte_at(e, offset);
  }

  CacheEntry* e = free_entries;
  if (e != nullptr) {
    free_entries = e->next;
  } else {
    e = oldest;
    if (e == nullptr) return kNoValue;  // no cache at all
    unlink_recency(e);
    unlink_bucket(e);
  }
  e->row = row;
  e->side = side;
  e->block = block;
  e->valid = 0;

  TableSide& t = registry[row].sides[side];
  int part = 0;
  uint32_t part_block = block;
  if (class_flags(row) & kSplitTable) {
    part = static_cast<int>(block >> kBlocksPerPartBits);
    part_block = block & kPartBlockMask;
  }
  if (part >= kMaxParts || !read_block(t, part, part_block, e)) {
    // The part is never tried again until the files are looked for anew.
    if (part < kMaxParts) {
      t.paths[part].clear();
      platform::close_file(t.files[part]);
      t.files[part] = nullptr;
    }
    e->next = free_entries;
    free_entries = e;
    return kNoValue;
  }
  push_recency(e);
  push_bucket(e);
  return byte_at(e, offset);
}

}  // namespace ostrim::tablebase
