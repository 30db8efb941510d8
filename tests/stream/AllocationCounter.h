#pragma once
// Counts heap allocations made by the calling thread while counting is on (replaces global new), and can
// fill the calling thread's new blocks with a byte, as a heap full of leftovers would hand them out.

namespace alloccount {
void start();
long stop();  // allocations on this thread since start()
// Every block this thread gets from operator new is filled with `byte` until fillNewBlocks(-1).
void fillNewBlocks(int byte);
}  // namespace alloccount
