// Preloaded into a program under test: counts the frames it shows (buffer swaps) without
// changing the program, and at exit writes "swaps=N" to the file FRAME_COUNT_FILE names.

#include "SwapHook.hpp"

#include <cstdlib>
#include <fstream>

namespace {

long totalSwaps = 0;

__attribute__((destructor)) void writeSwapCount()
{
    if (const char* const path = std::getenv("FRAME_COUNT_FILE"))
        std::ofstream(path) << "swaps=" << totalSwaps << '\n';
}

} // namespace

void onBufferSwap()
{
    ++totalSwaps;
}
