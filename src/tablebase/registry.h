#pragma once
// The registry: for every material class its two tables (White to move,
// Black to move) with their index functions, sizes and the part files found
// for them, and the discovery of those files under a list of directories.
#include <cstdint>
#include <memory>
#include <string>

#include "platform/files.h"
#include "tablebase/classes.h"
#include "tablebase/decompress.h"
#include "tablebase/index.h"

namespace ostrim::tablebase {

constexpr int kMaxParts = 18;
constexpr int kBucketCount = 32;
constexpr int kPartBits = 31;              // a split table's parts hold 2^31 bytes
constexpr int kBlocksPerPartBits = kPartBits - kBlockBits;

struct CacheEntry;

struct TableSide {
  IndexFunction index = nullptr;
  uint64_t entries = 0;
  std::string paths[kMaxParts];                          // empty: the part is not registered
  platform::File* files[kMaxParts] = {};                 // opened and closed by the block cache
  std::unique_ptr<CompressedHeader> headers[kMaxParts];  // none for a raw part
  CacheEntry* buckets[kBucketCount] = {};                // the block cache's chains
  const uint8_t* memory = nullptr;                       // a whole table held in memory
};

struct RegistryRow {
  TableSide sides[2];
  bool left_out = false;  // a file of the class was broken: not probed until the next initialisation
};

extern RegistryRow registry[kClassCount];

struct RegistryCounters {
  int32_t files_tried = 0;
  int32_t files_opened = 0;
  int32_t compressed_opened = 0;
  uint32_t drive_mask = 0;       // the drive letters present, bit n for 'A' + n
  uint32_t drives_tested = 0;    // drives whose root was listed once
  uint32_t drives_not_ready = 0; // drives skipped from then on
};

extern RegistryCounters registry_counters;

inline uint32_t class_flags(int row) { return kClasses[row].flags; }

// The side whose slots hold the table: a symmetric class keeps one table.
inline int storage_side(int row, int side) { return (class_flags(row) & kSymmetric) ? 0 : side; }

// Bytes per entry: 2 for word tables, else 1.
inline int entry_bytes(int row) { return (class_flags(row) & kWordEntries) ? 2 : 1; }

// The number of part files of the table: split tables have one per 2^31
// bytes (and one more), others one.
int part_count(int row, int side);

// Whether any part of the table side (side 0 for a symmetric class) is registered.
bool table_registered(int row, int side);

// Forgets every found file and reads the directories of the list (split at
// ',' and ';'), the first directory first: a class found in two is taken
// from the first. Broken files are reported as "info string *** ..." lines
// and leave their class out. Returns the most men (kings included) of any
// class found: 3 to 6, or 0 for none.
int initialise_tablebases(const char* path_list);

// Looks for the table's part files in the directory; true when at least
// one part is registered. A broken file leaves the class out (false).
bool open_class(const char* directory, int row, int side);

// Enters the class in the material lookup (and its colour-exchanged twin).
bool register_class(int row);

}  // namespace ostrim::tablebase
