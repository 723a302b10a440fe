#include "platform/threads.h"

#include <pthread.h>
#include <sched.h>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <climits>

namespace ostrim::platform {
namespace {

// The system accepts smaller stacks, but the C library and the sanitizers'
// frames need some room of their own.
constexpr std::size_t kSmallestStack = 64 * 1024;

// Nice values: one step above normal is one below the default of 0.
constexpr int kNormalNice = 0;
constexpr int kAboveNormalNice = -1;

struct ThreadStart {
  ThreadBody body;
  void* argument;
};

void* run_thread(void* raw) {
  ThreadStart start = *static_cast<ThreadStart*>(raw);
  delete static_cast<ThreadStart*>(raw);
  start.body(start.argument);
  return nullptr;
}

}  // namespace

std::size_t usable_stack_size(std::size_t stack_bytes) {
  if (stack_bytes == 0) return 0;
  std::size_t floor = kSmallestStack;
  if (static_cast<std::size_t>(PTHREAD_STACK_MIN) > floor) floor = PTHREAD_STACK_MIN;
  if (stack_bytes < floor) stack_bytes = floor;
  long page = sysconf(_SC_PAGESIZE);
  std::size_t page_bytes = page > 0 ? static_cast<std::size_t>(page) : 4096;
  return (stack_bytes + page_bytes - 1) / page_bytes * page_bytes;
}

bool start_thread(ThreadBody body, void* argument, std::size_t stack_bytes) {
  pthread_attr_t attributes;
  if (pthread_attr_init(&attributes) != 0) return false;
  pthread_attr_setdetachstate(&attributes, PTHREAD_CREATE_DETACHED);
  std::size_t size = usable_stack_size(stack_bytes);
  if (size != 0) pthread_attr_setstacksize(&attributes, size);
  ThreadStart* start = new ThreadStart{body, argument};
  pthread_t thread;
  int result = pthread_create(&thread, &attributes, run_thread, start);
  pthread_attr_destroy(&attributes);
  if (result != 0) {
    delete start;
    return false;
  }
  return true;
}

void set_thread_priority(ThreadPriority priority) {
  int nice = priority == ThreadPriority::AboveNormal ? kAboveNormalNice : kNormalNice;
  // Linux keeps a nice value per thread, addressed by the thread's id.
  auto thread_id = static_cast<id_t>(syscall(SYS_gettid));
  setpriority(PRIO_PROCESS, thread_id, nice);  // best effort: may be refused
}

int usable_processor_count() {
  cpu_set_t set;
  CPU_ZERO(&set);
  if (sched_getaffinity(0, sizeof set, &set) != 0) return 1;  // unknown: assume one
  int count = 0;
  for (int cpu = 0; cpu < kMaxCountedProcessors; ++cpu)
    if (CPU_ISSET(cpu, &set)) ++count;
  return count;
}

}  // namespace ostrim::platform
