// The number of descriptors a process may hold, raised for a big site: every printer of a
// list holds descriptors of its own while it downloads, and a search test-opens many at once.
#pragma once

#include <cstdint>

// Raises the soft limit of open files to the hard limit the system allows this process;
// returns the soft limit in force afterwards (0 when it cannot be read).
std::uint64_t RaiseOpenFileLimit();
