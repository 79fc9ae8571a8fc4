// A flight's altitude curve as a small inline SVG picture for the results page.
#pragma once

#include <cstdint>
#include <span>
#include <string>

namespace orlomat {

// At most 240 points a curve. With a suspect maximum the cleaned curve is drawn over it and
// the spike is ringed. Empty for fewer than two points.
std::string Sparkline(std::span<const std::int32_t> altitudes,
                      std::span<const std::int32_t> cleaned, bool suspect);

} // namespace orlomat
