#include "cli.h"

#include "comparison.h"
#include "csv_export.h"
#include "filter_chain.h"

#ifdef ORLOMAT_WITH_DEVICE
#include "cli_device.h"
#include "cli_plot.h"
#endif

#include "decode.h"
#include "flight_record.h"
#include "format.h"
#include "json.h"
#include "sensor.h"

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <memory>
#include <optional>
#include <set>

namespace orlomat {

namespace {

enum class Lang { Pl = 0, En = 1 };

struct Text {
    const char* pl;
    const char* en;
};

const char* Tr(Lang lang, const Text& t) {
    return lang == Lang::Pl ? t.pl : t.en;
}

constexpr Text kUsage = {
    "Użycie:\n"
    "  orlomat info PLIK [--source file|download] [--lang pl|en]\n"
    "  orlomat decode PLIK [--temperature T] [--no-speed] [--source file|download] "
    "[--lang pl|en]\n"
    "  orlomat download --port PORT -o PLIK\n"
    "  orlomat reset --port PORT\n"
    "  orlomat settings --port PORT [--level M --sampling KOD --manual-zero 0|1 "
    "--competitor N --delay S]\n"
    "  orlomat default-setup --port PORT\n"
    "  orlomat compare PLIK [--temperature T]\n"
    "  orlomat filter PLIK [--comparison] [--pre-cut N] [--final-cut N] [--prefilter W] "
    "[--final-filter W]\n"
    "  orlomat export-csv PLIK WYJŚCIE [--decimal-separator Z]\n"
    "  orlomat plot PLIK [--compare PLIK2] [--lang pl|en] -o WYJŚCIE.bmp|.png|.pdf\n"
    "  orlomat --help\n"
    "\n"
    "settings  odczyt ustawień wysokościomierza (JSON) albo ich zapis (wszystkie pięć wartości)\n"
    "default-setup  ustawienia domyślne wysokościomierza\n"
    "download  odczyt ostatniego lotu z wysokościomierza do pliku (JSON: podsumowanie)\n"
    "reset     zerowanie wysokościomierza bez pytania\n"
    "compare   lot porównawczy (JSON)\n"
    "filter    filtr wygładzający (JSON); --comparison: zasady lotu porównawczego\n"
    "export-csv  wysokości do pliku dla arkusza kalkulacyjnego\n"
    "info    nagłówek zapisu lotu jako JSON\n"
    "decode  nagłówek, ciśnienia, wysokości i punkty wykresu jako JSON\n"
    "  --temperature T  temperatura lotu w °C zamiast temperatury z nagłówka\n"
    "  --no-speed       bez krzywej prędkości pionowej (series2 pusta)\n"
    "  --source         kolumna częstotliwości próbkowania: plik (domyślnie) lub odczyt\n",
    "Usage:\n"
    "  orlomat info FILE [--source file|download] [--lang pl|en]\n"
    "  orlomat decode FILE [--temperature T] [--no-speed] [--source file|download] "
    "[--lang pl|en]\n"
    "  orlomat download --port PORT -o FILE\n"
    "  orlomat reset --port PORT\n"
    "  orlomat settings --port PORT [--level M --sampling CODE --manual-zero 0|1 "
    "--competitor N --delay S]\n"
    "  orlomat default-setup --port PORT\n"
    "  orlomat compare FILE [--temperature T]\n"
    "  orlomat filter FILE [--comparison] [--pre-cut N] [--final-cut N] [--prefilter W] "
    "[--final-filter W]\n"
    "  orlomat export-csv FILE OUT [--decimal-separator C]\n"
    "  orlomat plot FILE [--compare FILE2] [--lang pl|en] -o OUT.bmp|.png|.pdf\n"
    "  orlomat --help\n"
    "\n"
    "settings  read the altimeter's settings (JSON), or write them (all five values)\n"
    "default-setup  put the altimeter back to its default settings\n"
    "download  read the altimeter's last flight into a file (JSON: a summary)\n"
    "reset     zero the altimeter without asking\n"
    "compare   the flight as a comparison flight (JSON)\n"
    "filter    the smoothing filter (JSON); --comparison: the comparison flight's rules\n"
    "export-csv  the altitudes as a spreadsheet file\n"
    "info    the flight record's header as JSON\n"
    "decode  header, pressures, altitudes and chart points as JSON\n"
    "  --temperature T  flight temperature in degrees C instead of the header's\n"
    "  --no-speed       no vertical-speed curve (series2 empty)\n"
    "  --source         sampling-rate column: file (default) or download\n"};
constexpr Text kUnknownCommand = {"nieznane polecenie: ", "unknown command: "};
constexpr Text kUnknownOption = {"nieznana opcja: ", "unknown option: "};
constexpr Text kMissingValue = {"brak wartości opcji ", "missing value for option "};
constexpr Text kMissingFile = {"brak nazwy pliku", "missing file name"};
constexpr Text kExtraArgument = {"zbędny argument: ", "unexpected argument: "};
constexpr Text kBadValue = {"zła wartość opcji ", "bad value for option "};
constexpr Text kCannotRead = {"nie można odczytać pliku ", "cannot read file "};
constexpr Text kNoRecord = {"plik nie zawiera zapisu lotu (krótszy niż 32-bajtowy nagłówek): ",
                            "the file holds no flight record (shorter than the 32-byte header): "};
constexpr Text kBadFilter = {"wartości filtra poza zakresem: obcięcia od 0, szerokości od 1 do 100",
                             "filter values out of range: cuts from 0, widths from 1 to 100"};
constexpr Text kNoData = {"Brak danych", "No data"};
constexpr Text kCannotWrite = {"nie można zapisać pliku ", "cannot write file "};
constexpr Text kHint = {" (orlomat --help)", " (orlomat --help)"};

struct Options {
    std::string command;
    std::string file;
    std::string output; // export-csv's second file
    FlightSource source = FlightSource::File;
    std::optional<float> temperature;
    bool showSpeed = true;
    bool comparison = false;
    FilterSettings filter;
    char separator = '.';
};

// The options each command takes; flags take no value.
bool Accepts(const std::string& command, const std::string& option) {
    static const std::map<std::string, std::set<std::string>> kOptions = {
        {"info", {"--source"}},
        {"decode", {"--source", "--temperature", "--no-speed"}},
        {"compare", {"--temperature"}},
        {"filter", {"--comparison", "--pre-cut", "--final-cut", "--prefilter", "--final-filter"}},
        {"export-csv", {"--decimal-separator"}}};
    const auto it = kOptions.find(command);
    return it != kOptions.end() && it->second.count(option) != 0;
}

struct Failure {
    int code;
    std::string message;
};

std::optional<float> ParseTemperature(const std::string& text) {
    if (text.empty()) return std::nullopt;
    errno = 0;
    char* end = nullptr;
    const float t = std::strtof(text.c_str(), &end);
    if (errno != 0 || *end != '\0' || !std::isfinite(t)) return std::nullopt;
    return t;
}

// Parses everything but --lang, which the caller has taken out already.
std::optional<Failure> ParseOptions(const std::vector<std::string>& args, Lang lang, Options& opt) {
    const auto usage = [&](const Text& what, const std::string& detail) {
        return Failure{2, std::string(Tr(lang, what)) + detail + Tr(lang, kHint)};
    };
    opt.command = args.front();
    for (std::size_t i = 1; i < args.size(); ++i) {
        std::string name = args[i];
        std::optional<std::string> value;
        if (name.rfind("--", 0) == 0) {
            if (const auto eq = name.find('='); eq != std::string::npos) {
                value = name.substr(eq + 1);
                name.resize(eq);
            }
        } else {
            if (opt.file.empty()) {
                opt.file = name;
            } else if (opt.command == "export-csv" && opt.output.empty()) {
                opt.output = name;
            } else {
                return usage(kExtraArgument, name);
            }
            continue;
        }
        if (!Accepts(opt.command, name)) return usage(kUnknownOption, name);
        if (name == "--no-speed" || name == "--comparison") {
            if (value) return usage(kBadValue, name);
            (name == "--no-speed" ? opt.showSpeed : opt.comparison) = name == "--comparison";
            continue;
        }
        if (!value) {
            if (i + 1 >= args.size()) return usage(kMissingValue, name);
            value = args[++i];
        }
        const auto bad = [&] {
            return Failure{1, std::string(Tr(lang, kBadValue)) + name + ": " + *value};
        };
        std::int32_t* filterField = name == "--pre-cut"        ? &opt.filter.preCut
                                    : name == "--final-cut"    ? &opt.filter.finalCut
                                    : name == "--prefilter"    ? &opt.filter.prefilterWidth
                                    : name == "--final-filter" ? &opt.filter.finalFilterWidth
                                                               : nullptr;
        if (filterField != nullptr) {
            const auto v = ParseWholeNumber(*value);
            if (!v || *v < INT32_MIN || *v > INT32_MAX) return bad();
            *filterField = static_cast<std::int32_t>(*v);
            continue;
        }
        if (name == "--decimal-separator") {
            if (value->size() != 1) return bad();
            opt.separator = (*value)[0];
            continue;
        }
        if (name == "--source") {
            if (*value == "file") {
                opt.source = FlightSource::File;
            } else if (*value == "download") {
                opt.source = FlightSource::Download;
            } else {
                return Failure{1, std::string(Tr(lang, kBadValue)) + name + ": " + *value};
            }
        } else {
            opt.temperature = ParseTemperature(*value);
            if (!opt.temperature)
                return Failure{1, std::string(Tr(lang, kBadValue)) + name + ": " + *value};
        }
    }
    if (opt.file.empty() || (opt.command == "export-csv" && opt.output.empty()))
        return usage(kMissingFile, "");
    if (!opt.filter.valid()) return Failure{1, std::string(Tr(lang, kBadFilter))};
    return std::nullopt;
}

// Reads at most one record's worth of bytes.
std::optional<std::vector<std::uint8_t>> ReadRecord(const std::string& path, std::string& reason) {
    const std::unique_ptr<std::FILE, int (*)(std::FILE*)> f(std::fopen(path.c_str(), "rb"),
                                                            &std::fclose);
    if (!f) {
        reason = std::strerror(errno);
        return std::nullopt;
    }
    std::vector<std::uint8_t> bytes(kMaxRecordSize);
    errno = 0;
    const std::size_t got = std::fread(bytes.data(), 1, bytes.size(), f.get());
    if (std::ferror(f.get())) {
        reason = std::strerror(errno != 0 ? errno : EIO);
        return std::nullopt;
    }
    bytes.resize(got);
    return bytes;
}

void WriteHeaderFields(JsonWriter& j, std::size_t length, const HeaderInfo& info) {
    const FlightHeader& h = info.header;
    const Calibration& c = h.calibration;
    j.key("length").value(static_cast<std::int64_t>(length));
    j.key("competitor").value(std::int64_t{h.competitor});
    j.key("serial").value(std::int64_t{h.serial});
    j.key("temperature").value(std::int64_t{info.temperature});
    j.key("sampling_code").value(std::int64_t{info.samplingCode});
    j.key("sampling_text").value(info.samplingText);
    j.key("rate_value").value(std::int64_t{info.samplingRate});
    j.key("calibration_word").value(std::int64_t{h.calibrationWord});
    j.key("calibration").beginObject();
    j.key("AC1").value(std::int64_t{c.AC1});
    j.key("AC2").value(std::int64_t{c.AC2});
    j.key("AC3").value(std::int64_t{c.AC3});
    j.key("AC4").value(std::int64_t{c.AC4});
    j.key("AC5").value(std::int64_t{c.AC5});
    j.key("AC6").value(std::int64_t{c.AC6});
    j.key("B1").value(std::int64_t{c.B1});
    j.key("B2").value(std::int64_t{c.B2});
    j.key("MB").value(std::int64_t{c.MB});
    j.key("MC").value(std::int64_t{c.MC});
    j.key("MD").value(std::int64_t{c.MD});
    j.endObject();
}

void WriteCurveFields(JsonWriter& j, const FlightCurve& curve) {
    j.key("samples").value(std::int64_t{curve.samples});
    j.key("pressures_pa").beginArray();
    for (const std::int32_t p : curve.pressures)
        j.value(std::int64_t{p});
    j.endArray();
    j.key("reference_pressure_hpa").value(curve.referencePressure);
    j.key("altitudes_cm").beginArray();
    for (std::size_t i = 0; i < curve.chartedCount(); ++i)
        j.value(std::int64_t{curve.altitudes[i]});
    j.endArray();
    j.key("series1").beginArray();
    for (const ChartPoint& p : curve.series1) {
        j.beginObject();
        j.key("y").value(p.y);
        j.key("label").value(p.label);
        j.endObject();
    }
    j.endArray();
    j.key("series2").beginArray();
    for (const float v : curve.series2)
        j.value(v);
    j.endArray();
    j.key("max_m").value(curve.maximum);
    j.key("min_m").value(curve.minimum);
    j.key("max_text").value(FormatOneDecimal(curve.maximum));
    j.key("min_text").value(FormatOneDecimal(curve.minimum));
    j.key("left_axis_max").value(std::int64_t{curve.leftAxisMaximum});
    j.key("minor_tick_count").value(std::int64_t{curve.minorTickCount});
}

FlightCurve DecodeAsFile(const std::vector<std::uint8_t>& record, const HeaderInfo& info) {
    DecodingState state;
    ApplyHeaderToState(info, state);
    return DecodeFlight(record, state, true, RecordWordCount(record.size()));
}

void WriteFilterFields(JsonWriter& j, const std::vector<std::uint8_t>& record,
                       const HeaderInfo& info, const Options& opt) {
    FilterWork work;
    FilteredFlight f;
    if (opt.comparison) {
        DecodingState state;
        ApplyHeaderToState(info, state);
        const auto bytes = static_cast<std::uint32_t>(record.size() - kHeaderSize);
        const ComparisonCurve c = DecodeComparison(record, state, bytes);
        f = FilterFlight(c.altitudes, WhichFlight::Comparison, bytes, info.samplingRate, opt.filter,
                         work);
    } else {
        const FlightCurve c = DecodeAsFile(record, info);
        f = FilterFlight(c.altitudes, WhichFlight::Current, RecordWordCount(record.size()),
                         info.samplingRate, opt.filter, work);
    }
    j.key("filtered").value(f.filtered);
    if (!f.filtered) return;
    const auto array = [&](const char* name, const std::vector<std::int32_t>& v) {
        j.key(name).beginArray();
        for (const std::int32_t x : v)
            j.value(std::int64_t{x});
        j.endArray();
    };
    array("cleaned_cm", f.cleaned);
    array("source_cm", f.source);
    j.key("labels").beginArray();
    for (const std::string& l : f.labels)
        j.value(l);
    j.endArray();
    j.key("max_text").value(FormatCentimetres(f.maximum));
    j.key("min_text").value(FormatCentimetres(f.minimum));
}

// The export's bytes, written beside the target first and then renamed over it.
int ExportCsv(const std::vector<std::uint8_t>& record, const HeaderInfo& info, const Options& opt,
              Lang lang, std::ostream& err) {
    const FlightCurve c = DecodeAsFile(record, info);
    if (c.smoothedCount == 0) {
        err << Tr(lang, kNoData) << '\n';
        return 1;
    }
    const std::string bytes = ExportBytes(c.altitudes, opt.separator);
    const std::string temp = opt.output + ".part";
    std::FILE* f = std::fopen(temp.c_str(), "wb");
    bool ok = f != nullptr && std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    if (f != nullptr) ok = std::fclose(f) == 0 && ok;
    if (ok) ok = std::rename(temp.c_str(), opt.output.c_str()) == 0;
    if (!ok) {
        err << Tr(lang, kCannotWrite) << opt.output << ": " << std::strerror(errno) << '\n';
        std::remove(temp.c_str());
        return 1;
    }
    return 0;
}

} // namespace

int RunCli(const std::vector<std::string>& rawArgs, std::ostream& out, std::ostream& err) {
    Lang lang = Lang::En;
    std::vector<std::string> args;
    for (std::size_t i = 0; i < rawArgs.size(); ++i) {
        const std::string& a = rawArgs[i];
        std::optional<std::string> value;
        if (a == "--lang") {
            if (i + 1 >= rawArgs.size()) {
                err << Tr(lang, kMissingValue) << a << Tr(lang, kHint) << '\n';
                return 2;
            }
            value = rawArgs[++i];
        } else if (a.rfind("--lang=", 0) == 0) {
            value = a.substr(7);
        }
        if (!value) {
            args.push_back(a);
        } else if (*value == "pl" || *value == "en") {
            lang = *value == "pl" ? Lang::Pl : Lang::En;
        } else {
            err << Tr(lang, kBadValue) << "--lang: " << *value << '\n';
            return 1;
        }
    }

    if (args.empty()) {
        err << Tr(lang, kMissingFile) << Tr(lang, kHint) << '\n';
        return 2;
    }
    if (args.front() == "--help" || args.front() == "-h" || args.front() == "help") {
        out << Tr(lang, kUsage);
        return 0;
    }
#ifdef ORLOMAT_WITH_DEVICE
    if (args.front() == "download" || args.front() == "reset" || args.front() == "settings" ||
        args.front() == "default-setup")
        return RunDeviceCommand(args.front(), {args.begin() + 1, args.end()},
                                lang == Lang::Pl ? 0 : 1, out, err);
    if (args.front() == "plot")
        return RunPlot({args.begin() + 1, args.end()}, lang == Lang::Pl ? 0 : 1, err);
#endif
    static const std::set<std::string> kCommands = {"info", "decode", "compare", "filter",
                                                    "export-csv"};
    if (kCommands.count(args.front()) == 0) {
        err << Tr(lang, kUnknownCommand) << args.front() << Tr(lang, kHint) << '\n';
        return 2;
    }

    Options opt;
    if (const auto failure = ParseOptions(args, lang, opt)) {
        err << failure->message << '\n';
        return failure->code;
    }

    std::string reason;
    const auto record = ReadRecord(opt.file, reason);
    if (!record) {
        err << Tr(lang, kCannotRead) << opt.file << ": " << reason << '\n';
        return 1;
    }
    if (record->size() < kHeaderSize) {
        err << Tr(lang, kNoRecord) << opt.file << '\n';
        return 1;
    }

    const HeaderInfo info = InterpretFlightHeader(*record, opt.source);
    if (opt.command == "export-csv") return ExportCsv(*record, info, opt, lang, err);
    JsonWriter j;
    j.beginObject();
    if (opt.command == "filter") {
        WriteFilterFields(j, *record, info, opt);
        j.endObject();
        out << j.str() << '\n';
        return 0;
    }
    WriteHeaderFields(j, record->size(), info);
    if (opt.command == "compare") {
        DecodingState state;
        ApplyHeaderToState(info, state);
        if (opt.temperature) state.flightTemperature = *opt.temperature;
        const ComparisonCurve c = DecodeComparison(
            *record, state, static_cast<std::uint32_t>(record->size() - kHeaderSize));
        j.key("samples").value(std::int64_t{c.samples});
        j.key("reference_pressure_hpa").value(c.referencePressure);
        j.key("series3").beginArray();
        for (const float y : c.series3)
            j.value(y);
        j.endArray();
        j.key("altitudes_cm").beginArray();
        for (std::size_t i = 0; i + 1 < c.altitudes.size(); ++i)
            j.value(std::int64_t{c.altitudes[i]});
        j.endArray();
        j.key("max_text");
        c.maxText ? j.value(*c.maxText) : j.null();
        j.key("min_text");
        c.minText ? j.value(*c.minText) : j.null();
    }
    if (opt.command == "decode") {
        DecodingState state;
        ApplyHeaderToState(info, state);
        if (opt.temperature) state.flightTemperature = *opt.temperature;
        const FlightCurve curve =
            DecodeFlight(*record, state, opt.showSpeed, RecordWordCount(record->size()));
        WriteCurveFields(j, curve);
    }
    j.endObject();
    out << j.str() << '\n';
    return 0;
}

} // namespace orlomat
