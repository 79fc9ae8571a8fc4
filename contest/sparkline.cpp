#include "contest/sparkline.h"

#include "core/json.h"

#include <algorithm>
#include <sstream>

namespace orlomat {
std::string Sparkline(std::span<const std::int32_t> a, std::span<const std::int32_t> cleaned,
                      bool suspect) {
    const std::size_t n = a.size();
    if (n < 2) return "";
    const auto [lo, hi] = std::minmax_element(a.begin(), a.end());
    const double span = std::max(1.0, static_cast<double>(*hi) - *lo);
    const std::size_t step = std::max<std::size_t>(1, n / 240);
    const auto x = [&](std::size_t i) {
        return FigureText(160.0 * static_cast<double>(i) / static_cast<double>(n - 1));
    };
    const std::int32_t low = *lo;
    const auto y = [&](std::int32_t v) { return FigureText(38.0 - 36.0 * (v - low) / span); };
    const auto line = [&](std::span<const std::int32_t> c, const char* colour) {
        std::ostringstream p;
        for (std::size_t i = 0; i < n; i += step) {
            // Thinning must not drop the spike: each drawn point is its stretch's highest.
            const std::size_t end = std::min(n, i + step);
            const auto top = std::max_element(c.begin() + static_cast<std::ptrdiff_t>(i),
                                              c.begin() + static_cast<std::ptrdiff_t>(end));
            p << x(static_cast<std::size_t>(top - c.begin())) << ',' << y(*top) << ' ';
        }
        return std::string("<polyline fill=\"none\" stroke=\"") + colour +
               "\" stroke-width=\"1.2\" points=\"" + p.str() + "\"/>";
    };
    std::string svg = "<svg width=\"120\" height=\"30\" viewBox=\"0 0 160 40\" role=\"img\">" +
                      line(a, "#e80000");
    if (suspect && cleaned.size() == n) {
        const auto top = static_cast<std::size_t>(std::max_element(a.begin(), a.end()) - a.begin());
        svg += line(cleaned, "#1060d0") + "<circle cx=\"" + x(top) + "\" cy=\"" + y(a[top]) +
               "\" r=\"5\" fill=\"none\" stroke=\"#000\" stroke-width=\"1.5\"/>";
    }
    return svg + "</svg>";
}

} // namespace orlomat
