// Tables for spreadsheets in two dialects: the plain one (comma between cells, decimal point),
// and the one a spreadsheet set to Polish, German or French reads without an import dialog
// (semicolon between cells, decimal comma, a UTF-8 byte-order mark so that Polish letters in
// the heads show right). Rows end with CR LF in both. For the altitude export, and for the
// results table once it moves onto it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace orlomat {

enum class CsvFormat { Plain, ExcelLocal };

class CsvTable {
public:
    explicit CsvTable(CsvFormat format);
    // A text cell, quoted when it holds the separator, a quote or a line end.
    CsvTable& text(std::string_view v);
    // A number with this many decimals, the format's decimal mark, no thousands mark.
    CsvTable& figure(double v, int decimals);
    CsvTable& endRow();
    const std::string& bytes() const { return bytes_; }

private:
    void separate();
    CsvFormat format_;
    std::string bytes_;
    bool rowStarted_ = false;
};

// The first `count` altitudes (cm) with their times from the record's start, one sample every
// `intervalS`, in the local dialect under the two heads: the window's export and the command
// line's alike.
std::string LocalAltitudeSheet(const std::vector<std::int32_t>& altitudesCm, std::size_t count,
                               double intervalS, std::string_view timeHead,
                               std::string_view altitudeHead);

} // namespace orlomat
