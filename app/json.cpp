#include "app/json.h"

#include <charconv>
#include <cmath>

namespace orlomat {

void JsonWriter::separate() {
    if (afterKey_) {
        afterKey_ = false;
        return;
    }
    if (!first_) out_ << ',';
    first_ = false;
}

JsonWriter& JsonWriter::open(char c) {
    separate();
    out_ << c;
    first_ = true;
    return *this;
}

JsonWriter& JsonWriter::close(char c) {
    out_ << c;
    first_ = false;
    return *this;
}

JsonWriter& JsonWriter::key(std::string_view k) {
    value(k);
    out_ << ':';
    afterKey_ = true;
    return *this;
}

JsonWriter& JsonWriter::value(std::string_view s) {
    separate();
    out_ << '"';
    for (const char ch : s) {
        const auto u = static_cast<unsigned char>(ch);
        if (ch == '"' || ch == '\\') {
            out_ << '\\' << ch;
        } else if (u < 0x20) {
            char buf[8];
            std::snprintf(buf, sizeof buf, "\\u%04x", u);
            out_ << buf;
        } else {
            out_ << ch;
        }
    }
    out_ << '"';
    return *this;
}

JsonWriter& JsonWriter::value(std::int64_t n) {
    separate();
    out_ << n;
    return *this;
}

JsonWriter& JsonWriter::null() {
    separate();
    out_ << "null";
    return *this;
}

JsonWriter& JsonWriter::value(bool b) {
    separate();
    out_ << (b ? "true" : "false");
    return *this;
}

JsonWriter& JsonWriter::value(float f) {
    separate();
    if (!std::isfinite(f)) {
        out_ << "null";
        return *this;
    }
    // As "%.9g" would print it in the C locale, whatever locale the process runs in.
    char buf[32];
    const auto r = std::to_chars(buf, buf + sizeof buf, f, std::chars_format::general, 9);
    out_.write(buf, r.ptr - buf);
    return *this;
}

JsonWriter& JsonWriter::figure(std::optional<double> v) {
    if (!v || !std::isfinite(*v)) return null();
    separate();
    out_ << FigureText(*v);
    return *this;
}

std::string FigureText(double v) {
    const double rounded = std::round(v * 1000.0) / 1000.0;
    char buf[64];
    const auto r = std::to_chars(buf, buf + sizeof buf, rounded == 0.0 ? 0.0 : rounded);
    return std::string(buf, r.ptr);
}

} // namespace orlomat
