// 32-bit integer arithmetic as the altimeter's firmware and the sensor datasheet do it:
// products and sums wrap around, divisions truncate toward zero. Signed overflow is
// undefined in C++, so every wrapping operation goes through unsigned arithmetic.
#pragma once

#include <cmath>
#include <cstdint>
#include <limits>

namespace orlomat {

constexpr std::int32_t WrapAdd(std::int32_t a, std::int32_t b) {
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(a) + static_cast<std::uint32_t>(b));
}

constexpr std::int32_t WrapSub(std::int32_t a, std::int32_t b) {
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(a) - static_cast<std::uint32_t>(b));
}

constexpr std::int32_t WrapMul(std::int32_t a, std::int32_t b) {
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(a) * static_cast<std::uint32_t>(b));
}

// Truncating division. The caller rules out a zero divisor; INT_MIN / -1 wraps to INT_MIN
// instead of trapping.
constexpr std::int32_t TruncDiv(std::int32_t a, std::int32_t b) {
    if (b == -1) return WrapSub(0, a);
    return a / b;
}

// Float-to-int32 conversion that truncates toward zero. A value that is not finite or does
// not fit gives INT_MIN, the "integer indefinite" value of x86's truncating conversion.
template <typename F> constexpr std::int32_t TruncToInt32(F value) {
    if (!(value > static_cast<F>(-2147483649.0) && value < static_cast<F>(2147483648.0)))
        return std::numeric_limits<std::int32_t>::min();
    return static_cast<std::int32_t>(value);
}

} // namespace orlomat
