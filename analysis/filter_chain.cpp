#include "analysis/filter_chain.h"

#include "core/arith.h"
#include "core/decode.h"
#include "core/flight_record.h"

#include <algorithm>
#include <cstdlib>

namespace orlomat {

namespace {

constexpr std::int32_t kEnd = kTableEndMark;

// Index of the first end value (the table's own length when it has none).
std::size_t EndOf(const std::vector<std::int32_t>& a) {
    return static_cast<std::size_t>(std::find(a.begin(), a.end(), kEnd) - a.begin());
}

// Sum of in[lo, hi) kept while both bounds only move right: a moving average costs two
// additions a sample. Wrapping sums give the same results as summing each window afresh.
class SlidingSum {
public:
    explicit SlidingSum(const std::int32_t* in) : in_(in) {}
    std::int32_t mean(std::size_t lo, std::size_t hi) {
        if (lo > hi_) lo_ = hi_ = lo, sum_ = 0;
        while (hi_ < hi)
            sum_ = WrapAdd(sum_, in_[hi_++]);
        while (lo_ < lo)
            sum_ = WrapSub(sum_, in_[lo_++]);
        return sum_ / static_cast<std::int32_t>(hi_ - lo_);
    }

private:
    const std::int32_t* in_;
    std::size_t lo_ = 0, hi_ = 0;
    std::int32_t sum_ = 0;
};

void CopyWithEnd(const std::vector<std::int32_t>& from, std::vector<std::int32_t>& to,
                 std::size_t end) {
    std::copy(from.begin(), from.begin() + static_cast<std::ptrdiff_t>(end) + 1, to.begin());
}

// 64-bit arithmetic that stops at ±2^61 instead of overflowing. The cut passes only compare
// these values with altitudes and tolerances below 2^35, so a value held at the bound decides
// every comparison as its exact value would, and no compiler-specific 128-bit type is needed.
class Wide {
public:
    static constexpr std::int64_t kBound = std::int64_t{1} << 61;
    constexpr Wide(std::int64_t v = 0) : v_(Clamp(v)) {} // NOLINT: as plain as an integer
    constexpr std::int64_t value() const { return v_; }

