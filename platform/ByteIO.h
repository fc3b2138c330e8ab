#pragma once
// Little-endian field access for records: everything that crosses into a file or the
// clipboard goes field by field through these, never through a struct copy.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

namespace bytes {

inline void PutU32(std::uint8_t* p, std::uint32_t v) {
    p[0] = static_cast<std::uint8_t>(v);
    p[1] = static_cast<std::uint8_t>(v >> 8);
    p[2] = static_cast<std::uint8_t>(v >> 16);
    p[3] = static_cast<std::uint8_t>(v >> 24);
}
inline void PutI32(std::uint8_t* p, std::int32_t v) { PutU32(p, static_cast<std::uint32_t>(v)); }
inline void PutI16(std::uint8_t* p, std::int16_t v) {
    const auto u = static_cast<std::uint16_t>(v);
    p[0] = static_cast<std::uint8_t>(u);
    p[1] = static_cast<std::uint8_t>(u >> 8);
}
inline void PutF64(std::uint8_t* p, double v) {
    std::uint64_t u;
    std::memcpy(&u, &v, 8);
    PutU32(p, static_cast<std::uint32_t>(u));
    PutU32(p + 4, static_cast<std::uint32_t>(u >> 32));
}

inline std::uint32_t GetU32(const std::uint8_t* p) {
    return static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8) |
           (static_cast<std::uint32_t>(p[2]) << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}
inline std::int32_t GetI32(const std::uint8_t* p) { return static_cast<std::int32_t>(GetU32(p)); }
inline std::int16_t GetI16(const std::uint8_t* p) {
    return static_cast<std::int16_t>(static_cast<std::uint16_t>(p[0] | (p[1] << 8)));
}
inline double GetF64(const std::uint8_t* p) {
    const std::uint64_t u =
        static_cast<std::uint64_t>(GetU32(p)) | (static_cast<std::uint64_t>(GetU32(p + 4)) << 32);
    double v;
    std::memcpy(&v, &u, 8);
    return v;
}

} // namespace bytes
