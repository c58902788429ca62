// Deterministic noise for the time-based profiles.
#pragma once

#include <cstdint>

namespace sim {
namespace detail {

/// A value in [-1, 1) that depends only on \a key (splitmix64).
inline double noise(std::uint64_t key)
{
    std::uint64_t z = key + 0x9E3779B97F4A7C15ull;
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    z = z ^ (z >> 31);
    return static_cast<double>(z >> 11) / static_cast<double>(1ull << 52) - 1.0;
}

} // namespace detail
} // namespace sim
