#pragma once
// Events, counting semaphores and the critical section. Every object lives
// for the life of the process once created; none is ever destroyed.
#include <cstdint>

namespace ostrim::platform {

struct Event;
struct Semaphore;
struct CriticalSection;

// A wait either returns at once or blocks until it succeeds.
enum class Timeout { Zero, Infinite };

// The largest set a wait for any semaphore accepts.
constexpr int kMaxWaitSet = 48;

// Auto-reset event, created not signalled: a successful wait resets it.
Event* create_event();
void signal_event(Event* event);
// True when the event was signalled (and is now reset).
bool wait_event(Event* event, Timeout timeout);

// Counting semaphore with a count between 0 and its maximum.
Semaphore* create_semaphore(int32_t initial_count, int32_t maximum_count);
// Adds one unit; false, with the count unchanged, when it is at its maximum.
bool release_semaphore(Semaphore* semaphore);
// Takes one unit; false when none was there and the time-out is zero.
bool wait_semaphore(Semaphore* semaphore, Timeout timeout);
// Takes one unit from the first semaphore of the set (lowest index) that
// has one and returns its index; -1 when none has one and the time-out is
// zero, or when the set is empty or larger than kMaxWaitSet.
int wait_any_semaphore(Semaphore* const* set, int count, Timeout timeout);

CriticalSection* create_critical_section();
void enter_critical_section(CriticalSection* section);
void leave_critical_section(CriticalSection* section);

}  // namespace ostrim::platform
