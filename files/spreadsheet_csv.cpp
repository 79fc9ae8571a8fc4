#include "files/spreadsheet_csv.h"

#include <charconv>
#include <cmath>

namespace orlomat {

CsvTable::CsvTable(CsvFormat format) : format_(format) {
    if (format_ == CsvFormat::ExcelLocal) bytes_ = "\xEF\xBB\xBF";
}

void CsvTable::separate() {
    if (rowStarted_) bytes_ += format_ == CsvFormat::ExcelLocal ? ';' : ',';
    rowStarted_ = true;
}

CsvTable& CsvTable::text(std::string_view v) {
    separate();
    const char separator = format_ == CsvFormat::ExcelLocal ? ';' : ',';
    if (v.find_first_of(std::string{separator} + "\"\r\n") == std::string_view::npos) {
        bytes_ += v;
        return *this;
    }
    bytes_ += '"';
    for (const char c : v)
        bytes_ += c == '"' ? std::string("\"\"") : std::string(1, c);
    bytes_ += '"';
    return *this;
}

CsvTable& CsvTable::figure(double v, int decimals) {
    separate();
    char buffer[64];
    // No "-0,00" for a value that rounds to zero.
    const double scale = std::pow(10.0, decimals);
    if (std::round(v * scale) == 0.0) v = 0.0;
    const auto [end, ec] =
        std::to_chars(buffer, buffer + sizeof buffer, v, std::chars_format::fixed, decimals);
    std::string s = ec == std::errc() ? std::string(buffer, end) : std::string("0");
    if (format_ == CsvFormat::ExcelLocal)
        for (char& c : s)
            if (c == '.') c = ',';
    bytes_ += s;
    return *this;
}

CsvTable& CsvTable::endRow() {
    bytes_ += "\r\n";
    rowStarted_ = false;
    return *this;
}

std::string LocalAltitudeSheet(const std::vector<std::int32_t>& altitudesCm, std::size_t count,
                               double intervalS, std::string_view timeHead,
                               std::string_view altitudeHead) {
    CsvTable t(CsvFormat::ExcelLocal);
    t.text(timeHead).text(altitudeHead).endRow();
    for (std::size_t i = 0; i < count && i < altitudesCm.size(); ++i)
        t.figure(static_cast<double>(i) * intervalS, 2).figure(altitudesCm[i] / 100.0, 2).endRow();
    return t.bytes();
}

} // namespace orlomat
