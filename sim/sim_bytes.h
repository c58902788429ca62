// Big-endian helpers of the instrument simulator. Deliberately separate from
// the program's own helpers so that a byte-order mistake in one shows against
// the other.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

namespace sim {

/// One HID input report as the device sends it (no report ID): 64 bytes.
using InputReport = std::array<std::uint8_t, 64>;
/// One HID output report as the host writes it: report ID in byte 0, 65 bytes.
using OutputReport = std::array<std::uint8_t, 65>;

namespace be {

template <std::size_t N>
inline void put16(std::array<std::uint8_t, N> &buf, std::size_t offset, std::uint16_t value)
{
    buf.at(offset) = static_cast<std::uint8_t>((value >> 8) & 0xFFu);
    buf.at(offset + 1) = static_cast<std::uint8_t>(value & 0xFFu);
}

template <std::size_t N>
inline std::uint16_t get16(const std::array<std::uint8_t, N> &buf, std::size_t offset)
{
    return static_cast<std::uint16_t>((static_cast<unsigned>(buf.at(offset)) << 8) |
                                      static_cast<unsigned>(buf.at(offset + 1)));
}

template <std::size_t N>
inline void put32(std::array<std::uint8_t, N> &buf, std::size_t offset, std::uint32_t value)
{
    for (std::size_t k = 0; k < 4; ++k)
        buf.at(offset + k) = static_cast<std::uint8_t>((value >> (8 * (3 - k))) & 0xFFu);
}

template <std::size_t N>
inline std::uint32_t get32(const std::array<std::uint8_t, N> &buf, std::size_t offset)
{
    std::uint32_t v = 0;
    for (std::size_t k = 0; k < 4; ++k)
        v = (v << 8) | static_cast<std::uint32_t>(buf.at(offset + k));
    return v;
}

/// Clamps and rounds a non-negative quantity to an unsigned 16-bit field.
std::uint16_t toU16(double value);

} // namespace be
} // namespace sim
