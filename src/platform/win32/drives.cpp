#include "platform/drives.h"

#include "platform/files.h"
#include "platform/win32/windows_api.h"

namespace ostrim::platform {
namespace {

void ignore_entry(const char*, void*) {}

}  // namespace

uint32_t logical_drive_mask() { return static_cast<uint32_t>(::GetLogicalDrives()); }

bool drive_ready(char letter) {
  if (letter >= 'a' && letter <= 'z') letter = static_cast<char>(letter - 'a' + 'A');
  if (letter < 'A' || letter > 'Z') return false;
  // The file layer has switched the system's error dialog boxes off.
  const char root[] = {letter, ':', '\\', '\0'};
  if (list_directory(root, ignore_entry, nullptr)) return true;
  return ::GetLastError() != ERROR_NOT_READY;
}

}  // namespace ostrim::platform
