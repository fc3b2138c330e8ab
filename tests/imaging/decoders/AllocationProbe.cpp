#include "AllocationProbe.h"

#include <cstdlib>
#include <new>

// The test program's global allocation functions: plain malloc/free, with the probe's
// bookkeeping for requests made on a probing thread.
namespace {
thread_local bool tActive = false;
thread_local std::size_t tLargest = 0;
thread_local std::size_t tFailAbove = SIZE_MAX;

void* Allocate(std::size_t n) {
    if (tActive) {
        if (n > tLargest) tLargest = n;
        if (n > tFailAbove) throw std::bad_alloc();
    }
    if (void* p = std::malloc(n == 0 ? 1 : n)) return p;
    throw std::bad_alloc();
}
} // namespace

void* operator new(std::size_t n) { return Allocate(n); }
void* operator new[](std::size_t n) { return Allocate(n); }
void operator delete(void* p) noexcept { std::free(p); }
void operator delete[](void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }
void operator delete[](void* p, std::size_t) noexcept { std::free(p); }

namespace allocprobe {

Probe::Probe(std::size_t failAbove) {
    tLargest = 0;
    tFailAbove = failAbove;
    tActive = true;
}
Probe::~Probe() {
    tActive = false;
    tFailAbove = SIZE_MAX;
}
std::size_t Probe::Largest() const { return tLargest; }

} // namespace allocprobe
