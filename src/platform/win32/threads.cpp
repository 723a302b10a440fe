#include "platform/threads.h"

#include <process.h>

#include "platform/win32/windows_api.h"

namespace ostrim::platform {
namespace {

// The C library and the system's own frames need some room.
constexpr std::size_t kSmallestStack = 64 * 1024;
constexpr std::size_t kStackGranularity = 64 * 1024;

struct ThreadStart {
  ThreadBody body;
  void* argument;
};

unsigned __stdcall run_thread(void* raw) {
  ThreadStart start = *static_cast<ThreadStart*>(raw);
  delete static_cast<ThreadStart*>(raw);
  start.body(start.argument);
  return 0;
}

}  // namespace

std::size_t usable_stack_size(std::size_t stack_bytes) {
  if (stack_bytes == 0) return 0;
  if (stack_bytes < kSmallestStack) stack_bytes = kSmallestStack;
  return (stack_bytes + kStackGranularity - 1) / kStackGranularity * kStackGranularity;
}

bool start_thread(ThreadBody body, void* argument, std::size_t stack_bytes) {
  ThreadStart* start = new ThreadStart{body, argument};
  // _beginthreadex rather than CreateThread: the C library sets up its
  // per-thread state.
  uintptr_t thread = ::_beginthreadex(nullptr, static_cast<unsigned>(usable_stack_size(stack_bytes)), run_thread,
                                      start, STACK_SIZE_PARAM_IS_A_RESERVATION, nullptr);
  if (thread == 0) {
    delete start;
    return false;
  }
  ::CloseHandle(reinterpret_cast<HANDLE>(thread));  // detached
  return true;
}

void set_thread_priority(ThreadPriority priority) {
  int level = priority == ThreadPriority::AboveNormal ? THREAD_PRIORITY_ABOVE_NORMAL : THREAD_PRIORITY_NORMAL;
  ::SetThreadPriority(::GetCurrentThread(), level);  // best effort: may be refused
}

int usable_processor_count() {
  DWORD_PTR process_mask = 0;
  DWORD_PTR system_mask = 0;
  if (!::GetProcessAffinityMask(::GetCurrentProcess(), &process_mask, &system_mask)) return 1;
  int count = 0;
  for (int cpu = 0; cpu < kMaxCountedProcessors; ++cpu)
    if (process_mask & (static_cast<DWORD_PTR>(1) << cpu)) ++count;
  return count;
}

}  // namespace ostrim::platform
