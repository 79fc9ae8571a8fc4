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

namespace {

// Length of the well-formed UTF-8 sequence at s[i], or 0 when it is not one (a stray
// continuation byte, an overlong form, a surrogate, a cut sequence).
std::size_t Utf8Length(std::string_view s, std::size_t i) {
    const auto b = [&](std::size_t k) { return static_cast<unsigned char>(s[k]); };
    const unsigned char c = b(i);
    std::size_t n;
    unsigned lo = 0x80, hi = 0xBF;
    if (c < 0x80) return 1;
    if (c >= 0xC2 && c <= 0xDF)
        n = 2;
    else if (c >= 0xE0 && c <= 0xEF) {
        n = 3;
        if (c == 0xE0) lo = 0xA0;
        if (c == 0xED) hi = 0x9F;
    } else if (c >= 0xF0 && c <= 0xF4) {
        n = 4;
        if (c == 0xF0) lo = 0x90;
        if (c == 0xF4) hi = 0x8F;
    } else
        return 0;
    if (i + n > s.size()) return 0;
    if (b(i + 1) < lo || b(i + 1) > hi) return 0;
    for (std::size_t k = 2; k < n; ++k)
        if (b(i + k) < 0x80 || b(i + k) > 0xBF) return 0;
    return n;
}

} // namespace

// A string as JSON wants it: valid UTF-8 whatever the bytes (a file name from an old disk may
// hold Latin-2 bytes); a byte that is not UTF-8 becomes U+FFFD.
JsonWriter& JsonWriter::value(std::string_view s) {
    separate();
    out_ << '"';
    for (std::size_t i = 0; i < s.size();) {
        const char ch = s[i];
        const auto u = static_cast<unsigned char>(ch);
        const std::size_t n = Utf8Length(s, i);
        if (n == 0) {
            out_ << "\\ufffd";
            ++i;
            continue;
        }
        if (ch == '"' || ch == '\\') {
            out_ << '\\' << ch;
        } else if (u < 0x20) {
            char buf[8];
            std::snprintf(buf, sizeof buf, "\\u%04x", u);
            out_ << buf;
        } else {
            out_ << s.substr(i, n);
        }
        i += n;
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