    friend constexpr Wide operator+(Wide a, Wide b) { return Wide(a.v_ + b.v_); }
    friend constexpr Wide operator-(Wide a, Wide b) { return Wide(a.v_ - b.v_); }
    friend constexpr Wide operator-(Wide a) { return Wide(-a.v_); }
    friend constexpr Wide operator*(Wide a, Wide b) {
        if (a.v_ == 0 || b.v_ == 0) return Wide(0);
        const bool negative = (a.v_ < 0) != (b.v_ < 0);
        const std::int64_t x = a.v_ < 0 ? -a.v_ : a.v_, y = b.v_ < 0 ? -b.v_ : b.v_;
        if (x > kBound / y) return Wide(negative ? -kBound : kBound);
        return Wide(negative ? -(x * y) : x * y);
    }
    friend constexpr Wide operator/(Wide a, Wide b) { return Wide(a.v_ / b.v_); }
    Wide& operator+=(Wide b) { return *this = *this + b; }
    Wide& operator++() { return *this += 1; }
    friend constexpr auto operator<=>(Wide a, Wide b) = default;
    friend constexpr bool operator==(Wide a, Wide b) = default;

private:
    static constexpr std::int64_t Clamp(std::int64_t v) {
        return v > kBound ? kBound : v < -kBound ? -kBound : v;
    }
    std::int64_t v_;
};

Wide Abs(Wide v) {
    return v < 0 ? -v : v;
}

// Restarts after the anchor are plentiful when a sample lies far off (a damaged record):
// each one widens the tolerance by a fixed step and re-examines the same candidates. Instead
// of running them one by one, the passes jump straight to the first restart in which some
// candidate is accepted; which one, and everything after it, is exactly as if every restart
// had run.

// Pre-cut: candidate m (1..21) of restart k is accepted when |x| < m (s0 + 30 k).
std::int64_t PreCutRestarts(std::int64_t x, std::int64_t m, std::int64_t s0) {
    if (x < m * s0) return 0;
    return (x - m * s0) / (30 * m) + 1;
}

// Final cut: candidate m of restart k is accepted when |x| <= |k D + P| / 10 + T + k, that is
// when g(k) = |k D + P| / 10 + k reaches R = |x| - T. Where k D + P runs toward zero (D and P
// of opposite signs) with |D| >= 10, g does not rise until k D + P has changed sign; from
// there on, and everywhere else, it never falls. And g(k) >= k bounds the search.
Wide FinalCutRestarts(Wide d, Wide p, Wide r) {
    const auto g = [&](Wide k) { return Abs(k * d + p) / 10 + k; };
    if (g(0) >= r) return 0;
    Wide lo = 0;
    if (p != 0 && d != 0 && (p > 0) != (d > 0) && Abs(d) >= 10) lo = Abs(p) / Abs(d) + 1;
    Wide hi = lo > r ? lo : r;
    while (lo < hi) {
        const Wide mid = lo + (hi - lo) / 2;
        if (g(mid) >= r)
            hi = mid;
        else
            lo = mid + 1;
    }
    return lo;
}

// The straight line from the anchor j to the accepted sample i.
void PreCutLine(std::vector<std::int32_t>& c, std::size_t j, std::size_t i) {
    const std::int32_t d = TruncDiv(WrapSub(c[i], c[j]), static_cast<std::int32_t>(i - j));
    for (std::size_t m = j + 1; m <= i; ++m)
        c[m] = WrapAdd(c[m - 1], d);
}

} // namespace

bool FilterSettings::valid() const {
    return preCut >= 0 && finalCut >= 0 && prefilterWidth >= 1 &&
           prefilterWidth <= kFilterWidthMax && finalFilterWidth >= 1 &&
           finalFilterWidth <= kFilterWidthMax;
}

FilterWork::FilterWork()
    : source(kTableSize, kEnd), cleaned(kTableSize, kEnd), firstAverage(kTableSize, kEnd),
      reference(kTableSize, kEnd) {}

void LoadSource(FilterWork& work, const std::vector<std::int32_t>& table) {
    const std::size_t n = std::min({EndOf(table), table.size(), kTableSize - 1});
    std::copy_n(table.begin(), n, work.source.begin());
    work.source[n] = kEnd;
    work.end = n;
}

void PreCutPass(FilterWork& w, std::int32_t preCut) {
    std::vector<std::int32_t>& c = w.cleaned;
    CopyWithEnd(w.source, c, w.end);
    std::size_t j = 0, i = 1;
    std::int64_t t = 0, s = preCut;
    while (i < w.end) {
        t += s;
        const std::int64_t diff = std::llabs(std::int64_t{c[i]} - c[j]);
        if (diff < t) {
            s = preCut;
            if (i != j + 1) PreCutLine(c, j, i);
            j = i;
            ++i;
            t = 0;
        } else {
            if (i - j > 20) {
                i = j;
                s += 30;
                t = 0;
                if (s == std::int64_t{preCut} + 30) {
                    // The first restart after this anchor: go on at the first restart that
                    // accepts a candidate.
                    std::int64_t first = INT64_MAX;
                    for (std::int64_t m = 1; m <= 21; ++m) {
                        const std::int64_t x =
                            std::llabs(std::int64_t{c[j + static_cast<std::size_t>(m)]} - c[j]);
                        first = std::min(first, PreCutRestarts(x, m, preCut));
                    }
                    s = std::int64_t{preCut} + 30 * first;
                }
            }
            ++i;
        }
    }
}

void PrefilterAverage(FilterWork& w, std::int32_t width) {
    std::copy_n(w.cleaned.begin(), 100, w.firstAverage.begin());
    const auto wu = static_cast<std::size_t>(width);
    const auto h = static_cast<std::size_t>(WindowAhead(width));
    SlidingSum sum(w.cleaned.data());
    for (std::size_t i = wu; i < w.end; ++i)
        w.firstAverage[i] = sum.mean(i - wu, std::min(i + h, w.end));
    w.firstAverage[w.end] = kEnd;
}

void FinalFilterAverage(FilterWork& w, std::int32_t width) {
    std::copy_n(w.firstAverage.begin(), 100, w.reference.begin());
    const auto wu = static_cast<std::size_t>(width);
    const auto h = static_cast<std::size_t>(WindowAhead(width));
    std::size_t back = 1, fwd = 1;
    SlidingSum sum(w.firstAverage.data());
    for (std::size_t i = 42; i < w.end; ++i) {
        w.reference[i] = sum.mean(i - back, std::min(i + fwd, w.end));
        if (fwd != h) ++fwd;
        if (back != wu) ++back;
    }
    w.reference[w.end] = kEnd;
}

void FinalCutPass(FilterWork& w, std::int64_t tolerance) {
    std::vector<std::int32_t>& c = w.cleaned;
    const std::vector<std::int32_t>& ref = w.reference;
    CopyWithEnd(w.source, c, w.end);
    std::size_t j = 0, i = 1;
    Wide band = tolerance, a = 0;
    while (i + 1 < w.end) {
        a += 5 * (Wide{ref[i + 1]} - ref[i - 1]);
        const Wide q = Abs(a) / 10;
        const Wide lo = ref[i] - q, hi = ref[i] + q;
        if (c[i] < lo - band || c[i] > hi + band) {
            if (i - j > 45) {
                i = j;
                ++band;
                if (band == Wide{tolerance} + 1) {
                    // The first restart after this anchor: a has grown by D over the 46
                    // candidates; go on at the first restart that accepts one of them.
                    Wide d = 0;
                    Wide first = -1;
                    std::vector<Wide> partial(47);
                    for (std::size_t m = 1; m <= 46; ++m) {
                        d += 5 * (Wide{ref[j + m + 1]} - ref[j + m - 1]);
                        partial[m] = d;
                    }
                    for (std::size_t m = 1; m <= 46; ++m) {
                        const Wide r = Abs(Wide{c[j + m]} - ref[j + m]) - tolerance;
                        const Wide k = FinalCutRestarts(d, partial[m], r);
                        if (first < 0 || k < first) first = k;
                    }
                    band = Wide{tolerance} + first;
                    a = first * d;
                }
            }
            ++i;
            continue;
        }
        band = tolerance;
        if (i != j + 1) {
            // From the anchor's value: the running product m x e is divided, not each step.
            const auto span = static_cast<std::int64_t>(i - j);
            const std::int64_t e = 10 * (std::int64_t{c[i]} - c[j]) / span; // fits: |c| < 2^31
            const std::int32_t base = c[j];
            for (std::size_t m = 1; m <= i - j; ++m)
                c[j + m] = static_cast<std::int32_t>(base + static_cast<std::int64_t>(m) * e / 10);
        }
        j = i;
        ++i;
        a = 0;
    }
}

void FilterChain(FilterWork& w, const FilterSettings& s) {
    PreCutPass(w, s.preCut);
    PrefilterAverage(w, s.prefilterWidth);
    FinalFilterAverage(w, s.finalFilterWidth);
    // The first pass allows twice the tolerance: in 64 bits, as the largest setting doubles
    // past 32.
    FinalCutPass(w, 2 * std::int64_t{s.finalCut});
    for (int pass = 0; pass < 8; ++pass) {
        PrefilterAverage(w, s.prefilterWidth);
        FinalFilterAverage(w, s.finalFilterWidth);
        FinalCutPass(w, s.finalCut);
    }
}

FilteredFlight FilterFlight(const std::vector<std::int32_t>& table, WhichFlight which,
                            std::uint32_t count, std::uint32_t samplingRate,
                            const FilterSettings& settings, FilterWork& work) {
    FilteredFlight f;
    if (count < 32 || !settings.valid()) return f;
    f.filtered = true;
    LoadSource(work, table);
    FilterChain(work, settings);
    const auto end = static_cast<std::ptrdiff_t>(work.end);
    f.cleaned.assign(work.cleaned.begin(), work.cleaned.begin() + end);
    f.source.assign(work.source.begin(), work.source.begin() + end);
    f.labels.resize(work.end);
    for (std::size_t k = 0; k < work.end; ++k) {
        if (which == WhichFlight::Current) f.labels[k] = PointLabel(k, samplingRate);
        f.maximum = std::max(f.maximum, f.cleaned[k]);
        f.minimum = std::min(f.minimum, f.cleaned[k]);
    }
    return f;
}

} // namespace orlomat
