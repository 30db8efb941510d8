#pragma once
// Counts heap allocations made by the calling thread while counting is on (replaces global new).

namespace alloccount {
void start();
long stop();  // allocations on this thread since start()
}  // namespace alloccount
