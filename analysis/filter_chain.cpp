#include "filter_chain.h"

#include "arith.h"
#include "decode.h"
#include "flight_record.h"

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
        while (hi_ < hi) sum_ = WrapAdd(sum_, in_[hi_++]);
        while (lo_ < lo) sum_ = WrapSub(sum_, in_[lo_++]);
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

// The straight line from the anchor j to the accepted sample i.
void PreCutLine(std::vector<std::int32_t>& c, std::size_t j, std::size_t i) {
    const std::int32_t d = TruncDiv(WrapSub(c[i], c[j]), static_cast<std::int32_t>(i - j));
    for (std::size_t m = j + 1; m <= i; ++m) c[m] = WrapAdd(c[m - 1], d);
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

void FinalCutPass(FilterWork& w, std::int32_t tolerance) {
    std::vector<std::int32_t>& c = w.cleaned;
    const std::vector<std::int32_t>& ref = w.reference;
    CopyWithEnd(w.source, c, w.end);
    std::size_t j = 0, i = 1;
    std::int64_t band = tolerance, a = 0;
    while (i + 1 < w.end) {
        a += 5 * (std::int64_t{ref[i + 1]} - ref[i - 1]);
        const std::int64_t q = std::llabs(a) / 10;
        const std::int64_t lo = ref[i] - q, hi = ref[i] + q;
        if (c[i] < lo - band || c[i] > hi + band) {
            if (i - j > 45) {
                i = j;
                ++band;
            }
            ++i;
            continue;
        }
        band = tolerance;
        if (i != j + 1) {
            // From the anchor's value: the running product m x e is divided, not each step.
            const auto span = static_cast<std::int64_t>(i - j);
            const std::int64_t e = 10 * (std::int64_t{c[i]} - c[j]) / span;
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
    FinalCutPass(w, 2 * s.finalCut);
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
