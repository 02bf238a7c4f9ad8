// Bytes as lower-case hexadecimal digits, as every dump and escape of this project writes them.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace halix {

// Appends the two digits of `byte`: 0x0A as "0a".
inline void appendHexByte(std::string& out, std::uint8_t byte) {
    constexpr std::string_view kDigits = "0123456789abcdef";
    out += kDigits[byte >> 4U];
    out += kDigits[byte & 0x0FU];
}

// Two digits for each byte, without separators.
inline std::string hexOf(std::span<const std::uint8_t> bytes) {
    std::string hex;
    hex.reserve(2 * bytes.size());
    for (const std::uint8_t byte : bytes) {
        appendHexByte(hex, byte);
    }
    return hex;
}

} // namespace halix
