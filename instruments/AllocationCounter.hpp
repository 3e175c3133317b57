#pragma once

#include <cstddef>

// Number of calls to the global operator new (all forms) since the program started.
std::size_t heapAllocationCount();
