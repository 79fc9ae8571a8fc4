// SHA-256 of a file's bytes, as the download log records it: any change to a flight file
// after its download shows as a different digest.
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace orlomat {

// The digest fed piece by piece: a file of any size in fixed memory.
class Sha256 {
public:
    void add(std::span<const std::uint8_t> bytes);
    std::string hex(); // ends the digest: 64 lower-case hex digits

private:
    std::array<std::uint32_t, 8> h_ = {0x6a09e667, 0xbb67ae85, 0x3c6ef372, 0xa54ff53a,
                                       0x510e527f, 0x9b05688c, 0x1f83d9ab, 0x5be0cd19};
    std::array<std::uint8_t, 64> block_{};
    std::size_t filled_ = 0;
    std::uint64_t length_ = 0;
};

// The digest as 64 lower-case hex digits.
std::string Sha256Hex(std::span<const std::uint8_t> bytes);
std::string Sha256Hex(std::string_view text);

} // namespace orlomat
