#include "platform/process.h"

#include "platform/win32/windows_api.h"

namespace ostrim::platform {

// TerminateProcess rather than ExitProcess: other threads may hold locks
// that the orderly exit would wait for.
void exit_process(int status) {
  ::TerminateProcess(::GetCurrentProcess(), static_cast<UINT>(status));
  for (;;) ::Sleep(INFINITE);
}

}  // namespace ostrim::platform
