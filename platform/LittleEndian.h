// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstddef>
#include <cstdint>

/// Little-endian integers as RIFF files store them, read from bytes of either
/// kind (std::byte or std::uint8_t).
namespace platform {

/// The 16-bit value at `at`.
template <typename Byte>
constexpr std::uint16_t ReadLittleEndian16(const Byte* at) {
    return static_cast<std::uint16_t>(static_cast<unsigned>(at[0]) | static_cast<unsigned>(at[1]) << 8);
}

/// The 32-bit value at `at`.
template <typename Byte>
constexpr std::uint32_t ReadLittleEndian32(const Byte* at) {
    return std::uint32_t{ReadLittleEndian16(at)} | std::uint32_t{ReadLittleEndian16(at + 2)} << 16;
}

/// Stores `value` as 32-bit little-endian at `at`.
inline void WriteLittleEndian32(std::byte* at, std::uint32_t value) {
    for (int i = 0; i < 4; ++i) {
        at[i] = static_cast<std::byte>(value >> (8 * i));
    }
}

}  // namespace platform
