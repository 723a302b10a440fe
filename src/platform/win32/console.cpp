#include "platform/console.h"

#include <io.h>

#include "platform/read_bytes.h"
#include "platform/win32/windows_api.h"

namespace ostrim::platform {
namespace {

SRWLOCK output_lock = SRWLOCK_INIT;

// The handles themselves, not the C library's streams: its text mode
// would turn every line feed into "\r\n" and end input at a Ctrl-Z byte.
void write_all(DWORD which, const char* data, std::size_t length) {
  HANDLE handle = ::GetStdHandle(which);
  if (handle == nullptr || handle == INVALID_HANDLE_VALUE) return;
  while (length > 0) {
    DWORD piece = length > 0x10000000 ? 0x10000000 : static_cast<DWORD>(length);
    DWORD written = 0;
    if (!::WriteFile(handle, data, piece, &written, nullptr) || written == 0) return;  // nowhere to report to
    data += written;
    length -= written;
  }
}

}  // namespace

void console_write(const char* data, std::size_t length) {
  ::AcquireSRWLockExclusive(&output_lock);
  write_all(STD_OUTPUT_HANDLE, data, length);
  ::ReleaseSRWLockExclusive(&output_lock);
}

void console_write_error(const char* data, std::size_t length) { write_all(STD_ERROR_HANDLE, data, length); }

int read_bytes(int descriptor, char* buffer, int size) {
  HANDLE handle = reinterpret_cast<HANDLE>(::_get_osfhandle(descriptor));
  if (handle == INVALID_HANDLE_VALUE) return 0;
  DWORD got = 0;
  // A closed pipe fails with ERROR_BROKEN_PIPE; either way nothing more comes.
  if (!::ReadFile(handle, buffer, static_cast<DWORD>(size), &got, nullptr)) return 0;
  return static_cast<int>(got);
}

}  // namespace ostrim::platform
