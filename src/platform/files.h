#pragma once
// Files read as bytes (book and tablebase files) and directory listings.
#include <cstdint>

namespace ostrim::platform {

struct File;

// Joins a directory and a file name in a path.
#ifdef _WIN32
constexpr char kPathSeparator = '\\';
#else
constexpr char kPathSeparator = '/';
#endif

// Opens the file for reading; none, with errno set, when it cannot.
File* open_file(const char* path);
void close_file(File* file);
// Moves the read position to offset bytes from the start; false on failure.
bool seek_file(File* file, int64_t offset);
// Reads up to count bytes; the number read (0 at the end), -1 on failure.
int64_t read_file(File* file, void* buffer, int64_t count);
// The file's size in bytes, -1 on failure.
int64_t file_size(File* file);

using DirectoryEntry = void (*)(const char* name, void* context);

// Calls entry(name, context) for every entry of the directory but "." and
// "..", in the order the system lists them; false when it cannot be read.
bool list_directory(const char* path, DirectoryEntry entry, void* context);

}  // namespace ostrim::platform
