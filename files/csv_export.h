// The spreadsheet export: one altitude in metres a line, each line ended by LF CR.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace orlomat {

// One value: the exact decimal entry / 100 rounded half away from zero to one decimal, or to
// four significant digits when it has four or more integer digits; 10000 m and more in the
// exponent form ("1E4", "1.235E4"). No sign on a value that rounds to zero.
std::string FormatExportValue(std::int32_t centimetres, char separator = '.');

// The file's bytes: every entry before the end value, each followed by 0x0A 0x0D.
std::string ExportBytes(const std::vector<std::int32_t>& altitudeTable, char separator = '.');

// The ".csv" rule: a name that does not contain ".csv" anywhere gets it appended.
std::string ExportFileName(const std::string& chosen);

} // namespace orlomat
