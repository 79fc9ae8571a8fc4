#include "cli_device.h"

#include "altimeter.h"
#include "decode.h"
#include "file_io.h"
#include "format.h"
#include "json.h"
#include "qt_serial_line.h"

#include <memory>

namespace orlomat {

namespace {

// Messages go to stderr, one line each; confirmations are answered yes (no prompt).
class ConsoleUi : public DeviceUi {
public:
    ConsoleUi(int language, std::ostream& err) : language_(language), err_(err) {}
    void message(Message text, Message caption, const std::string& detail) override {
        err_ << Tr(caption, language_) << ": " << Tr(text, language_) << detail << '\n';
    }
    bool confirm(Message, Message) override { return true; }

private:
    int language_;
    std::ostream& err_;
};

} // namespace

int RunDeviceCommand(const std::string& command, const std::vector<std::string>& args,
                     int language, std::ostream& out, std::ostream& err, SerialLine* line,
                     Clock* clock) {
    const bool english = language == 1;
    std::string port, output;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        std::string* target = a == "--port" ? &port : a == "-o" && command == "download" ? &output : nullptr;
        if (target == nullptr || i + 1 >= args.size()) {
            err << (english ? "unknown option or missing value: " : "nieznana opcja lub brak wartości: ")
                << a << " (orlomat --help)\n";
            return 2;
        }
        *target = args[++i];
    }
    if (port.empty() || (command == "download" && output.empty())) {
        err << (english ? "missing --port" : "brak --port")
            << (command == "download" ? " / -o" : "") << " (orlomat --help)\n";
        return 2;
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

    const DownloadOutcome d = altimeter.Download(port, ui);
    if (d.result != DownloadOutcome::Result::Received) return 1;
    const QString error = WriteFileAtomically(
        QString::fromStdString(output),
        QByteArray(reinterpret_cast<const char*>(d.record.data()),
                   static_cast<qsizetype>(d.record.size())));
    if (!error.isEmpty()) {
        err << (english ? "cannot save the file " : "nie można zapisać pliku ") << output << ": "
            << error.toStdString() << '\n';
        return 1;
    }
    DecodingState state;
    const HeaderInfo info = InterpretFlightHeader(d.record, FlightSource::Download);
    ApplyHeaderToState(info, state);
    const FlightCurve curve =
        DecodeFlight(d.record, state, true, RecordWordCount(d.record.size()));
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
