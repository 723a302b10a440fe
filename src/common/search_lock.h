#pragma once
// The one process-wide lock of the search: every tablebase probe runs under
// it (the probe's cache and file handles are shared), and so do alpha raises
// at nodes shared between search threads and the tablebase re-initialisation
// that an option change runs beside a search.
#include "platform/sync.h"

namespace ostrim {

// Created on first use; lives for the life of the process.
platform::CriticalSection* search_lock();

inline void lock_search() { platform::enter_critical_section(search_lock()); }
inline void unlock_search() { platform::leave_critical_section(search_lock()); }

}  // namespace ostrim
