// libFuzzer entry point for one decoder (VM_FUZZ_DECODE names it). Besides the sanitizers'
// checks, a decoded picture must be whole: sizes and vectors agree and every stored index
// has a colour-table entry; a failure must say why.
#include "Decoders.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <new>

namespace {

// While a decoder runs, single allocations above this fail with std::bad_alloc. Headers that
// honestly describe large run-length or LZW pictures would otherwise have the fuzzer spend
// most of its time mapping and clearing buffers (a 1 MiB ceiling runs 4 times slower than
// this one); this way it keeps exploring the parsers, and the decoders' out-of-memory path
// is exercised in passing.
constexpr std::size_t kAllocationCeiling = std::size_t{1} << 18;
bool gDecoding = false;

void* Allocate(std::size_t n) {
    if (gDecoding && n > kAllocationCeiling) throw std::bad_alloc();
    if (void* p = std::malloc(n == 0 ? 1 : n)) return p;
    throw std::bad_alloc();
}

void Check(bool condition) {
    if (!condition) __builtin_trap();
}

void CheckPicture(const imaging::Picture& p) {
    Check(p.width > 0 && p.height > 0);
    Check(imaging::SizeAcceptable(static_cast<std::uint64_t>(p.width),
                                  static_cast<std::uint64_t>(p.height)));
    const std::size_t n = static_cast<std::size_t>(p.width) * static_cast<std::size_t>(p.height);
    if (p.IsIndexed()) {
        Check(p.bitCount == 1 || p.bitCount == 4 || p.bitCount == 8);
        Check(p.indices.size() == n && p.pixels.empty());
        Check(p.palette.size() >= (std::size_t{1} << p.bitCount));
        for (std::uint8_t k : p.indices) Check(k < (1u << p.bitCount));
    } else {
        Check(p.bitCount == 24);
        Check(p.pixels.size() == n && p.indices.empty());
    }
    Check(p.alpha.empty() || p.alpha.size() == n);
    Check(p.transparentIndex >= -1 && p.transparentIndex < 256);
    // Reads the corners through the public accessor.
    volatile QRgb sink = p.ColorAt(0, 0) ^ p.ColorAt(p.width - 1, p.height - 1);
    (void)sink;
}

} // namespace

void* operator new(std::size_t n) { return Allocate(n); }
void* operator new[](std::size_t n) { return Allocate(n); }
void* operator new(std::size_t n, const std::nothrow_t&) noexcept {
    return gDecoding && n > kAllocationCeiling ? nullptr : std::malloc(n == 0 ? 1 : n);
}
void* operator new[](std::size_t n, const std::nothrow_t& t) noexcept {
    return operator new(n, t);
}
void operator delete(void* p, const std::nothrow_t&) noexcept { std::free(p); }
void operator delete[](void* p, const std::nothrow_t&) noexcept { std::free(p); }
void operator delete(void* p) noexcept { std::free(p); }
void operator delete[](void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }
void operator delete[](void* p, std::size_t) noexcept { std::free(p); }

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    imaging::Picture picture;
    std::string error;
    gDecoding = true;
    const bool ok = VM_FUZZ_DECODE(data, size, picture, error);
    gDecoding = false;
    if (ok) {
        CheckPicture(picture);
    } else {
        Check(!error.empty());
        Check(!picture.IsValid()); // left as it was
    }
    return 0;
}
