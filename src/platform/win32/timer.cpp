#include "platform/timer.h"

#include <process.h>

#include "platform/threads.h"
#include "platform/win32/windows_api.h"

namespace ostrim::platform {

struct PeriodicTimer {
  ULONGLONG period;
  TimerTick tick;
  void* argument;
  HANDLE cancel;  // a manual-reset event
  HANDLE thread;
};

namespace {

unsigned __stdcall run_timer(void* raw) {
  auto* timer = static_cast<PeriodicTimer*>(raw);
  ULONGLONG next = ::GetTickCount64() + timer->period;
  for (;;) {
    ULONGLONG now = ::GetTickCount64();
    DWORD wait = next > now ? static_cast<DWORD>(next - now) : 0;
    if (::WaitForSingleObject(timer->cancel, wait) != WAIT_TIMEOUT) break;
    timer->tick(timer->argument);
    next += timer->period;
    now = ::GetTickCount64();
    if (next < now) next = now + timer->period;  // skip the ticks missed
  }
  return 0;
}

}  // namespace

PeriodicTimer* start_periodic_timer(int32_t period_ms, TimerTick tick, void* argument,
                                    std::size_t stack_bytes) {
  auto* timer = new PeriodicTimer;
  timer->period = static_cast<ULONGLONG>(period_ms > 0 ? period_ms : 1);
  timer->tick = tick;
  timer->argument = argument;
  timer->cancel = ::CreateEventA(nullptr, TRUE, FALSE, nullptr);
  uintptr_t thread = 0;
  if (timer->cancel != nullptr)
    thread = ::_beginthreadex(nullptr, static_cast<unsigned>(usable_stack_size(stack_bytes)), run_timer, timer,
                              STACK_SIZE_PARAM_IS_A_RESERVATION, nullptr);
  if (thread == 0) {
    if (timer->cancel != nullptr) ::CloseHandle(timer->cancel);
    delete timer;
    return nullptr;
  }
  timer->thread = reinterpret_cast<HANDLE>(thread);
  return timer;
}

void stop_periodic_timer(PeriodicTimer* timer) {
  if (timer == nullptr) return;
  ::SetEvent(timer->cancel);
  ::WaitForSingleObject(timer->thread, INFINITE);
  ::CloseHandle(timer->thread);
  ::CloseHandle(timer->cancel);
  delete timer;
}

}  // namespace ostrim::platform
