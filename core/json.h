// A small writer for the JSON objects the command-line tool prints and the download log keeps,
// and a reader for such flat objects.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <sstream>
#include <string>
#include <string_view>

namespace orlomat {

// A figure rounded to three decimals in its shortest form, with a point: "12.3".
std::string FigureText(double v);

class JsonWriter {
public:
    JsonWriter& beginObject() { return open('{'); }
    JsonWriter& endObject() { return close('}'); }
    JsonWriter& beginArray() { return open('['); }
    JsonWriter& endArray() { return close(']'); }
    JsonWriter& key(std::string_view k);
    JsonWriter& value(std::string_view s);
    JsonWriter& value(const char* s) { return value(std::string_view(s)); }
    JsonWriter& value(std::int64_t n);
    JsonWriter& value(float f); // round-trips: 9 significant digits
    // A figure rounded to three decimals, in its shortest form; null when absent.
    JsonWriter& figure(std::optional<double> v);
    JsonWriter& value(bool b);
    JsonWriter& null();
    std::string str() const { return out_.str(); }

private:
    JsonWriter& open(char c);
    JsonWriter& close(char c);
    void separate();
    std::ostringstream out_;
    bool first_ = true;
    bool afterKey_ = false;
};

// `s` with every byte that is not part of a well-formed UTF-8 sequence replaced by U+FFFD: a
// file name from an old disk can hold Latin-2 bytes, and CSV and HTML are UTF-8.
std::string ValidUtf8(std::string_view s);

// A value of a flat JSON object: a string, a number, a flag or null.
struct JsonValue {
    enum class Kind { Null, String, Number, Bool } kind = Kind::Null;
    std::string text;
    double number = 0.0;
    bool flag = false;
};

// One object of plain values ({"a":"x","b":1.5,"c":true,"d":null}); nothing for anything
// else, a cut or damaged line included.
std::optional<std::map<std::string, JsonValue>> ParseFlatObject(std::string_view line);

} // namespace orlomat
