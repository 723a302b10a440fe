#include "platform/sync.h"

#include <condition_variable>
#include <mutex>

namespace ostrim::platform {
namespace {

// One lock guards every semaphore's count and waiter list, so that a wait
// for any of several semaphores sees all their counts at one moment. Each
// waiting call sleeps on a condition of its own, woken only by a release of
// a semaphore it waits for.
std::mutex sync_mutex;

struct WaitLink {
  WaitLink* next = nullptr;
  WaitLink* prev = nullptr;
  std::condition_variable* wake = nullptr;
};

void link_waiter(WaitLink& list, WaitLink& link) {
  link.next = list.next;
  link.prev = &list;
  list.next->prev = &link;
  list.next = &link;
}

void unlink_waiter(WaitLink& link) {
  link.prev->next = link.next;
  link.next->prev = link.prev;
}

}  // namespace

struct Semaphore {
  int32_t count = 0;
  int32_t maximum = 0;
  WaitLink waiters;  // list head; empty when it points at itself
  Semaphore* created_before = nullptr;
};

struct Event {
  Semaphore semaphore;  // an auto-reset event is a semaphore of at most one unit
};

struct CriticalSection {
  std::mutex mutex;
  CriticalSection* created_before = nullptr;
};

namespace {

// Every object ever created stays listed here: they live for the process,
// and a leak checker sees them as held rather than lost.
Semaphore* created_semaphores = nullptr;
CriticalSection* created_sections = nullptr;

void keep(Semaphore* s) {
  std::lock_guard<std::mutex> lock(sync_mutex);
  s->created_before = created_semaphores;
  created_semaphores = s;
}

void init_semaphore(Semaphore& s, int32_t initial, int32_t maximum) {
  s.maximum = maximum < 1 ? 1 : maximum;
  s.count = initial < 0 ? 0 : (initial > s.maximum ? s.maximum : initial);
  s.waiters.next = &s.waiters;
  s.waiters.prev = &s.waiters;
}

// Under sync_mutex.
bool release_locked(Semaphore& s) {
  if (s.count >= s.maximum) return false;
  ++s.count;
  for (WaitLink* w = s.waiters.next; w != &s.waiters; w = w->next) w->wake->notify_one();
  return true;
}

// Under sync_mutex: the index of the first semaphore with a unit, which is taken.
int take_first(Semaphore* const* set, int count) {
  for (int i = 0; i < count; ++i) {
    if (set[i]->count > 0) {
      --set[i]->count;
      return i;
    }
  }
  return -1;
}

}  // namespace

Semaphore* create_semaphore(int32_t initial_count, int32_t maximum_count) {
  Semaphore* s = new Semaphore;
  init_semaphore(*s, initial_count, maximum_count);
  keep(s);
  return s;
}

bool release_semaphore(Semaphore* semaphore) {
  std::lock_guard<std::mutex> lock(sync_mutex);
  return release_locked(*semaphore);
}

int wait_any_semaphore(Semaphore* const* set, int count, Timeout timeout) {
  if (count < 1 || count > kMaxWaitSet) return -1;
  std::unique_lock<std::mutex> lock(sync_mutex);
  int taken = take_first(set, count);
  if (taken >= 0 || timeout == Timeout::Zero) return taken;

  std::condition_variable wake;
  WaitLink links[kMaxWaitSet];
  for (int i = 0; i < count; ++i) {
    links[i].wake = &wake;
    link_waiter(set[i]->waiters, links[i]);
  }
  while ((taken = take_first(set, count)) < 0) wake.wait(lock);
  for (int i = 0; i < count; ++i) unlink_waiter(links[i]);
  return taken;
}

bool wait_semaphore(Semaphore* semaphore, Timeout timeout) {
  return wait_any_semaphore(&semaphore, 1, timeout) == 0;
}

Event* create_event() {
  Event* e = new Event;
  init_semaphore(e->semaphore, 0, 1);
  keep(&e->semaphore);  // the event's first member: the pointer holds the event
  return e;
}

void signal_event(Event* event) {
  std::lock_guard<std::mutex> lock(sync_mutex);
  release_locked(event->semaphore);  // signalling a signalled event changes nothing
}

bool wait_event(Event* event, Timeout timeout) { return wait_semaphore(&event->semaphore, timeout); }

CriticalSection* create_critical_section() {
  CriticalSection* section = new CriticalSection;
  std::lock_guard<std::mutex> lock(sync_mutex);
  section->created_before = created_sections;
  created_sections = section;
  return section;
}
void enter_critical_section(CriticalSection* section) { section->mutex.lock(); }
void leave_critical_section(CriticalSection* section) { section->mutex.unlock(); }

}  // namespace ostrim::platform
