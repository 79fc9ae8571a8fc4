#include "cli_device.h"

#include "altimeter.h"
#include "decode.h"
#include "file_io.h"
#include "format.h"
#include "json.h"
#include "qt_serial_line.h"
#include "settings_exchange.h"

#include <algorithm>
#include <map>
#include <memory>

namespace orlomat {

namespace {

// Messages go to stderr, one line each; confirmations are answered yes (no prompt).
class ConsoleUi : public DeviceUi {
public:
    ConsoleUi(int language, std::ostream& err) : language_(language), err_(err) {}
    void message(Message text, Message caption, const std::string& detail) override {
        err_ << Tr(caption, language_) << ": " << Tr(text, language_) << detail << '\n';
        if (text != Message::SetupOk && text != Message::ResetOk) failed = true;
    }
    bool confirm(Message, Message) override { return true; }
    bool failed = false;

private:
    int language_;
    std::ostream& err_;
};

} // namespace

int RunDeviceCommand(const std::string& command, const std::vector<std::string>& args, int language,
                     std::ostream& out, std::ostream& err, SerialLine* line, Clock* clock) {
    const bool english = language == 1;
    const std::map<std::string, std::vector<std::string>> allowed = {
        {"download", {"--port", "-o"}},
        {"reset", {"--port"}},
        {"default-setup", {"--port"}},
        {"settings",
         {"--port", "--level", "--sampling", "--manual-zero", "--competitor", "--delay"}}};
    const auto& names = allowed.at(command);
    std::map<std::string, std::string> opt;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (std::find(names.begin(), names.end(), a) == names.end() || i + 1 >= args.size()) {
            err << (english ? "unknown option or missing value: "
                            : "nieznana opcja lub brak wartości: ")
                << a << " (orlomat --help)\n";
            return 2;
        }
        opt[a] = args[++i];
    }
    const auto get = [&](const std::string& name) {
        const auto it = opt.find(name);
        return it == opt.end() ? std::string() : it->second;
    };
    const std::string port = get("--port");
    const std::string output = get("-o");
    if (port.empty() || (command == "download" && output.empty())) {
        err << (english ? "missing --port" : "brak --port")
            << (command == "download" ? " / -o" : "") << " (orlomat --help)\n";
        return 2;
    }

    // Writing the settings takes all five values, each checked before anything is sent.
    struct Field {
        const char* name;
        std::int64_t scale;
        std::uint32_t limit;
        std::int64_t value = 0;
    };
    Field fields[] = {{"--level", 1, kMaxLevelMetres},
                      {"--sampling", 1, 5},
                      {"--manual-zero", 1, 1},
                      {"--competitor", 1, kMaxCompetitor},
                      {"--delay", 100, kMaxDelayHundredths}};
    const bool writing = command == "settings" && opt.size() > (opt.count("--port") ? 1u : 0u);
    if (writing) {
        for (Field& f : fields) {
            if (!opt.count(f.name)) {
                err << (english ? "writing the settings needs all of --level --sampling "
                                  "--manual-zero --competitor --delay"
                                : "zapis ustawień wymaga --level --sampling --manual-zero "
                                  "--competitor --delay")
                    << " (orlomat --help)\n";
                return 2;
            }
            const auto v = ParseWholeNumber(get(f.name));
            if (!v) {
                err << f.name << ": \"" << get(f.name) << "\""
                    << Tr(Message::NotWholeNumber, language) << '\n';
                return 1;
            }
            f.value = *v * f.scale;
            if (AboveLimit(f.value, f.limit)) {
                err << f.name << ": " << Tr(Message::TooLarge, language) << '\n';
                return 1;
            }
        }
    }

    std::unique_ptr<SerialLine> ownLine;
    std::unique_ptr<Clock> ownClock;
    if (line == nullptr) line = (ownLine = std::make_unique<QtSerialLine>()).get();
    if (clock == nullptr) clock = (ownClock = std::make_unique<SteadyClock>()).get();
    Altimeter altimeter(*line, *clock);
    ConsoleUi ui(language, err);
    altimeter.channel.onOpenFailed = [&](const std::string& name, const std::string& reason) {
        ui.message(Message::PortError, Message::ErrorCaption, name + " (" + reason + ")");
    };

    if (command == "reset") return altimeter.Reset(port, ui, false) == ResetResult::Ok ? 0 : 1;
    if (command == "default-setup")
        return DefaultSetup(altimeter, port, ui) == DefaultSetupResult::Done && !ui.failed ? 0 : 1;
    if (command == "settings") {
        altimeter.channel.PortOpen(port);
        if (altimeter.channel.state() != Channel::State::Open) return 1;
        if (writing) {
            WriteSettingsCommand(altimeter, static_cast<std::uint16_t>(fields[3].value),
                                 static_cast<std::uint16_t>(fields[0].value * 4),
                                 static_cast<std::uint8_t>(fields[1].value), ui);
            WriteManualZeroCommand(altimeter, static_cast<std::uint8_t>(fields[2].value), ui);
            const bool ok =
                WriteDelayCommand(altimeter, static_cast<std::uint16_t>(fields[4].value), ui);
            altimeter.channel.PortClose();
            return ok ? 0 : 1;
        }
        const DeviceSettingsRead r = ReadDeviceSettings(altimeter);
        altimeter.channel.PortClose();
        if (!r.ok) {
            ui.message(Message::CommunicationError, Message::ErrorCaption, {});
            return 1;
        }
        JsonWriter j;
        j.beginObject();
        j.key("competitor").value(std::int64_t{r.status.competitor});
        j.key("serial").value(std::int64_t{r.status.serial});
        j.key("temperature").value(std::int64_t{r.status.temperature});
        j.key("level_m").value(std::int64_t{r.status.levelMetres});
        j.key("sampling_code").value(std::int64_t{r.status.samplingCode});
        j.key("manual_zero").value(std::int64_t{r.manualZero.value_or(0)});
        j.key("delay_s").value(std::int64_t{r.delaySeconds.value_or(0)});
        j.key("version").value(r.version.value_or(std::string()));
        j.endObject();
        out << j.str() << '\n';
        return 0;
    }

    const DownloadOutcome d = altimeter.Download(port, ui);
    if (d.result != DownloadOutcome::Result::Received) return 1;
    const QString error = WriteFileAtomically(
        QString::fromStdString(output), QByteArray(reinterpret_cast<const char*>(d.record.data()),
                                                   static_cast<qsizetype>(d.record.size())));
    if (!error.isEmpty()) {
        err << (english ? "cannot save the file " : "nie można zapisać pliku ") << output << ": "
            << error.toStdString() << '\n';
        return 1;
    }
    DecodingState state;
    const HeaderInfo info = InterpretFlightHeader(d.record, FlightSource::Download);
    ApplyHeaderToState(info, state);
    const FlightCurve curve = DecodeFlight(d.record, state, true, RecordWordCount(d.record.size()));
    JsonWriter j;
    j.beginObject();
    j.key("bytes").value(static_cast<std::int64_t>(d.record.size()));
    j.key("competitor").value(std::int64_t{info.header.competitor});
    j.key("serial").value(std::int64_t{info.header.serial});
    j.key("max_text").value(FormatOneDecimal(curve.maximum));
    j.key("min_text").value(FormatOneDecimal(curve.minimum));
    j.key("new_measurement").value(d.newMeasurement);
    j.endObject();
    out << j.str() << '\n';
    return d.lineBroke ? 1 : 0;
}

} // namespace orlomat
