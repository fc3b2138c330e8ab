#pragma once
// Watches the heap requests made on the current thread while a probe is alive: the largest
// single request, and optionally a size above which requests fail with std::bad_alloc.
#include <cstddef>
#include <cstdint>

namespace allocprobe {

class Probe {
public:
    explicit Probe(std::size_t failAbove = SIZE_MAX);
    ~Probe();
    Probe(const Probe&) = delete;
    Probe& operator=(const Probe&) = delete;

    std::size_t Largest() const;
};

} // namespace allocprobe
