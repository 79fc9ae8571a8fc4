// A small writer for the one JSON object the command-line tool prints.
#pragma once

#include <cstdint>
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

} // namespace orlomat
