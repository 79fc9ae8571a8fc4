// Arbitrary files as the settings file: read over the defaults, sanitised, written back.
#include "analysis/filter_chain.h"
#include "files/settings_record.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace orlomat;
    SettingsRecord r;
    r.overlay(std::span<const std::uint8_t>(data, size));
    r.sanitizeFilter();
    const FilterSettings f{r.preCut, r.finalCut, r.prefilterWidth, r.finalFilterWidth};
    if (!f.valid()) std::abort();
    (void)r.portName();
    SettingsRecord back;
    back.overlay(r.toBytes());
    if (!(back == r)) std::abort();
    return 0;
}
