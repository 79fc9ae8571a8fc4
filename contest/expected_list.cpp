#include "contest/expected_list.h"

#include "files/user_file.h"

#include <algorithm>
#include <charconv>
#include <sstream>

namespace orlomat {

std::optional<std::set<std::int64_t>> ReadExpectedList(const std::string& path,
                                                       ExpectedListFault& fault) {
    fault = {};
    fault.path = path;
    const auto bytes = ReadFileStart(path, 1 << 20, fault.reason);
    if (!bytes) return std::nullopt;
    std::set<std::int64_t> numbers;
    std::istringstream in(std::string(bytes->begin(), bytes->end()));
    std::string line;
    for (int n = 1; std::getline(in, line); ++n) {
        line = line.substr(0, line.find('#'));
        line.erase(std::remove_if(line.begin(), line.end(),
                                  [](char c) { return c == ' ' || c == '\t' || c == '\r'; }),
                   line.end());
        if (line.empty()) continue;
        std::int64_t v = -1;
        const auto r = std::from_chars(line.data(), line.data() + line.size(), v);
        if (r.ec != std::errc() || r.ptr != line.data() + line.size() || v < 0 || v > 65535) {
            fault.kind = ExpectedListFault::Kind::BadLine;
            fault.line = n;
            fault.text = line;
            return std::nullopt;
        }
        numbers.insert(v);
    }
    return numbers;
}

ExpectedCounts MarkExpected(std::vector<FlightRow>& rows, const std::set<std::int64_t>& expected) {
    ExpectedCounts counts;
    std::set<std::int64_t> flown;
    for (FlightRow& r : rows) {
        if (!r.holdsFlight) continue;
        flown.insert(r.competitor);
        r.listStatus = expected.count(r.competitor) ? ListStatus::Expected : ListStatus::Unknown;
        counts.unknown += r.listStatus == ListStatus::Unknown;
    }
    for (const std::int64_t n : expected)
        if (!flown.count(n)) {
            FlightRow m;
            m.competitor = static_cast<std::uint16_t>(n);
            m.listStatus = ListStatus::Missing;
            rows.push_back(m);
            ++counts.missing;
        }
    return counts;
}

} // namespace orlomat
