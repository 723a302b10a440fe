#include "tablebase/registry.h"

#include <cinttypes>
#include <cstring>
#include <new>

#include "common/output.h"
#include "platform/drives.h"
#include "tablebase/block_cache.h"
#include "tablebase/material_tree.h"

namespace ostrim::tablebase {

RegistryRow registry[kClassCount];
RegistryCounters registry_counters;

namespace {

constexpr int kFirstFourMen = 6;
constexpr int kFirstFiveMen = 36;
constexpr int kFirstSixMen = 146;
constexpr int kLastFiveMen = kFirstSixMen - 1;
constexpr uint64_t kFullPartBytes = uint64_t{1} << kPartBits;

enum class Found { Missing, Registered, Broken };

const char* const kSideExtension[2] = {"nbw", "nbb"};

int men_for_row(int row) {
  if (row >= kFirstSixMen) return 6;
  if (row >= kFirstFiveMen) return 5;
  if (row >= kFirstFourMen) return 4;
  return row >= 1 ? 3 : 0;
}

uint64_t table_bytes(int row, int side) { return registry[row].sides[side].entries * entry_bytes(row); }

void release_side(TableSide& t) {
  for (std::string& path : t.paths) path.clear();
  for (auto& header : t.headers) header.reset();
  t.memory = nullptr;
}

void leave_out(int row) {
  for (TableSide& t : registry[row].sides) release_side(t);
  registry[row].left_out = true;
}

// The part's name for each candidate in turn, as the files may be named.
int candidate_names(const std::string& directory, int row, int side, int part, bool split, std::string out[5]) {
  std::string base = directory;
  if (!base.empty() && base.back() != platform::kPathSeparator) base += platform::kPathSeparator;
  base += kClasses[row].name;
  const char* ext = kSideExtension[side];
  if (split) {
    char part_char = static_cast<char>(part < 10 ? '0' + part : 'a' + part - 10);
    std::string raw = base + "." + part_char + "." + ext;
    out[0] = raw;
    out[1] = raw + ".emd";
    return 2;
  }
  out[0] = base + "." + ext;
  out[1] = base + "." + ext + ".emd";
  out[2] = base + "_" + ext + ".emd";
  out[3] = base + "_" + ext + "_emd";
  if (row > kLastFiveMen) return 4;
  out[4] = base + ext + ".emd";
  return 5;
}

// The length a part must hold, in entries.
bool size_fits(int row, int side, int part, int parts, uint64_t length) {
  uint64_t entries = registry[row].sides[side].entries;
  if ((class_flags(row) & kSplitTable) == 0) return length == entries;
  uint64_t full = kFullPartBytes / entry_bytes(row);
  return length == (part + 1 < parts ? full : entries % full);
}

void report_size(const std::string& path, int row, int side, uint64_t length) {
  uint64_t entries = registry[row].sides[side].entries;
  uint64_t full = entries;
  uint64_t last = entries;
  if (class_flags(row) & kSplitTable) {
    full = kFullPartBytes / entry_bytes(row);
    last = entries % full;
  }
  output_line("info string *** %s corrupted %" PRIu64 " %" PRIu64 " %" PRIu64, path.c_str(), full, last, length);
}

// Checks the part's file; its block index when compressed.
Found check_part(platform::File* file, const std::string& path, bool compressed, int row, int side, int part,
                 int parts, std::unique_ptr<CompressedHeader>& header) {
  int64_t size = platform::file_size(file);
  if (size < 0) {
    output_line("info string *** Seek in %s failed", path.c_str());
    return Found::Broken;
  }
  uint64_t length;
  if (!compressed) {
    if (uint64_t(size) % entry_bytes(row) != 0) {
      report_size(path, row, side, uint64_t(size) / entry_bytes(row));
      return Found::Broken;
    }
    length = uint64_t(size) / entry_bytes(row);
  } else {
    ++registry_counters.compressed_opened;
    try {
      header = std::make_unique<CompressedHeader>();
    } catch (const std::bad_alloc&) {
      output_line("info string *** Unable to read %s - out of memory", path.c_str());
      return Found::Broken;
    }
    HeaderStatus status = read_compressed_header(file, *header);
    if (status == HeaderStatus::Ok && header->end_offset > uint64_t(size)) status = HeaderStatus::FileBroken;
    if (status != HeaderStatus::Ok) {
      const char* why = status == HeaderStatus::ReadError     ? "read error"
                        : status == HeaderStatus::OutOfMemory ? "out of memory"
                                                              : "file broken";
      output_line("info string *** Unable to read %s - %s", path.c_str(), why);
      return Found::Broken;
    }
    if (header->block_length != kBlockSize) {
      output_line("info string *** %s: Unsupported block size %u", path.c_str(), header->block_length);
      return Found::Broken;
    }
    length = (uint64_t{header->block_count} - 1) * kBlockSize + header->last_block_length;
    if (length % entry_bytes(row) != 0) {
      report_size(path, row, side, length / entry_bytes(row));
      return Found::Broken;
    }
    length /= entry_bytes(row);
  }
  if (!size_fits(row, side, part, parts, length)) {
    report_size(path, row, side, length);
    return Found::Broken;
  }
  return Found::Registered;
}

// A directory on a drive letter: an absent drive, or one whose device is
// not ready (an empty disc drive), is skipped after one try. Where the
// system has no drive letters the mask is empty and such a path finds
// nothing.
bool drive_usable(const char* directory) {
  char letter = directory[0];
  if (letter >= 'a' && letter <= 'z') letter = static_cast<char>(letter - 'a' + 'A');
  if (letter < 'A' || letter > 'Z' || directory[1] != ':') return true;
  uint32_t bit = 1u << (letter - 'A');
  RegistryCounters& c = registry_counters;
  if ((c.drives_not_ready & bit) || (c.drive_mask & bit) == 0) return false;
  if ((c.drives_tested & bit) == 0) {
    c.drives_tested |= bit;
    if (!platform::drive_ready(letter)) {
      c.drives_not_ready |= bit;
      return false;
    }
  }
  return true;
}

Found open_table(const char* directory, int row, int side) {
  TableSide& t = registry[row].sides[side];
  if (t.index == nullptr || t.entries == 0) return Found::Missing;
  bool split = (class_flags(row) & kSplitTable) != 0;
  int parts = part_count(row, side);
  bool any = false;
  for (int part = 0; part < parts; ++part) {
    if (!t.paths[part].empty() || t.memory != nullptr) {
      any = true;
      continue;
    }
    if (!drive_usable(directory)) return any ? Found::Registered : Found::Missing;
    std::string names[5];
    int count = candidate_names(directory, row, side, part, split, names);
    platform::File* file = nullptr;
    int which = 0;
    for (; which < count; ++which) {
      ++registry_counters.files_tried;
      file = platform::open_file(names[which].c_str());
      if (file != nullptr) break;
    }
    if (file == nullptr) return any ? Found::Registered : Found::Missing;
    ++registry_counters.files_opened;
    const std::string& path = names[which];
    std::unique_ptr<CompressedHeader> header;
    Found checked = check_part(file, path, which > 0, row, side, part, parts, header);
    platform::close_file(file);
    if (checked == Found::Broken) return Found::Broken;
    if (!register_class(row)) {
      output_line("info string *** Unable to register %s", path.c_str());
      return Found::Broken;
    }
    t.paths[part] = path;
    t.headers[part] = std::move(header);
    any = true;
  }
  return Found::Registered;
}

void split_path_list(const char* list, void (*directory)(const std::string&)) {
  std::string current;
  for (const char* c = list;; ++c) {
    if (*c == ',' || *c == ';' || *c == '\0') {
      // An empty entry names no directory (not the file system's root).
      if (!current.empty()) directory(current);
      current.clear();
      if (*c == '\0') break;
    } else {
      current += *c;
    }
  }
}

}  // namespace

int part_count(int row, int side) {
  if ((class_flags(row) & kSplitTable) == 0) return 1;
  uint64_t parts = (table_bytes(row, side) >> kPartBits) + 1;
  return parts > kMaxParts ? kMaxParts : static_cast<int>(parts);
}

bool table_registered(int row, int side) {
  const TableSide& t = registry[row].sides[storage_side(row, side)];
  if (t.memory != nullptr) return true;
  for (const std::string& path : t.paths)
    if (!path.empty()) return true;
  return false;
}

bool register_class(int row) {
  MaterialCounts white{};
  MaterialCounts black{};
  static constexpr char kKinds[] = {'p', 'n', 'b', 'r', 'q'};
  for (int k = 0; k < 5; ++k) {
    white[k] = class_piece_count(row, 0, kKinds[k]);
    white[5 + k] = class_piece_count(row, 1, kKinds[k]);
    black[k] = white[5 + k];
    black[5 + k] = white[k];
  }
  if (!store_material(white, row)) return false;
  if (class_flags(row) & kSymmetric) return true;
  return store_material(black, -row);
}

bool open_class(const char* directory, int row, int side) {
  Found found = open_table(directory, row, storage_side(row, side));
  if (found == Found::Broken) leave_out(row);
  return found == Found::Registered;
}

int initialise_tablebases(const char* path_list) {
  registry_counters = RegistryCounters{};
  registry_counters.drive_mask = platform::logical_drive_mask();
  close_cached_files();
  prepare_index_tables();
  build_material_tree();
  clear_material_tree();
  for (int row = 0; row < kClassCount; ++row) {
    RegistryRow& r = registry[row];
    r.left_out = false;
    for (int side = 0; side < 2; ++side) {
      release_side(r.sides[side]);
      r.sides[side].index = index_function(row, side);
      r.sides[side].entries = table_entries(row, side);
    }
  }

  split_path_list(path_list, [](const std::string& directory) {
    for (int row = 1; row < kClassCount; ++row) {
      if (!registry[row].left_out) open_class(directory.c_str(), row, 0);
      if (!registry[row].left_out && (class_flags(row) & kSymmetric) == 0) open_class(directory.c_str(), row, 1);
    }
  });

  int most = 0;
  for (int row = 1; row < kClassCount; ++row)
    if (!registry[row].left_out && (table_registered(row, 0) || table_registered(row, 1)))
      most = men_for_row(row) > most ? men_for_row(row) : most;
  return most;
}

}  // namespace ostrim::tablebase
