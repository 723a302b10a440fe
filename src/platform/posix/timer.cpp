#include "platform/timer.h"

#include <pthread.h>

#include <chrono>
#include <condition_variable>
#include <mutex>

#include "platform/threads.h"

namespace ostrim::platform {

struct PeriodicTimer {
  std::chrono::milliseconds period;
  TimerTick tick;
  void* argument;
  std::mutex mutex;
  std::condition_variable cancel;
  bool cancelled = false;
  pthread_t thread;
};

namespace {

void* run_timer(void* raw) {
  auto* timer = static_cast<PeriodicTimer*>(raw);
  auto next = std::chrono::steady_clock::now() + timer->period;
  std::unique_lock<std::mutex> lock(timer->mutex);
  for (;;) {
    if (timer->cancel.wait_until(lock, next, [timer] { return timer->cancelled; })) break;
    lock.unlock();
    timer->tick(timer->argument);
    lock.lock();
    next += timer->period;
    auto now = std::chrono::steady_clock::now();
    if (next < now) next = now + timer->period;  // skip the ticks missed
  }
  return nullptr;
}

}  // namespace

PeriodicTimer* start_periodic_timer(int32_t period_ms, TimerTick tick, void* argument,
                                    std::size_t stack_bytes) {
  auto* timer = new PeriodicTimer;
  timer->period = std::chrono::milliseconds(period_ms > 0 ? period_ms : 1);
  timer->tick = tick;
  timer->argument = argument;

  pthread_attr_t attributes;
  bool created = false;
  if (pthread_attr_init(&attributes) == 0) {
    std::size_t size = usable_stack_size(stack_bytes);
    if (size != 0) pthread_attr_setstacksize(&attributes, size);
    created = pthread_create(&timer->thread, &attributes, run_timer, timer) == 0;
    pthread_attr_destroy(&attributes);
  }
  if (!created) {
    delete timer;
    return nullptr;
  }
  return timer;
}

void stop_periodic_timer(PeriodicTimer* timer) {
  if (timer == nullptr) return;
  {
    std::lock_guard<std::mutex> lock(timer->mutex);
    timer->cancelled = true;
  }
  timer->cancel.notify_one();
  pthread_join(timer->thread, nullptr);
  delete timer;
}

}  // namespace ostrim::platform
