// SHA-256 of a file's bytes, as the download log records it: any change to a flight file
// after its download shows as a different digest.
#pragma once

#include <cstdint>
#include <span>
#include <string>

namespace orlomat {

// The digest as 64 lower-case hex digits.
std::string Sha256Hex(std::span<const std::uint8_t> bytes);

} // namespace orlomat
