#include "core/json.h"

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

std::string ValidUtf8(std::string_view s) {
    std::string out;
    out.reserve(s.size());
    for (std::size_t i = 0; i < s.size();) {
        const std::size_t n = Utf8Length(s, i);
        if (n == 0) {
            out += "\xEF\xBF\xBD";
            ++i;
        } else {
            out.append(s.substr(i, n));
            i += n;
        }
    }
    return out;
}

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

namespace {

class Reader {
public:
    explicit Reader(std::string_view s) : s_(s) {}
    void blanks() {
        while (i_ < s_.size() &&
               (s_[i_] == ' ' || s_[i_] == '\t' || s_[i_] == '\r' || s_[i_] == '\n'))
            ++i_;
    }
    bool eat(char c) {
        blanks();
        if (i_ < s_.size() && s_[i_] == c) return ++i_, true;
        return false;
    }
    bool word(std::string_view w) {
        blanks();
        if (s_.substr(i_, w.size()) != w) return false;
        i_ += w.size();
        return true;
    }
    bool atEnd() {
        blanks();
        return i_ == s_.size();
    }
    std::optional<std::string> string() {
        if (!eat('"')) return std::nullopt;
        std::string out;
        while (i_ < s_.size()) {
            const char c = s_[i_++];
            if (c == '"') return out;
            if (static_cast<unsigned char>(c) < 0x20) return std::nullopt;
            if (c != '\\') {
                out += c;
                continue;
            }
            if (i_ >= s_.size()) return std::nullopt;
            const char e = s_[i_++];
            switch (e) {
            case '"':
            case '\\':
            case '/':
                out += e;
                break;
            case 'b':
                out += '\b';
                break;
            case 'f':
                out += '\f';
                break;
            case 'n':
                out += '\n';
                break;
            case 'r':
                out += '\r';
                break;
            case 't':
                out += '\t';
                break;
            case 'u': {
                if (i_ + 4 > s_.size()) return std::nullopt;
                unsigned code = 0;
                const auto r = std::from_chars(s_.data() + i_, s_.data() + i_ + 4, code, 16);
                if (r.ptr != s_.data() + i_ + 4) return std::nullopt;
                i_ += 4;
                // The writer escapes only control characters and U+FFFD; others pass as UTF-8.
                if (code < 0x80) {
                    out += static_cast<char>(code);
                } else if (code < 0x800) {
                    out += static_cast<char>(0xC0 | (code >> 6));
                    out += static_cast<char>(0x80 | (code & 0x3F));
                } else {
                    out += static_cast<char>(0xE0 | (code >> 12));
                    out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
                    out += static_cast<char>(0x80 | (code & 0x3F));
                }
                break;
            }
            default:
                return std::nullopt;
            }
        }
        return std::nullopt;
    }
    std::optional<double> number() {
        blanks();
        double v = 0.0;
        const auto r = std::from_chars(s_.data() + i_, s_.data() + s_.size(), v);
        if (r.ec != std::errc() || r.ptr == s_.data() + i_) return std::nullopt;
        i_ = static_cast<std::size_t>(r.ptr - s_.data());
        return v;
    }

private:
    std::string_view s_;
    std::size_t i_ = 0;
};

} // namespace

std::optional<std::map<std::string, JsonValue>> ParseFlatObject(std::string_view line) {
    Reader r(line);
    std::map<std::string, JsonValue> out;
    if (!r.eat('{')) return std::nullopt;
    if (!r.eat('}')) {
        do {
            const auto key = r.string();
            if (!key || !r.eat(':')) return std::nullopt;
            JsonValue v;
            if (auto text = r.string()) {
                v.kind = JsonValue::Kind::String;
                v.text = std::move(*text);
            } else if (r.word("true")) {
                v.kind = JsonValue::Kind::Bool;
                v.flag = true;
            } else if (r.word("false")) {
                v.kind = JsonValue::Kind::Bool;
            } else if (r.word("null")) {
                v.kind = JsonValue::Kind::Null;
            } else if (const auto n = r.number()) {
                v.kind = JsonValue::Kind::Number;
                v.number = *n;
            } else {
                return std::nullopt;
            }
            out[*key] = v;
        } while (r.eat(','));
        if (!r.eat('}')) return std::nullopt;
    }
    if (!r.atEnd()) return std::nullopt;
    return out;
}

} // namespace orlomat
