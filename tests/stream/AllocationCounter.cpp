#include "AllocationCounter.h"

#include <cstdlib>
#include <cstring>
#include <new>

namespace {
thread_local bool counting = false;
thread_local long allocations = 0;
thread_local int fillByte = -1;
}  // namespace

void alloccount::start() {
    allocations = 0;
    counting = true;
}

long alloccount::stop() {
    counting = false;
    return allocations;
}

void alloccount::fillNewBlocks(int byte) { fillByte = byte; }

void* operator new(std::size_t size) {
    if (counting) ++allocations;
    if (void* p = std::malloc(size ? size : 1)) {
        if (fillByte >= 0) std::memset(p, fillByte, size);
        return p;
    }
    throw std::bad_alloc();
}

void* operator new[](std::size_t size) { return operator new(size); }
void operator delete(void* p) noexcept { std::free(p); }
void operator delete[](void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }
void operator delete[](void* p, std::size_t) noexcept { std::free(p); }
