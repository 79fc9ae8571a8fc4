#include "app/cli.h"

#include "analysis/comparison.h"
#include "analysis/filter_chain.h"
#include "app/cli_args.h"
#include "app/cli_contest.h"
#include "app/cli_reading.h"
#include "contest/download_log.h"
#include "core/decode.h"
#include "core/flight.h"
#include "core/flight_record.h"
#include "core/format.h"
#include "core/json.h"
#include "files/csv_export.h"
#include "files/flight_file.h"
#include "files/spreadsheet_csv.h"
#include "files/user_file.h"

#ifdef ORLOMAT_WITH_DEVICE
#include "app/cli_device.h"
#include "app/cli_plot.h"
#endif

#include <algorithm>
#include <cmath>
#include <ctime>
#include <filesystem>
#include <sstream>
#include <string_view>

namespace orlomat {

namespace cli {

namespace {

std::string Replace(std::string text, const std::string& what, const std::string& with) {
    const auto at = text.find(what);
    if (at != std::string::npos) text.replace(at, what.size(), with);
    return text;
}

} // namespace

std::string Say(const Args& a, Phrase p) {
    return Tr(p, a.language);
}

void Fail(std::ostream& err, const std::string& message) {
    err << "orlomat: " << message << '\n';
}

std::optional<std::vector<std::uint8_t>> ReadFlightRecord(const Args& a, const std::string& path,
                                                          std::ostream& err) {
    std::string reason;
    auto record = ReadFileStart(path, kMaxRecordSize, reason);
    if (!record) {
        Fail(err, Say(a, Phrase::CannotRead) + path + ": " + reason);
        return std::nullopt;
    }
    if (record->size() < kHeaderSize) {
        Fail(err, Say(a, Phrase::NoRecord) + path);
        return std::nullopt;
    }
    return record;
}

std::optional<Flight> FigureFlight(const Args& a, const std::string& path,
                                   std::optional<float> temperature, std::ostream& err) {
    FlightFile f = ReadFlightFile(path, {.temperature = temperature, .chartPoints = false});
    switch (f.refusal) {
    case FlightFileRefusal::None:
        break;
    case FlightFileRefusal::Unreadable:
        Fail(err, Say(a, Phrase::CannotRead) + path + ": " + f.systemReason);
        break;
    case FlightFileRefusal::NotAFlight:
        Fail(err, Say(a, Phrase::NotAFlight) + Describe(f.fault).get(a.language) + ": " + path);
        break;
    }
    return std::move(f.flight);
}

bool OutputAllowed(const Args& a, const std::string& path, std::ostream& err, bool links) {
    OutputGuard guard = GuardOutput(path);
    // Written through, a link must not lead onto a logged flight or the log either.
    if (guard == OutputGuard::Link && links) {
        std::error_code ec;
        const auto target = std::filesystem::weakly_canonical(PathFromUtf8(path), ec);
        guard = ec ? OutputGuard::Free : GuardOutput(Utf8FromPath(target));
        if (guard == OutputGuard::Link) guard = OutputGuard::Free;
    }
    switch (guard) {
    case OutputGuard::Free:
        return true;
    case OutputGuard::Logged:
        Fail(err, Say(a, Phrase::OutputLogged) + path);
        return false;
    case OutputGuard::IsLog:
        Fail(err, Say(a, Phrase::OutputIsLog) + path);
        return false;
    case OutputGuard::Link:
        break;
    }
    Fail(err, Say(a, Phrase::OutputIsLink) + path);
    return false;
}

bool TemperatureOption(const Args& a, std::optional<float>& t, std::ostream& err) {
    if (!a.has("--temperature")) return true;
    const auto v = ParseDecimalNumber(a.value("--temperature"));
    if (!v || *v < -999.0 || *v > 999.0) {
        Fail(err, Say(a, Phrase::BadValue) + "--temperature: \"" + a.value("--temperature") + "\"" +
                      Replace(Replace(Say(a, Phrase::OutOfRange), "%1", "-999"), "%2", "999"));
        return false;
    }
    t = static_cast<float>(*v);
    return true;
}

std::optional<std::int64_t> WholeOption(const Args& a, const std::string& name, std::int64_t min,
                                        std::int64_t max, std::ostream& err) {
    const std::string text = a.value(name);
    const auto v = ParseWholeNumber(text);
    if (!v || *v < min || *v > max) {
        Fail(err, Say(a, Phrase::BadValue) + name + ": \"" + text + "\"" +
                      Replace(Replace(Say(a, Phrase::OutOfRange), "%1", std::to_string(min)), "%2",
                              std::to_string(max)));
        return std::nullopt;
    }
    return v;
}

namespace {

// --source: which column of the sampling table applies.
std::optional<FlightSource> SourceOption(const Args& a, std::ostream& err) {
    const std::string v = a.has("--source") ? a.value("--source") : "file";
    if (v == "file") return FlightSource::File;
    if (v == "download") return FlightSource::Download;
    Fail(err, Say(a, Phrase::BadValue) + "--source: \"" + v + "\"");
    return std::nullopt;
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
    const std::pair<const char*, std::int64_t> words[] = {
        {"AC1", c.AC1}, {"AC2", c.AC2}, {"AC3", c.AC3}, {"AC4", c.AC4},
        {"AC5", c.AC5}, {"AC6", c.AC6}, {"B1", c.B1},   {"B2", c.B2},
        {"MB", c.MB},   {"MC", c.MC},   {"MD", c.MD}};
    for (const auto& [name, value] : words)
        j.key(name).value(value);
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
    // Scripts read the series under the chart's designed numbers: the keys stay.
    j.key("series1").beginArray();
    for (const ChartPoint& p : curve.altitudePoints) {
        j.beginObject();
        j.key("y").value(p.y);
        j.key("label").value(p.label);
        j.endObject();
    }
    j.endArray();
    j.key("series2").beginArray();
    for (const float v : curve.speedPoints)
        j.value(v);
    j.endArray();
    j.key("max_m").value(curve.maximum);
    j.key("min_m").value(curve.minimum);
    j.key("max_text").value(FormatOneDecimal(curve.maximum));
    j.key("min_text").value(FormatOneDecimal(curve.minimum));
    j.key("left_axis_max").value(std::int64_t{curve.leftAxisMaximum});
    j.key("minor_tick_count").value(std::int64_t{curve.minorTickCount});
}

int InfoCommand(const Args& a, std::ostream& out, std::ostream& err) {
    const auto source = SourceOption(a, err);
    if (!source) return kFailure;
    const auto record = ReadFlightRecord(a, a.files[0], err);
    if (!record) return kFailure;
    JsonWriter j;
    j.beginObject();
    WriteHeaderFields(j, record->size(), InterpretFlightHeader(*record, *source));
    j.endObject();
    out << j.str() << '\n';
    return kSuccess;
}

int DecodeCommand(const Args& a, std::ostream& out, std::ostream& err) {
    std::optional<float> temperature;
    const auto source = SourceOption(a, err);
    if (!source || !TemperatureOption(a, temperature, err)) return kFailure;
    auto record = ReadFlightRecord(a, a.files[0], err);
    if (!record) return kFailure;
    const Flight f = DecodeRecord(std::move(*record), *source, {temperature, !a.has("--no-speed")});
    JsonWriter j;
    j.beginObject();
    WriteHeaderFields(j, f.record.size(), f.header);
    WriteCurveFields(j, f.curve);
    j.endObject();
    out << j.str() << '\n';
    return kSuccess;
}

int CompareCommand(const Args& a, std::ostream& out, std::ostream& err) {
    std::optional<float> temperature;
    if (!TemperatureOption(a, temperature, err)) return kFailure;
    auto record = ReadFlightRecord(a, a.files[0], err);
    if (!record) return kFailure;
    const ComparisonFlight f = DecodeComparisonRecord(std::move(*record), temperature);
    const ComparisonCurve& c = f.curve;
    JsonWriter j;
    j.beginObject();
    WriteHeaderFields(j, f.record.size(), f.header);
    j.key("samples").value(std::int64_t{c.samples});
    j.key("reference_pressure_hpa").value(c.referencePressure);
    j.key("series3").beginArray();
    for (const float y : c.altitudePoints)
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
    j.endObject();
    out << j.str() << '\n';
    return kSuccess;
}

int FilterCommand(const Args& a, std::ostream& out, std::ostream& err) {
    FilterSettings settings = kDefaultFilter;
    const std::pair<const char*, std::int32_t*> fields[] = {
        {"--pre-cut", &settings.preCut},
        {"--final-cut", &settings.finalCut},
        {"--prefilter", &settings.prefilterWidth},
        {"--final-filter", &settings.finalFilterWidth}};
    for (const auto& [name, field] : fields) {
        if (!a.has(name)) continue;
        const auto v = WholeOption(a, name, INT32_MIN, INT32_MAX, err);
        if (!v) return kFailure;
        *field = static_cast<std::int32_t>(*v);
    }
    if (!settings.valid()) {
        Fail(err, Say(a, Phrase::BadFilter));
        return kFailure;
    }
    auto record = ReadFlightRecord(a, a.files[0], err);
    if (!record) return kFailure;
    FilterWork work;
    FilteredFlight f;
    if (a.has("--comparison")) {
        const ComparisonFlight c = DecodeComparisonRecord(std::move(*record));
        f = FilterFlight(c.curve.altitudes, WhichFlight::Comparison, c.byteCount(),
                         c.state.samplingRate, settings, work);
    } else {
        const Flight c = DecodeRecord(std::move(*record), FlightSource::File);
        f = FilterFlight(c.curve.altitudes, WhichFlight::Current, c.wordCount(),
                         c.state.samplingRate, settings, work);
    }
    JsonWriter j;
    j.beginObject();
    j.key("filtered").value(f.filtered);
    if (f.filtered) {
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
    j.endObject();
    out << j.str() << '\n';
    return kSuccess;
}

// The altitudes with their times, in the dialect a spreadsheet set to Polish (German,
// French...) opens as numbers in their columns.
std::string LocalSheetBytes(const FlightCurve& c, std::uint32_t samplingRate, Language l) {
    return LocalAltitudeSheet(c.altitudes, c.chartedCount(), 10.0 / samplingRate,
                              Tr(ReadingText::TimeColumn, l), Tr(ReadingText::AltitudeColumn, l));
}

int ExportCsvCommand(const Args& a, std::ostream&, std::ostream& err) {
    const std::string format = a.has("--csv-format") ? a.value("--csv-format") : "plain";
    if ((format != "plain" && format != "excel-local") ||
        (format == "excel-local" && a.has("--decimal-separator"))) {
        Fail(err, Say(a, Phrase::BadValue) + "--csv-format: \"" + format + "\"");
        return kFailure;
    }
    char separator = '.';
    if (a.has("--decimal-separator")) {
        const std::string s = a.value("--decimal-separator");
        if (s.size() != 1 || (s[0] >= '0' && s[0] <= '9') || s[0] == '-' || s[0] == '\n') {
            Fail(err, Say(a, Phrase::BadValue) + "--decimal-separator: \"" + s + "\"");
            return kFailure;
        }
        separator = s[0];
    }
    const std::string& input = a.files[0];
    const std::string& output = a.files[1];
    if (SameFile(input, output)) {
        Fail(err, Say(a, Phrase::SameFile) + output);
        return kFailure;
    }
    if (!OutputAllowed(a, output, err, true)) return kUsage;
    auto record = ReadFlightRecord(a, input, err);
    if (!record) return kFailure;
    const Flight f = DecodeRecord(std::move(*record), FlightSource::File);
    const FlightCurve& c = f.curve;
    if (c.smoothedCount == 0) {
        err << Tr(Message::NoData, a.language) << '\n';
        return kFailure;
    }
    const std::string error = WriteFileAtomically(
        output, format == "plain" ? ExportBytes(c.altitudes, separator)
                                  : LocalSheetBytes(c, f.state.samplingRate, a.language));
    if (!error.empty()) {
        Fail(err, Say(a, Phrase::CannotWrite) + output + ": " + error);
        return kFailure;
    }
    return kSuccess;
}

} // namespace

const std::vector<Command>& Commands() {
    static const std::vector<Command> kCommands = {
        {"info",
         1,
         1,
         {{"--source", true}},
         {},
         {"PLIK [--source file|download]", "FILE [--source file|download]"},
         {"nagłówek zapisu lotu (JSON)", "the flight record's header (JSON)"},
         InfoCommand},
        {"decode",
         1,
         1,
         {{"--source", true}, {"--temperature", true}, {"--no-speed", false}},
         {},
         {"PLIK [--temperature T] [--no-speed] [--source file|download]",
          "FILE [--temperature T] [--no-speed] [--source file|download]"},
         {"nagłówek, ciśnienia, wysokości i punkty wykresu (JSON); T: stopnie C, np. 12 lub 12.5",
          "header, pressures, altitudes and chart points (JSON); T: degrees C, as 12 or 12.5"},
         DecodeCommand},
        {"compare",
         1,
         1,
         {{"--temperature", true}},
         {},
         {"PLIK [--temperature T]", "FILE [--temperature T]"},
         {"lot porównawczy (JSON)", "the flight as a comparison flight (JSON)"},
         CompareCommand},
        {"filter",
         1,
         1,
         {{"--comparison", false},
          {"--pre-cut", true},
          {"--final-cut", true},
          {"--prefilter", true},
          {"--final-filter", true}},
         {},
         {"PLIK [--comparison] [--pre-cut N] [--final-cut N] [--prefilter W] [--final-filter W]",
          "FILE [--comparison] [--pre-cut N] [--final-cut N] [--prefilter W] [--final-filter W]"},
         {"filtr wygładzający (JSON); --comparison: zasady lotu porównawczego",
          "the smoothing filter (JSON); --comparison: the comparison flight's rules"},
         FilterCommand},
        {"export-csv",
         2,
         2,
         {{"--decimal-separator", true}, {"--csv-format", true}},
         {},
         {"PLIK WYJŚCIE [--decimal-separator Z | --csv-format excel-local]",
          "FILE OUT [--decimal-separator C | --csv-format excel-local]"},
         {"wysokości do pliku dla arkusza kalkulacyjnego; --csv-format excel-local: czas i "
          "wysokość rozdzielone średnikiem, przecinek dziesiętny, znacznik UTF-8 (arkusz po "
          "polsku, niemiecku, francusku otwiera je jako liczby w kolumnach)",
          "the altitudes as a spreadsheet file; --csv-format excel-local: time and altitude "
          "separated by semicolons, decimal comma, UTF-8 byte-order mark (a spreadsheet set to "
          "Polish, German, French opens them as numbers in their columns)"},
         ExportCsvCommand},
        {"stats",
         1,
         1,
         {{"--temperature", true}, {"--human", false}, {"--settings", true}},
         {},
         {"PLIK [--temperature T] [--settings PLIK.par] [--human]",
          "FILE [--temperature T] [--settings FILE.par] [--human]"},
         {"start (odejście od poziomu, na którym model leżał: pole lub szczyt zbocza, w górę lub "
          "w dół), maksimum i maksimum bez skoków krótszych niż 0,5 s (podejrzane, gdy wyższe o "
          "ponad 5 m i 5%), lądowanie (spoczynek na dowolnym poziomie) i jego wysokość względem "
          "startu, czas lotu (pierwszego), wznoszenie i opadanie (JSON lub tabela)",
          "launch (the departure, up or down, from the level the model rested at: a field or a "
          "hilltop), maximum and the maximum without spikes shorter than 0.5 s (suspect when "
          "more than 5 m and 5% above it), landing (coming to rest at any level) and its altitude "
          "from the start, duration (of the first flight), climb and sink (JSON, or a table)"},
         StatsCommand},
        {"reading",
         1,
         1,
         {{"--rule", true},
          {"--max-time", true},
          {"--signature", true},
          {"--motor-stop", true},
          {"--from", true},
          {"--target", true},
          {"--time", true},
          {"--temperature", true},
          {"--human", false}},
         {"--rule"},
         {"PLIK --rule f1-flyoff --max-time S [--signature N] | f5j --motor-stop T [--from "
          "launch|record] | apogee [--target M] | timekeeper --time S [--human]",
          "FILE --rule f1-flyoff --max-time S [--signature N] | f5j --motor-stop T [--from "
          "launch|record] | apogee [--target M] | timekeeper --time S [--human]"},
         {"odczyt, którego żąda przepis (JSON lub tekst): f1-flyoff (FAI F1 F1.1.4 b) wysokość "
          "w czasie maksymalnym S od startu, zaokrąglona do metra, czy maksimum pewne, podpis N "
          "wzniesień przed startem; f5j (FAI F5 5.5.11) wysokość startowa do 10 s po wyłączeniu "
          "silnika T (s od startu lub od początku zapisu, najwyżej 30 s pracy) i kara; apogee "
          "(NAR 20.2) apogeum bez krótkich skoków albo brak danych, --target M: wynik precyzji "
          "(NAR 27.6); timekeeper: czas lotu z zapisu wobec czasu sędziego S, ± odstęp pomiarów",
          "the reading a contest rule asks for (JSON, or text): f1-flyoff (FAI F1 F1.1.4 b) the "
          "altitude S seconds after the launch, rounded to the metre, whether the maximum is "
          "guaranteed, a signature of N raises before the launch; f5j (FAI F5 5.5.11) the start "
          "height up to 10 s after the motor stop T (s from the launch or from the record's "
          "start, 30 s of motor at most) and its penalty; apogee (NAR 20.2) the apogee without "
          "short transients, or No Data, --target M: the precision score (NAR 27.6); "
          "timekeeper: the trace's duration against the timekeeper's time S, ± one sampling "
          "interval"},
         ReadingCommand},
        {"report",
         1,
         SIZE_MAX,
         {{"-o", true},
          {"--title", true},
          {"--settings", true},
          {"--expected", true},
          {"--csv-format", true},
          {"--rule", true},
          {"--max-time", true},
          {"--signature", true},
          {"--motor-stop", true},
          {"--from", true},
          {"--target", true},
          {"--time", true}},
         {"-o"},
         {"KATALOG|PLIKI... -o WYJŚCIE.html|.csv [--title TEKST] [--expected PLIK] "
          "[--settings PLIK.par] [--csv-format excel-local] [--rule NAZWA i jej opcje jak w "
          "reading]",
          "DIR|FILES... -o OUT.html|.csv [--title TEXT] [--expected FILE] [--settings FILE.par] "
          "[--csv-format excel-local] [--rule NAME with its options as for reading]"},
         {"tabela wyników wielu lotów (CSV lub strona HTML z wykresami, drukowana na arkuszach "
          "A4); --rule: kolumny reguły i kolumna Miejsce, loty uszeregowane według reguły "
          "(f1-flyoff: ci, którzy osiągnęli czas maksymalny, według wysokości w tym czasie, "
          "zaokrąglonej do metra, wyższa pierwsza, potem pozostali według czasu lotu; f5j: "
          "według kary, mniejsza pierwsza; apogee --target: według wyniku precyzji, mniejszy "
          "pierwszy; apogee: według apogeum, Brak danych na końcu; timekeeper: tylko kolumny, "
          "bez miejsc), remisy z tym samym miejscem (1, 2, 2, 4); --csv-format excel-local: "
          "średniki, przecinek dziesiętny, znacznik UTF-8",
          "a results table of many flights (CSV, or an HTML page with charts that prints on A4 "
          "sheets); --rule: the rule's columns and a Place column, the flights ranked by the "
          "rule (f1-flyoff: those who reached the maximum time by their altitude then, rounded "
          "to the metre, higher first, then the others by their duration; f5j: by the penalty, "
          "lower first; apogee --target: by the precision score, lower first; apogee: by the "
          "apogee, No Data last; timekeeper: the columns only, no places), ties sharing a place "
          "(1, 2, 2, 4); --csv-format excel-local: semicolons, decimal comma, UTF-8 byte-order "
          "mark"},
         ReportCommand},
        {"verify",
         1,
         1,
         {{"--human", false}, {"--head", true}},
         {},
         {"KATALOG [--human] [--head SKRÓT]", "DIR [--human] [--head HEAD]"},
         {"sprawdza archiwum z dziennikiem pobrań: łańcuch skrótów dziennika, pliki (SHA-256) bez "
          "zmian, zmienione, brakujące, spoza dziennika; --head: czy dziennik wciąż kończy się na "
          "ogłoszonym końcu (wyjście 0 tylko dla nienaruszonego archiwum)",
          "checks the archive against its download log: the log's hash chain, the files (SHA-256) "
          "unchanged, changed, missing, not logged; --head: whether the log still ends at the "
          "announced head (exit 0 only for an intact archive)"},
         VerifyCommand},
#ifdef ORLOMAT_WITH_DEVICE
        {"plot",
         1,
         1,
         {{"--compare", true}, {"-o", true}},
         {"-o"},
         {"PLIK [--compare PLIK2] -o WYJŚCIE.bmp|.png|.pdf",
          "FILE [--compare FILE2] -o OUT.bmp|.png|.pdf"},
         {"wykres z tytułem wydruku do obrazu lub PDF", "the chart with its print title as a "
                                                        "picture or PDF"},
         PlotCommand,
         true},
        {"download",
         0,
         0,
         {{"--port", true}, {"-o", true}, {"--dir", true}, {"--watch", false}},
         {"--port"},
         {"--port PORT -o PLIK | --dir KATALOG [--watch]",
          "--port PORT -o FILE | --dir DIR [--watch]"},
         {"ostatni lot do pliku albo do katalogu (nazwa: zawodnik, numer, czas); --watch: "
          "wysokościomierz po wysokościomierzu",
          "the last flight into a file, or into a folder (named by competitor, serial, time); "
          "--watch: altimeter after altimeter"},
         DownloadCommand},
        {"ports",
         0,
         0,
         {{"--human", false}},
         {},
         {"[--human]", "[--human]"},
         {"obecne porty szeregowe (nazwa, opis, producent, identyfikatory USB); --port auto "
          "wybiera jedyny port USB albo ten, który odpowiada jak wysokościomierz",
          "the serial ports present (name, description, maker, USB ids); --port auto takes the "
          "only USB port, or the one that answers as an altimeter"},
         PortsCommand},
        {"reset",
         0,
         0,
         {{"--port", true}},
         {"--port"},
         {"--port PORT", "--port PORT"},
         {"zerowanie wysokościomierza bez pytania", "zero the altimeter without asking"},
         ResetCommand},
        {"settings",
         0,
         0,
         {{"--port", true},
          {"--level", true},
          {"--sampling", true},
          {"--manual-zero", true},
          {"--competitor", true},
          {"--delay", true}},
         {"--port"},
         {"--port PORT [--level M --sampling KOD --manual-zero 0|1 --competitor N --delay S]",
          "--port PORT [--level M --sampling CODE --manual-zero 0|1 --competitor N --delay S]"},
         {"odczyt ustawień wysokościomierza (JSON) albo ich zapis (wszystkie pięć wartości)",
          "read the altimeter's settings (JSON), or write them (all five values)"},
         SettingsCommand},
        {"default-setup",
         0,
         0,
         {{"--port", true}},
         {"--port"},
         {"--port PORT", "--port PORT"},
         {"ustawienia domyślne wysokościomierza", "put the altimeter back to its default settings"},
         DefaultSetupCommand},
#endif
    };
    return kCommands;
}

const Command* FindCommand(const std::string& name) {
    for (const Command& c : Commands())
        if (name == c.name) return &c;
    return nullptr;
}

std::optional<std::string> Parse(const std::vector<std::string>& raw, Args& args) {
    // --lang first, wherever it stands, so that every later message is in that language.
    std::vector<std::string> rest;
    for (std::size_t i = 0; i < raw.size(); ++i) {
        std::string language;
        if (raw[i] == "--lang") {
            if (i + 1 >= raw.size()) return Say(args, Phrase::MissingValue) + "--lang";
            language = raw[++i];
        } else if (raw[i].rfind("--lang=", 0) == 0) {
            language = raw[i].substr(7);
        } else {
            rest.push_back(raw[i]);
            continue;
        }
        if (language != "pl" && language != "en")
            return Say(args, Phrase::BadValue) + "--lang: " + language;
        args.language = language == "pl" ? Language::Polish : Language::English;
    }
    if (rest.empty()) return Say(args, Phrase::MissingFile);
    args.command = rest[0];
    if (args.command == "--help" || args.command == "-h" || args.command == "help") return {};
    const Command* command = FindCommand(args.command);
    if (command == nullptr) return Say(args, Phrase::UnknownCommand) + args.command;

    // "--help" after a command is that command's help, whatever else is given.
    for (std::size_t i = 1; i < rest.size() && rest[i] != "--"; ++i)
        if (rest[i] == "--help" || rest[i] == "-h") {
            args.flags.insert("--help");
            return {};
        }
    bool optionsEnded = false;
    for (std::size_t i = 1; i < rest.size(); ++i) {
        std::string word = rest[i];
        // An option is "--name" or "-o"; any other word is a file, "-" prefix or not, and
        // everything after "--" is a file.
        const bool option = !optionsEnded && (word.rfind("--", 0) == 0 || word == "-o");
        if (!option) {
            if (args.files.size() >= command->maxFiles)
                return Say(args, Phrase::ExtraArgument) + word;
            args.files.push_back(word);
            continue;
        }
        if (word == "--") {
            optionsEnded = true;
            continue;
        }
        std::string value;
        bool hasValue = false;
        if (const auto eq = word.find('='); eq != std::string::npos && word.rfind("--", 0) == 0) {
            value = word.substr(eq + 1);
            hasValue = true;
            word.resize(eq);
        }
        const auto spec = std::find_if(command->options.begin(), command->options.end(),
                                       [&](const Option& o) { return word == o.name; });
        if (spec == command->options.end()) return Say(args, Phrase::UnknownOption) + word;
        if (!spec->takesValue) {
            if (hasValue) return Say(args, Phrase::BadValue) + word;
            args.flags.insert(word);
            continue;
        }
        if (!hasValue) {
            if (i + 1 >= rest.size()) return Say(args, Phrase::MissingValue) + word;
            value = rest[++i];
        }
        // An empty port would open the device folder itself and read as a port fault.
        if (value.empty() && word == "--port") return Say(args, Phrase::MissingValue) + word;
        args.values[word] = value;
    }
    if (args.files.size() < command->minFiles) return Say(args, Phrase::MissingFile);
    for (const char* r : command->required)
        if (!args.has(r)) return Say(args, Phrase::MissingOption) + r;
    return {};
}

std::string Usage(Language language) {
    std::ostringstream u;
    u << Tr(Phrase::UsageHeading, language);
    for (const Command& c : Commands())
        u << "  orlomat " << c.name << ' ' << c.synopsis.get(language) << '\n';
    u << "  orlomat --help\n" << Tr(Phrase::LanguageOption, language);
    for (const Command& c : Commands()) {
        const std::size_t length = std::string_view(c.name).size();
        u << "  " << c.name << std::string(length < 13 ? 15 - length : 2, ' ')
          << c.summary.get(language) << '\n';
    }
    u << Tr(Phrase::ExitCodes, language);
    return u.str();
}

std::string CommandUsage(const Command& c, Language language) {
    std::ostringstream u;
    u << Tr(Phrase::UsageHeading, language) << "  orlomat " << c.name << ' '
      << c.synopsis.get(language) << "\n\n"
      << c.summary.get(language) << "\n\n"
      << Tr(Phrase::HelpOptions, language);
    for (const Option& o : c.options) {
        std::string shown = o.name;
        if (o.takesValue) shown.append(" ").append(Tr(Phrase::HelpValue, language));
        const bool required = std::any_of(c.required.begin(), c.required.end(),
                                          [&](const char* r) { return o.name == std::string(r); });
        u << "  " << shown << (required ? Tr(Phrase::HelpRequired, language) : "") << '\n';
    }
    u << Tr(Phrase::HelpCommon, language) << Tr(Phrase::ExitCodes, language);
    return u.str();
}

} // namespace cli

bool NeedsWidgets(const std::vector<std::string>& rawArgs) {
    cli::Args args;
    if (cli::Parse(rawArgs, args)) return false; // the usage message needs no widgets
    const cli::Command* command = cli::FindCommand(args.command);
    return command != nullptr && command->widgets && !args.has("--help");
}

int RunCli(const std::vector<std::string>& rawArgs, std::ostream& out, std::ostream& err,
           PortLister* ports) {
    cli::Args args;
    args.ports = ports;
    if (const auto problem = cli::Parse(rawArgs, args)) {
        const bool badLanguage = problem->find("--lang:") != std::string::npos;
        cli::Fail(err, *problem + cli::Say(args, Phrase::Hint));
        return badLanguage ? cli::kFailure : cli::kUsage;
    }
    if (args.command == "--help" || args.command == "-h" || args.command == "help") {
        out << cli::Usage(args.language);
        return cli::kSuccess;
    }
    const cli::Command& command = *cli::FindCommand(args.command);
    if (args.has("--help")) {
        out << cli::CommandUsage(command, args.language);
        return cli::kSuccess;
    }
    return command.run(args, out, err);
}

} // namespace orlomat
