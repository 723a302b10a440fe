#include "platform/timer.h"

#include <process.h>

#include <atomic>

#include "platform/threads.h"
#include "platform/win32/windows_api.h"

#include <timeapi.h>

namespace ostrim::platform {

struct PeriodicTimer {
  ULONGLONG period;
  TimerTick tick;
  void* argument;
  bool fine;                       // period below the system's default tick
  std::atomic<bool> cancelled{false};
  HANDLE cancel = nullptr;         // a manual-reset event, for long periods
  HANDLE thread = nullptr;
};

namespace {

// Windows ticks every 15.6 ms unless asked for finer sleeps.
constexpr ULONGLONG kSystemTickMs = 16;

// A fine timer sleeps and looks at a flag: a cheap wake-up, and ending it
// waits at most one period. A long period waits on the event instead, so
// that ending it is immediate.
bool wait_period(PeriodicTimer* timer, DWORD ms) {
  if (timer->fine) {
    ::Sleep(ms);
    return !timer->cancelled.load(std::memory_order_acquire);
  }
  return ::WaitForSingleObject(timer->cancel, ms) == WAIT_TIMEOUT;
}

unsigned __stdcall run_timer(void* raw) {
  auto* timer = static_cast<PeriodicTimer*>(raw);
  ULONGLONG next = ::GetTickCount64() + timer->period;
  for (;;) {
    ULONGLONG now = ::GetTickCount64();
    DWORD wait = next > now ? static_cast<DWORD>(next - now) : 0;
    if (!wait_period(timer, wait)) break;
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
  timer->fine = timer->period < kSystemTickMs;
  if (!timer->fine) timer->cancel = ::CreateEventA(nullptr, TRUE, FALSE, nullptr);
  if (timer->fine) ::timeBeginPeriod(1);
  uintptr_t thread = 0;
  if (timer->fine || timer->cancel != nullptr)
    thread = ::_beginthreadex(nullptr, static_cast<unsigned>(usable_stack_size(stack_bytes)), run_timer, timer,
                              STACK_SIZE_PARAM_IS_A_RESERVATION, nullptr);
  if (thread == 0) {
    if (timer->cancel != nullptr) ::CloseHandle(timer->cancel);
    if (timer->fine) ::timeEndPeriod(1);
    delete timer;
    return nullptr;
  }
  timer->thread = reinterpret_cast<HANDLE>(thread);
  return timer;
}

void stop_periodic_timer(PeriodicTimer* timer) {
  if (timer == nullptr) return;
  timer->cancelled.store(true, std::memory_order_release);
  if (timer->cancel != nullptr) ::SetEvent(timer->cancel);
  ::WaitForSingleObject(timer->thread, INFINITE);
  ::CloseHandle(timer->thread);
  if (timer->cancel != nullptr) ::CloseHandle(timer->cancel);
  if (timer->fine) ::timeEndPeriod(1);
  delete timer;
}

}  // namespace ostrim::platform
