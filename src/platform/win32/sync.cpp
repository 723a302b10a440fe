#include "platform/sync.h"

#include "platform/win32/windows_api.h"

namespace ostrim::platform {

// The records only hold the system's objects, which live for the process.
struct Semaphore {
  HANDLE handle;
};

struct Event {
  HANDLE handle;
};

struct CriticalSection {
  CRITICAL_SECTION section;
};

Event* create_event() { return new Event{::CreateEventA(nullptr, FALSE, FALSE, nullptr)}; }

void signal_event(Event* event) { ::SetEvent(event->handle); }

bool wait_event(Event* event, Timeout timeout) {
  return ::WaitForSingleObject(event->handle, timeout == Timeout::Zero ? 0 : INFINITE) == WAIT_OBJECT_0;
}

Semaphore* create_semaphore(int32_t initial_count, int32_t maximum_count) {
  LONG maximum = maximum_count < 1 ? 1 : maximum_count;
  LONG initial = initial_count < 0 ? 0 : (initial_count > maximum ? maximum : initial_count);
  return new Semaphore{::CreateSemaphoreA(nullptr, initial, maximum, nullptr)};
}

bool release_semaphore(Semaphore* semaphore) { return ::ReleaseSemaphore(semaphore->handle, 1, nullptr) != 0; }

bool wait_semaphore(Semaphore* semaphore, Timeout timeout) {
  return wait_any_semaphore(&semaphore, 1, timeout) == 0;
}

int wait_any_semaphore(Semaphore* const* set, int count, Timeout timeout) {
  static_assert(kMaxWaitSet <= MAXIMUM_WAIT_OBJECTS);
  if (count < 1 || count > kMaxWaitSet) return -1;
  HANDLE handles[kMaxWaitSet];
  for (int i = 0; i < count; ++i) handles[i] = set[i]->handle;
  // The lowest signalled index wins, and only its unit is taken.
  DWORD result = ::WaitForMultipleObjects(static_cast<DWORD>(count), handles, FALSE,
                                          timeout == Timeout::Zero ? 0 : INFINITE);
  if (result >= WAIT_OBJECT_0 && result < WAIT_OBJECT_0 + static_cast<DWORD>(count))
    return static_cast<int>(result - WAIT_OBJECT_0);
  return -1;
}

CriticalSection* create_critical_section() {
  CriticalSection* section = new CriticalSection;
  ::InitializeCriticalSection(&section->section);
  return section;
}

void enter_critical_section(CriticalSection* section) { ::EnterCriticalSection(&section->section); }
void leave_critical_section(CriticalSection* section) { ::LeaveCriticalSection(&section->section); }

}  // namespace ostrim::platform
