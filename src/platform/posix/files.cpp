#include "platform/files.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace ostrim::platform {

struct File {
  int descriptor;
};

File* open_file(const char* path) {
  int descriptor;
  do {
    descriptor = ::open(path, O_RDONLY | O_CLOEXEC);
  } while (descriptor < 0 && errno == EINTR);
  if (descriptor < 0) return nullptr;
  struct stat status;
  if (::fstat(descriptor, &status) == 0 && S_ISDIR(status.st_mode)) {
    ::close(descriptor);
    errno = EISDIR;  // a directory opens on POSIX but reads nothing
    return nullptr;
  }
  return new File{descriptor};
}

void close_file(File* file) {
  if (file == nullptr) return;
  ::close(file->descriptor);
  delete file;
}

bool seek_file(File* file, int64_t offset) {
  return ::lseek(file->descriptor, static_cast<off_t>(offset), SEEK_SET) == static_cast<off_t>(offset);
}

int64_t read_file(File* file, void* buffer, int64_t count) {
  char* out = static_cast<char*>(buffer);
  int64_t total = 0;
  while (total < count) {
    ssize_t got = ::read(file->descriptor, out + total, static_cast<std::size_t>(count - total));
    if (got < 0) {
      if (errno == EINTR) continue;
      return total > 0 ? total : -1;
    }
    if (got == 0) break;
    total += got;
  }
  return total;
}

int64_t file_size(File* file) {
  struct stat status;
  if (::fstat(file->descriptor, &status) != 0) return -1;
  return static_cast<int64_t>(status.st_size);
}

bool list_directory(const char* path, DirectoryEntry entry, void* context) {
  DIR* directory = ::opendir(path);
  if (directory == nullptr) return false;
  while (struct dirent* d = ::readdir(directory)) {
    if (std::strcmp(d->d_name, ".") == 0 || std::strcmp(d->d_name, "..") == 0) continue;
    entry(d->d_name, context);
  }
  ::closedir(directory);
  return true;
}

}  // namespace ostrim::platform
