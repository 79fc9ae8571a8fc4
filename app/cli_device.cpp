#include "app/cli_device.h"

#include "contest/download_log.h"
#include "contest/flight_keeping.h"
#include "contest/port_watch.h"
#include "core/decode.h"
#include "core/flight.h"
#include "core/format.h"
#include "core/json.h"
#include "device/altimeter.h"
#include "device/port_finder.h"
#include "device/qt_serial_line.h"
#include "device/settings_exchange.h"
#include "files/user_file.h"
#include "ui/archive_keeping.h"
#include "ui/device_words.h"
#include "ui/settings_file.h"

#include <QDir>
#include <QFileInfo>
#include <QSettings>
#include <QStandardPaths>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <iostream>
#include <memory>
#include <optional>

#ifdef _WIN32
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <io.h>
#include <windows.h>
#else
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace orlomat {

namespace {

using namespace cli;

// The serial ports present: the system's, unless the caller gave its own.
PortLister& Ports(const Args& a) {
    static SystemPortLister system;
    return a.ports != nullptr ? *a.ports : system;
}

const char* Describe(DeviceResult a, Language language) {
    switch (a) {
    case DeviceResult::Ok:
        return Tr(Phrase::Acknowledged, language);
    case DeviceResult::Refused:
        return Tr(Phrase::Refused, language);
    case DeviceResult::NoReply:
        return Tr(Phrase::NoReply, language);
    case DeviceResult::WrongReply:
        return Tr(Phrase::WrongReply, language);
    case DeviceResult::LineBusy:
        return Tr(Phrase::LineBusy, language);
    case DeviceResult::PortFailed:
        return Tr(Phrase::PortFailed, language);
    case DeviceResult::Incomplete:
        return Tr(Phrase::Incomplete, language);
    case DeviceResult::Cancelled:
        return Tr(Phrase::Cancelled, language);
    }
    return "";
}

// The exit code of every device command: from the exchange's result, never from the
// messages it showed.
int ExitCode(DeviceResult r) {
    switch (r) {
    case DeviceResult::Ok:
        return kSuccess;
    case DeviceResult::Incomplete:
        return kIncomplete;
    default:
        return kFailure;
    }
}

// The exchanges' messages go to stderr, one line each; confirmations are answered yes.
// On a terminal the download shows its progress on one line that updates in place.
class ConsoleUi : public DeviceUi {
public:
    ConsoleUi(Language language, std::ostream& err, bool quiet = false)
        : language_(language), err_(err), quiet_(quiet) {
#ifdef _WIN32
        terminal_ = &err == &std::cerr && ::_isatty(_fileno(stderr)) != 0;
#else
        terminal_ = &err == &std::cerr && ::isatty(STDERR_FILENO) != 0;
#endif
    }
    ~ConsoleUi() override {
        endProgressLine();
    }
    void report(DeviceEvent event) override {
        const DeviceWords words = WordsFor(event);
        message(words.text, words.caption);
    }
    bool confirmReset() override {
        return true;
    }
    void message(Message text, Message caption, const std::string& detail = {}) {
        if (quiet_) return;
        endProgressLine();
        err_ << "orlomat: " << Tr(caption, language_) << ": " << Tr(text, language_) << detail
             << '\n';
    }
    void progressBytes(std::uint32_t received, std::uint32_t expected) override {
        if (!terminal_) return;
        err_ << "\r" << received << " B";
        if (expected > 0)
            err_ << "  " << static_cast<std::uint64_t>(received) * 100 / expected << " %";
        err_ << "   " << std::flush;
        progressShown_ = true;
    }
    void downloadEnds() override {
        endProgressLine();
    }

private:
    void endProgressLine() {
        if (progressShown_) err_ << '\n';
        progressShown_ = false;
    }
    Language language_;
    std::ostream& err_;
    bool quiet_;
    bool terminal_ = false;
    bool progressShown_ = false;
};

// Set from a signal handler, or on Windows from the console's own handler thread.
std::atomic<int> g_stop{0};
static_assert(std::atomic<int>::is_always_lock_free);

#ifdef _WIN32
// Ctrl+C and Ctrl+Break stop the download or the wait in hand, which then keeps what came; a
// second one ends the program at once. Closing the console window (or logging off) ends the
// process when this handler returns: it holds on while the program keeps the incomplete
// flight and exits with its own code (Windows allows about five seconds).
BOOL WINAPI StopOnConsoleEvent(DWORD event) {
    const bool closing =
        event == CTRL_CLOSE_EVENT || event == CTRL_LOGOFF_EVENT || event == CTRL_SHUTDOWN_EVENT;
    if (!closing && g_stop.exchange(1) != 0) return FALSE;
    if (closing) {
        g_stop = 1;
        Sleep(INFINITE);
    }
    return TRUE;
}

struct StopOnCtrlC {
    StopOnCtrlC() {
        g_stop = 0;
        SetConsoleCtrlHandler(StopOnConsoleEvent, TRUE);
    }
    ~StopOnCtrlC() { SetConsoleCtrlHandler(StopOnConsoleEvent, FALSE); }
    StopOnCtrlC(const StopOnCtrlC&) = delete;
    StopOnCtrlC& operator=(const StopOnCtrlC&) = delete;
};

// Both names lead to one file or one port (a port has no file to compare).
bool SameNode(const std::string& a, const std::string& b) {
    if (ListedPortName(a) == ListedPortName(b)) return true;
    std::error_code ec;
    return std::filesystem::equivalent(PathFromUtf8(a), PathFromUtf8(b), ec) && !ec;
}
#else
// The first Ctrl+C (or termination request) stops the download or the wait in hand, which
// then keeps what came; a second one ends the program at once, as if we were not there.
void StopOnSignal(int signal) {
    if (g_stop != 0) {
        std::signal(signal, SIG_DFL);
        std::raise(signal);
        return;
    }
    g_stop = 1;
}

// Ctrl+C, a termination request and a closed terminal (SIGHUP: the laptop's lid, an ssh
// session that drops) all keep what came.
struct StopOnCtrlC {
    StopOnCtrlC() {
        g_stop = 0;
        previousInt = std::signal(SIGINT, StopOnSignal);
        previousTerm = std::signal(SIGTERM, StopOnSignal);
#ifdef SIGHUP
        previousHup = std::signal(SIGHUP, StopOnSignal);
#endif
    }
    ~StopOnCtrlC() {
        std::signal(SIGINT, previousInt);
        std::signal(SIGTERM, previousTerm);
#ifdef SIGHUP
        std::signal(SIGHUP, previousHup);
#endif
    }
    StopOnCtrlC(const StopOnCtrlC&) = delete;
    StopOnCtrlC& operator=(const StopOnCtrlC&) = delete;
    void (*previousInt)(int) = SIG_DFL;
    void (*previousTerm)(int) = SIG_DFL;
    void (*previousHup)(int) = SIG_DFL;
};

// Both names lead to one file, device nodes included (std::filesystem::equivalent refuses
// those).
bool SameNode(const std::string& a, const std::string& b) {
    struct stat x {
    }, y{};
    return ::stat(a.c_str(), &x) == 0 && ::stat(b.c_str(), &y) == 0 && x.st_dev == y.st_dev &&
           x.st_ino == y.st_ino;
}
#endif

struct Device {
    Device(const Args& a, std::ostream& err, SerialLine* line, Clock* clock) : ui(a.language, err) {
        if (line == nullptr) line = (ownLine = std::make_unique<QtSerialLine>()).get();
        if (clock == nullptr) clock = (ownClock = std::make_unique<SteadyClock>()).get();
        altimeter = std::make_unique<Altimeter>(*line, *clock);
        // The port as the user gave it, whatever path it was resolved to, and what is there.
        altimeter->channel.onOpenFailed = [this, given = a.value("--port"), language = a.language,
                                           ports = &Ports(a)](const std::string& opened,
                                                              const std::string& why) {
            ui.message(Message::PortError, Message::ErrorCaption,
                       (given == kAutoPort ? opened : given) + " (" + why + "). " +
                           PresentPortsNote(ports->ports(), language));
        };
        altimeter->channel.stopRequested = [] { return g_stop != 0; };
        port = a.value("--port");
    }
    // "auto" becomes the port an altimeter is on; false after the message when none is.
    bool resolvePort(const Args& a, std::ostream& err) {
        if (port != kAutoPort) return true;
        const AutoPort found = FindAutoPort(Ports(a), *altimeter, LastGoodPort());
        if (found.chosen) {
            port = found.chosen->location;
            Fail(err, Say(a, Phrase::AutoChose) + found.chosen->label());
            return true;
        }
        if (std::none_of(found.present.begin(), found.present.end(),
                         [](const SerialPortEntry& p) { return p.usb(); }))
            Fail(err,
                 Say(a, Phrase::AutoNoUsb) + " " + PresentPortsNote(found.present, a.language));
        else
            Fail(err, Say(a, Phrase::AutoNone) + PresentPortsNote(found.present, a.language));
        return false;
    }
    std::unique_ptr<SerialLine> ownLine;
    std::unique_ptr<Clock> ownClock;
    std::unique_ptr<Altimeter> altimeter;
    ConsoleUi ui;
    std::string port;
};

struct Downloaded {
    int exitCode = kFailure;
    bool saveFailed = false;
    bool logFailed = false;
};

// One download from `port` (a PortLocation) to `-o FILE` or into `--dir DIR`; the exit code,
// and the summary on `out` (also when the flight could not be saved: "saved" says so).
Downloaded DownloadOnce(const Args& a, const std::string& port, std::ostream& out,
                        std::ostream& err, Device& device) {
    const bool intoFolder = a.has("--dir");
    const DownloadOutcome d = device.altimeter->Download(port, device.ui);
    if (d.stopped && d.result != DownloadOutcome::Result::Received)
        Fail(err, Say(a, Phrase::Stopped));
    if (d.result != DownloadOutcome::Result::Received) return {ExitCode(d.status())};

    // A whole flight replaces the file named; a partial one never replaces anything, and in a
    // folder nothing is ever replaced.
    const bool complete = d.complete();
    KeepDetails details;
    // The log names the port the flight came from, not "auto".
    details.port = a.value("--port") == kAutoPort ? port : a.value("--port");
    // The size is announced only by altimeters that report blocks; others send a version.
    if (d.expectedBytes > 0) details.bytesExpected = d.expectedBytes;
    details.complete = complete;
    ArchivedFlight kept;
    if (intoFolder) {
        // As in the window, a flight read is never only in memory; but a folder named here that
        // went away (a card taken out) is not made again where it was.
        kept = KeepInArchive(QString::fromStdString(a.value("--dir")), d.record, details, false,
                             false);
    } else {
        const std::string_view bytes(reinterpret_cast<const char*>(d.record.data()),
                                     d.record.size());
        kept.path = a.value("-o");
        std::string written = kept.path;
        kept.error = complete ? WriteFileAtomically(kept.path, bytes)
                              : WriteNewFile(kept.path, bytes, written);
        if (kept.error.empty()) {
            kept.path = written;
            // Every download is entered in its folder's log with the digest of the file written.
            kept.logError = LogKeptFlight(kept.path, d.record, details);
        }
    }
    const std::string& error = kept.error;
    if (!error.empty()) Fail(err, Say(a, Phrase::CannotSave) + kept.path + ": " + error);
    if (!kept.elsewhere.empty()) Fail(err, Say(a, Phrase::KeptInstead) + kept.elsewhere);
    if (error.empty() && !complete) {
        std::string text = Say(a, Phrase::IncompleteFlightKept);
        text.replace(text.find("%1"), 2, std::to_string(d.record.size()));
        Fail(err,
             text + kept.path +
                 (kept.path != a.value("-o") && !intoFolder ? Say(a, Phrase::KeptBeside) : ""));
    }

    const Flight flight = DecodeRecord(d.record, FlightSource::Download);
    JsonWriter j;
    j.beginObject();
    j.key("file").value(kept.path);
    j.key("complete").value(complete);
    j.key("bytes").value(static_cast<std::int64_t>(d.record.size()));
    j.key("expected_bytes");
    if (details.bytesExpected)
        j.value(*details.bytesExpected);
    else
        j.null();
    j.key("competitor").value(std::int64_t{flight.header.header.competitor});
    j.key("serial").value(std::int64_t{flight.header.header.serial});
    j.key("max_text").value(FormatOneDecimal(flight.curve.maximum));
    j.key("min_text").value(FormatOneDecimal(flight.curve.minimum));
    j.key("new_measurement").value(d.newMeasurement);
    j.key("saved").value(error.empty());
    if (!error.empty()) j.key("error").value(error);
    if (!kept.elsewhere.empty()) j.key("kept_instead").value(kept.elsewhere);
    if (error.empty()) {
        if (!kept.logError.empty()) Fail(err, Say(a, Phrase::CannotLog) + kept.logError);
        j.key("logged").value(kept.logError.empty());
    }
    j.endObject();
    out << j.str() << std::endl;
    if (!error.empty()) return {kFailure, true};
    // A flight kept without its log line cannot be vouched for: not a whole success.
    if (!kept.logError.empty()) return {kFailure, false, true};
    return {ExitCode(d.status())};
}

// A log that is no regular file (a fifo, a folder, a link) would hang or refuse the log line
// after the flight was read.
std::optional<std::string> LogProblem(const Args& a, const std::string& folder) {
    const EntryKind log =
        KindOfEntry(Utf8FromPath(PathFromUtf8(folder) / PathFromUtf8(kDownloadLogName)));
    if (log != EntryKind::Missing && log != EntryKind::File)
        return Say(a, Phrase::LogNotAFile) + folder;
    return std::nullopt;
}

// --dir must be a folder we can write into before any altimeter is touched: a mistyped or
// read-only folder found only at the first save would cost a flight. The same for -o's folder,
// and -o never names a logged flight, the log or a link: reading the altimeter also clears its
// "new flight" mark, so a flight read for nothing is a flight lost.
std::optional<std::string> FolderProblem(const Args& a, std::ostream& err) {
    if (a.has("--dir")) {
        const QFileInfo folder(QString::fromStdString(a.value("--dir")));
        if (!folder.isDir()) return Say(a, Phrase::NoFolder) + a.value("--dir");
        if (!folder.isWritable()) return Say(a, Phrase::FolderReadOnly) + a.value("--dir");
        return LogProblem(a, a.value("--dir"));
    }
    const std::string output = a.value("-o");
    // Caught here, an empty name would cost the altimeter's new-flight mark and the flight.
    if (output.empty()) return Say(a, Phrase::MissingValue) + "-o";
    const std::filesystem::path p = PathFromUtf8(output);
    const std::string folder = p.has_parent_path() ? Utf8FromPath(p.parent_path()) : ".";
    const QFileInfo info(QString::fromStdString(folder));
    if (!info.isDir()) return Say(a, Phrase::OutputNoFolder) + folder;
    if (!info.isWritable()) return Say(a, Phrase::OutputFolderReadOnly) + folder;
    if (KindOfEntry(output) == EntryKind::Folder)
        return Say(a, Phrase::CannotSave) + output + ": " + std::strerror(EISDIR);
    if (!OutputAllowed(a, output, err, false)) return std::string();
    return LogProblem(a, folder);
}

// Altimeter after altimeter: wait for one to appear, download it, wait until it is unplugged,
// and go on, until Ctrl+C. Ends with 1 when any flight could not be saved (or logged), else 3 when
// any was incomplete.
int Watch(const Args& a, std::ostream& out, std::ostream& err, SerialLine* line, Clock* clock) {
    const StopOnCtrlC stop;
    const bool automatic = a.value("--port") == kAutoPort;
    Device device(a, err, line, clock);
    Clock& time = device.altimeter->channel.clock();
    PortWatch watch(automatic ? std::string(kAutoPort) : PortLocation(a.value("--port")), Ports(a),
                    [](const std::string& p) { return PortPresent(p); });
    watch.start(AskWith(*device.altimeter), LastGoodPort());
    const auto tellPassedOver = [&] {
        for (const std::string& p : watch.takePassedOver())
            Fail(err, Say(a, Phrase::AutoPassedOver) + p);
    };
    tellPassedOver();
    const auto waitFor = [&](PortWatch::Event event) {
        for (PortWatch::Event e; !g_stop && (e = watch.poll()) != event;) {
            tellPassedOver();
            time.sleepMs(kPollMs);
        }
        return !g_stop;
    };
    const std::string given = a.value("--port");
    std::string waiting = Say(a, Phrase::WaitingForAltimeter);
    Fail(err, waiting.replace(waiting.find("%1"), 2, given));
    const std::vector<SerialPortEntry> present = Ports(a).ports();
    if (automatic && std::none_of(present.begin(), present.end(),
                                  [](const SerialPortEntry& p) { return p.usb(); }))
        Fail(err, Say(a, Phrase::AutoNoUsb));
    bool saveFailed = false, incomplete = false;
    while (waitFor(PortWatch::Event::Arrived)) {
        time.sleepMs(kSettleMs);
        const std::string& port = watch.port();
        if (automatic) Fail(err, Say(a, Phrase::AutoChose) + port);
        const Downloaded d = DownloadOnce(a, port, out, err, device);
        saveFailed = saveFailed || d.saveFailed || d.logFailed;
        incomplete = incomplete || d.exitCode == kIncomplete;
        if (d.exitCode != kFailure || d.logFailed) RememberGoodPort(port);
        if (!waitFor(PortWatch::Event::Departed)) break;
    }
    return saveFailed ? kFailure : incomplete ? kIncomplete : kSuccess;
}

int Download(const Args& a, std::ostream& out, std::ostream& err, SerialLine* line, Clock* clock) {
    if (a.has("-o") == a.has("--dir") || (a.has("--watch") && !a.has("--dir"))) {
        Fail(err, Say(a, Phrase::DownloadUsage));
        return kUsage;
    }
    if (const auto problem = FolderProblem(a, err)) {
        if (!problem->empty()) Fail(err, *problem);
        return kUsage;
    }
    if (a.has("--watch")) return Watch(a, out, err, line, clock);
    const StopOnCtrlC stop;
    Device device(a, err, line, clock);
    if (!device.resolvePort(a, err)) return kFailure;
    // The flight written into the port itself would go down the line as commands.
    if (a.has("-o") && SameNode(a.value("-o"), PortLocation(device.port))) {
        Fail(err, Say(a, Phrase::OutputIsPort) + a.value("-o"));
        return kUsage;
    }
    const Downloaded d = DownloadOnce(a, PortLocation(device.port), out, err, device);
    if (d.exitCode != kFailure || d.logFailed) RememberGoodPort(device.port);
    return d.exitCode;
}

int Reset(const Args& a, std::ostream&, std::ostream& err, SerialLine* line, Clock* clock) {
    Device device(a, err, line, clock);
    if (!device.resolvePort(a, err)) return kFailure;
    const DeviceResult r = device.altimeter->Reset(device.port, device.ui, false);
    if (r == DeviceResult::Ok) RememberGoodPort(device.port);
    if (r == DeviceResult::NoReply) device.ui.message(Message::NoReply, Message::ErrorCaption, {});
    return ExitCode(r);
}

int DefaultSetupRun(const Args& a, std::ostream&, std::ostream& err, SerialLine* line,
                    Clock* clock) {
    Device device(a, err, line, clock);
    if (!device.resolvePort(a, err)) return kFailure;
    const DefaultSetupResult r = DefaultSetup(*device.altimeter, device.port, device.ui);
    if (r.allAcknowledged()) return kSuccess;
    if (r.outcome == DefaultSetupResult::Outcome::PortFailed) return kFailure;
    std::string steps;
    const std::pair<const char*, DeviceResult> each[] = {
        {"e5", r.settings}, {"eC", r.manualZero}, {"e2", r.reset}, {"e7", r.delay}};
    const bool stopped = r.outcome == DefaultSetupResult::Outcome::Refused;
    bool reached = true;
    for (const auto& [frame, ack] : each) {
        if (!reached) break;
        if (ack != DeviceResult::Ok)
            steps += std::string(steps.empty() ? "" : ", ") + frame + " (" +
                     Describe(ack, a.language) + ")";
        // The gate stops the sequence at the first of the two settings writes that failed.
        if (stopped && ack != DeviceResult::Ok) reached = false;
    }
    Fail(err, Say(a, Phrase::SetupSteps) + steps);
    return kFailure;
}

int Settings(const Args& a, std::ostream& out, std::ostream& err, SerialLine* line, Clock* clock) {
    // Writing takes all five values, each checked before anything is scaled or sent.
    struct Field {
        const char* name;
        std::int64_t max;
        std::int64_t value = 0;
    };
    Field fields[] = {{"--level", kMaxLevelMetres},
                      {"--sampling", 5},
                      {"--manual-zero", 1},
                      {"--competitor", kMaxCompetitor},
                      {"--delay", kMaxDelayHundredths / 100}};
    std::size_t given = 0;
    for (const Field& f : fields)
        given += a.has(f.name) ? 1 : 0;
    const bool writing = given > 0;
    if (writing) {
        for (Field& f : fields) {
            if (!a.has(f.name)) {
                Fail(err, Say(a, Phrase::SettingsWriteUsage));
                return kUsage;
            }
            const auto v = WholeOption(a, f.name, 0, f.max, err);
            if (!v) return kFailure;
            f.value = *v;
        }
    }

    Device device(a, err, line, clock);
    if (!device.resolvePort(a, err)) return kFailure;
    Altimeter& altimeter = *device.altimeter;
    altimeter.channel.PortOpen(device.port);
    if (altimeter.channel.state() != Channel::State::Open) return kFailure;
    if (writing) {
        // The window's messages stay in the window: here each write is judged on its own.
        ConsoleUi quiet(a.language, err, true);
        struct Write {
            const char* values;
            DeviceResult ack = DeviceResult::NoReply;
            bool sent = false;
        } writes[] = {{"--competitor --level --sampling"}, {"--manual-zero"}, {"--delay"}};
        for (Write& w : writes) {
            w.sent = true;
            if (&w == &writes[0])
                w.ack = WriteSettingsCommand(altimeter, static_cast<std::uint16_t>(fields[3].value),
                                             static_cast<std::uint16_t>(fields[0].value * 4),
                                             static_cast<std::uint8_t>(fields[1].value), quiet);
            else if (&w == &writes[1])
                w.ack = WriteManualZeroCommand(altimeter,
                                               static_cast<std::uint8_t>(fields[2].value), quiet);
            else
                w.ack = WriteDelayCommand(altimeter,
                                          static_cast<std::uint16_t>(fields[4].value * 100), quiet);
            if (w.ack != DeviceResult::Ok) break;
        }
        altimeter.channel.PortClose();
        bool ok = true;
        std::string notSent;
        for (const Write& w : writes) {
            if (!w.sent) {
                notSent += std::string(notSent.empty() ? "" : " ") + w.values;
            } else if (w.ack != DeviceResult::Ok) {
                ok = false;
                Fail(err, Say(a, Phrase::NotTaken) + w.values + " (" + Describe(w.ack, a.language) +
                              ")");
            }
        }
        if (!notSent.empty()) Fail(err, Say(a, Phrase::NotSent) + notSent);
        if (!ok) return kFailure;
        JsonWriter j;
        j.beginObject();
        j.key("written").value(true);
        j.key("level_m").value(fields[0].value);
        j.key("sampling_code").value(fields[1].value);
        j.key("manual_zero").value(fields[2].value);
        j.key("competitor").value(fields[3].value);
        j.key("delay_s").value(fields[4].value);
        j.endObject();
        out << j.str() << '\n';
        return kSuccess;
    }
    const DeviceSettingsRead r = ReadDeviceSettings(altimeter);
    altimeter.channel.PortClose();
    if (!r.ok) {
        device.ui.message(Message::CommunicationError, Message::ErrorCaption, {});
        return kFailure;
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
    return kSuccess;
}

using DeviceRun = int (*)(const Args&, std::ostream&, std::ostream&, SerialLine*, Clock*);

DeviceRun FindRun(const std::string& command) {
    if (command == "download") return Download;
    if (command == "reset") return Reset;
    if (command == "settings") return Settings;
    if (command == "default-setup") return DefaultSetupRun;
    return nullptr;
}

} // namespace

// The serial ports present, as JSON or a table; nothing is opened.
int PortsCommand(const Args& a, std::ostream& out, std::ostream&) {
    const std::vector<SerialPortEntry> ports = Ports(a).ports();
    if (a.has("--human")) {
        if (ports.empty()) out << Say(a, Phrase::NoPortsPresent) << '\n';
        for (const SerialPortEntry& p : ports) {
            out << p.label();
            if (p.usb()) {
                char ids[32];
                std::snprintf(ids, sizeof ids, "  USB %04x:%04x", unsigned{*p.vendorId},
                              unsigned{p.productId.value_or(0)});
                out << ids;
            }
            if (!p.manufacturer.empty()) out << "  " << p.manufacturer;
            if (!p.serialNumber.empty()) out << "  #" << p.serialNumber;
            out << '\n';
        }
        return kSuccess;
    }
    JsonWriter j;
    j.beginArray();
    for (const SerialPortEntry& p : ports) {
        j.beginObject();
        j.key("name").value(p.systemName);
        j.key("location").value(p.location);
        j.key("description").value(p.description);
        j.key("manufacturer").value(p.manufacturer);
        j.key("serial_number").value(p.serialNumber);
        j.key("usb").value(p.usb());
        j.key("vendor_id");
        p.vendorId ? j.value(std::int64_t{*p.vendorId}) : j.null();
        j.key("product_id");
        p.productId ? j.value(std::int64_t{*p.productId}) : j.null();
        j.endObject();
    }
    j.endArray();
    out << j.str() << '\n';
    return kSuccess;
}

int DownloadCommand(const Args& args, std::ostream& out, std::ostream& err) {
    return Download(args, out, err, nullptr, nullptr);
}
int ResetCommand(const Args& args, std::ostream& out, std::ostream& err) {
    return Reset(args, out, err, nullptr, nullptr);
}
int SettingsCommand(const Args& args, std::ostream& out, std::ostream& err) {
    return Settings(args, out, err, nullptr, nullptr);
}
int DefaultSetupCommand(const Args& args, std::ostream& out, std::ostream& err) {
    return DefaultSetupRun(args, out, err, nullptr, nullptr);
}

int RunDeviceCommand(const std::string& command, const std::vector<std::string>& args,
                     Language language, std::ostream& out, std::ostream& err, SerialLine* line,
                     Clock* clock) {
    std::vector<std::string> raw = {command};
    raw.insert(raw.end(), args.begin(), args.end());
    raw.insert(raw.end(), {"--lang", language == Language::Polish ? "pl" : "en"});
    Args parsed;
    if (const auto problem = Parse(raw, parsed)) {
        Fail(err, *problem + " (orlomat --help)");
        return kUsage;
    }
    const DeviceRun run = FindRun(command);
    return run != nullptr ? run(parsed, out, err, line, clock) : kUsage;
}

} // namespace orlomat
