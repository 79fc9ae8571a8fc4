#include "analysis/filter_chain.h"

#include "core/arith.h"
#include "core/decode.h"
#include "core/flight_record.h"

#include <algorithm>
#include <cstdlib>
#include <type_traits>

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
    std::int32_t sum(std::size_t lo, std::size_t hi) {
        if (lo > hi_) lo_ = hi_ = lo, sum_ = 0;
        while (hi_ < hi)
            sum_ = WrapAdd(sum_, in_[hi_++]);
        while (lo_ < lo)
            sum_ = WrapSub(sum_, in_[lo_++]);
        return sum_;
    }

private:
    const std::int32_t* in_;
    std::size_t lo_ = 0, hi_ = 0;
    std::int32_t sum_ = 0;
};

// v[i] = v[i] / count[i], truncated toward zero, for i in [from, to). The divisions are apart
// from the sums so that they run several at a time. In double they are exact: a quotient of
// 32-bit integers that is not whole lies at least 1/count from the next whole number, far
// more than the rounding of one division.
void Divide(std::int32_t* v, const std::int32_t* count, std::size_t from, std::size_t to) {
    for (std::size_t i = from; i < to; ++i)
        v[i] = static_cast<std::int32_t>(static_cast<double>(v[i]) / count[i]);
}

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

FilterWork::FilterWork()
    : source(kTableSize, kEnd), cleaned(kTableSize, kEnd), firstAverage(kTableSize, kEnd),
      reference(kTableSize, kEnd), counts(kTableSize, 1) {}

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

// Window sums of in[] into out[i] for i in [from, end), the window of i being
// [i - back(i), min(i + ahead(i), end)); back and ahead grow by one a sample from 1 up to
// their widths (or start there). In the long stretch where both are full and the window ends
// before `end`, each step adds one sample and drops one.
template <typename Back, typename Ahead>
void WindowSums(const std::int32_t* in, std::int32_t* out, std::int32_t* counts, std::size_t from,
                std::size_t end, std::size_t w, std::size_t h, Back back, Ahead ahead) {
    SlidingSum sum(in);
    std::size_t i = from;
    const auto generic = [&] {
        const std::size_t lo = i - back(i), hi = std::min(i + ahead(i), end);
        out[i] = sum.sum(lo, hi);
        counts[i] = static_cast<std::int32_t>(hi - lo);
    };
    for (; i < end && (back(i) != w || ahead(i) != h || i + h > end); ++i)
        generic();
    if (i < end && i + h <= end) {
        // Steady: the previous window was [i - 1 - w, i - 1 + h) or is summed afresh here.
        auto s = static_cast<std::uint32_t>(sum.sum(i - w, i + h));
        out[i] = static_cast<std::int32_t>(s);
        counts[i] = static_cast<std::int32_t>(w + h);
        for (++i; i + h <= end; ++i) {
            s += static_cast<std::uint32_t>(in[i + h - 1]) -
                 static_cast<std::uint32_t>(in[i - w - 1]);
            out[i] = static_cast<std::int32_t>(s);
            counts[i] = static_cast<std::int32_t>(w + h);
        }
        sum = SlidingSum(in);
    }
    for (; i < end; ++i)
        generic();
}

void PrefilterAverage(FilterWork& w, std::int32_t width) {
    std::copy_n(w.cleaned.begin(), 100, w.firstAverage.begin());
    const auto wu = static_cast<std::size_t>(width);
    const auto h = static_cast<std::size_t>(WindowAhead(width));
    WindowSums(
        w.cleaned.data(), w.firstAverage.data(), w.counts.data(), wu, w.end, wu, h,
        [wu](std::size_t) { return wu; }, [h](std::size_t) { return h; });
    Divide(w.firstAverage.data(), w.counts.data(), wu, w.end);
    w.firstAverage[w.end] = kEnd;
}

void FinalFilterAverage(FilterWork& w, std::int32_t width) {
    std::copy_n(w.firstAverage.begin(), 100, w.reference.begin());
    const auto wu = static_cast<std::size_t>(width);
    const auto h = static_cast<std::size_t>(WindowAhead(width));
    // The window starts at i = 42 as i - 1 .. i and widens by one sample a side a step.
    WindowSums(
        w.firstAverage.data(), w.reference.data(), w.counts.data(), 42, w.end, wu, h,
        [wu](std::size_t i) { return std::min(i - 41, wu); },
        [h](std::size_t i) { return std::min(i - 41, h); });
    Divide(w.reference.data(), w.counts.data(), 42, w.end);
    w.reference[w.end] = kEnd;
}

namespace {

// Plain 64-bit values for the usual pass: the cut passes run again in Wide when a value
// leaves the range in which no sum or product of them can overflow.
constexpr std::int64_t kPlainLimit = std::int64_t{1} << 48;
std::int64_t Abs(std::int64_t v) {
    return v < 0 ? -v : v;
}

template <typename T> bool FinalCutPassIn(FilterWork& w, std::int64_t tolerance) {
    constexpr bool plain = std::is_same_v<T, std::int64_t>;
    std::vector<std::int32_t>& c = w.cleaned;
    const std::vector<std::int32_t>& ref = w.reference;
    CopyWithEnd(w.source, c, w.end);
    std::size_t j = 0, i = 1;
    T band = tolerance, a = 0;
    while (i + 1 < w.end) {
        if constexpr (plain) {
            if (Abs(a) > kPlainLimit || band > kPlainLimit) return false;
        }
        a += 5 * (T{ref[i + 1]} - ref[i - 1]);
        const T q = Abs(a) / 10;
        const T lo = ref[i] - q, hi = ref[i] + q;
        if (c[i] < lo - band || c[i] > hi + band) {
            if (i - j > 45) {
                i = j;
                ++band;
                if (band == T{tolerance} + 1) {
                    // The first restart after this anchor: a has grown by D over the 46
                    // candidates; go on at the first restart that accepts one of them.
                    Wide d = 0;
                    Wide first = -1;
                    Wide partial[47];
                    for (std::size_t m = 1; m <= 46; ++m) {
                        d += 5 * (Wide{ref[j + m + 1]} - ref[j + m - 1]);
                        partial[m] = d;
                    }
                    for (std::size_t m = 1; m <= 46; ++m) {
                        const Wide r = Abs(Wide{c[j + m]} - ref[j + m]) - tolerance;
                        const Wide k = FinalCutRestarts(d, partial[m], r);
                        if (first < 0 || k < first) first = k;
                    }
                    const Wide newBand = Wide{tolerance} + first, newA = first * d;
                    if constexpr (plain) {
                        if (Abs(newBand.value()) > kPlainLimit || Abs(newA.value()) > kPlainLimit)
                            return false;
                    }
                    band = T{newBand.value()};
                    a = T{newA.value()};
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
    return true;
}

} // namespace

void FinalCutPass(FilterWork& w, std::int64_t tolerance) {
    if (!FinalCutPassIn<std::int64_t>(w, tolerance)) FinalCutPassIn<Wide>(w, tolerance);
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
