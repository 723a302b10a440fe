#include "platform/files.h"

#include <cerrno>
#include <cstring>
#include <string>

#include "platform/win32/windows_api.h"

namespace ostrim::platform {

struct File {
  HANDLE handle;
};

namespace {

// A drive with no medium must fail like a missing file, not stop the
// engine with a system dialog box.
const UINT kQuietErrors = ::SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX);

// errno as the C library would set it, so that the caller's message text
// is the runtime's own ("No such file or directory").
int errno_for(DWORD error) {
  switch (error) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
    case ERROR_INVALID_DRIVE:
    case ERROR_BAD_NETPATH:
    case ERROR_BAD_NET_NAME:
    case ERROR_INVALID_NAME:
    case ERROR_NOT_READY:
      return ENOENT;
    case ERROR_ACCESS_DENIED:
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION:
      return EACCES;
    case ERROR_TOO_MANY_OPEN_FILES:
      return EMFILE;
    case ERROR_NOT_ENOUGH_MEMORY:
    case ERROR_OUTOFMEMORY:
      return ENOMEM;
    default:
      return EINVAL;
  }
}

}  // namespace

File* open_file(const char* path) {
  (void)kQuietErrors;
  DWORD attributes = ::GetFileAttributesA(path);
  if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY)) {
    errno = EISDIR;
    return nullptr;
  }
  HANDLE handle = ::CreateFileA(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                FILE_ATTRIBUTE_NORMAL, nullptr);
  if (handle == INVALID_HANDLE_VALUE) {
    errno = errno_for(::GetLastError());
    return nullptr;
  }
  return new File{handle};
}

void close_file(File* file) {
  if (file == nullptr) return;
  ::CloseHandle(file->handle);
  delete file;
}

bool seek_file(File* file, int64_t offset) {
  if (offset < 0) return false;
  LARGE_INTEGER distance;
  distance.QuadPart = offset;
  return ::SetFilePointerEx(file->handle, distance, nullptr, FILE_BEGIN) != 0;
}

int64_t read_file(File* file, void* buffer, int64_t count) {
  char* out = static_cast<char*>(buffer);
  int64_t total = 0;
  while (total < count) {
    int64_t left = count - total;
    DWORD piece = left > 0x40000000 ? 0x40000000 : static_cast<DWORD>(left);
    DWORD got = 0;
    if (!::ReadFile(file->handle, out + total, piece, &got, nullptr)) return total > 0 ? total : -1;
    if (got == 0) break;
    total += got;
  }
  return total;
}

int64_t file_size(File* file) {
  LARGE_INTEGER size;
  if (!::GetFileSizeEx(file->handle, &size)) return -1;
  return size.QuadPart;
}

bool list_directory(const char* path, DirectoryEntry entry, void* context) {
  std::string pattern = path;
  if (!pattern.empty() && pattern.back() != '\\' && pattern.back() != '/' && pattern.back() != ':') pattern += '\\';
  pattern += '*';
  WIN32_FIND_DATAA found;
  HANDLE search = ::FindFirstFileA(pattern.c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) {
    DWORD error = ::GetLastError();
    // An empty directory (a drive's bare root) lists nothing but is readable.
    if (error == ERROR_FILE_NOT_FOUND || error == ERROR_NO_MORE_FILES) return true;
    errno = errno_for(error);
    ::SetLastError(error);
    return false;
  }
  do {
    if (std::strcmp(found.cFileName, ".") == 0 || std::strcmp(found.cFileName, "..") == 0) continue;
    entry(found.cFileName, context);
  } while (::FindNextFileA(search, &found));
  ::FindClose(search);
  return true;
}

}  // namespace ostrim::platform
