#pragma once
// Threads that run for the life of the process, their priority, and the
// number of processors the process may use.
#include <cstddef>

namespace ostrim::platform {

enum class ThreadPriority { Normal, AboveNormal };

// The most processors counted: only the first 24 of the affinity set.
constexpr int kMaxCountedProcessors = 24;

using ThreadBody = void (*)(void* argument);

// Starts a detached thread running body(argument). stack_bytes 0 takes the
// system's default; a size the system cannot use is raised to one it can.
// False when the thread could not be created.
bool start_thread(ThreadBody body, void* argument, std::size_t stack_bytes);

// Sets the calling thread's priority; a refusal by the system is ignored.
void set_thread_priority(ThreadPriority priority);

// Processors among the first 24 of the process's affinity set (1 when the
// set cannot be read).
int usable_processor_count();

// The stack size actually requested from the system for stack_bytes.
std::size_t usable_stack_size(std::size_t stack_bytes);

}  // namespace ostrim::platform
