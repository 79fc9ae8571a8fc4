// orlomat-emulator: an altimeter on a pseudo-terminal. Prints the port name ("pts/3") as its
// first line, then answers the altimeter's commands until it is stopped.
//
// It is as strict as the altimeter: a frame that is not exactly as the altimeter expects it
// (8 bytes, the fixed parameter bytes, values in range), or that arrives while the program's
// end of the line is not set up as the altimeter's line (115 200 baud, 8 data bits, no
// parity, 2 stop bits, raw), gets no reply and is written to the --log file.
#include "tools/synth/flight_synth.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/inotify.h>
#include <termios.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>
#include <string>
#include <thread>
#include <vector>

namespace {

constexpr double kLineBytesPerSecond = 115200.0 / 11.0; // 8 data bits, 2 stop bits

struct Options {
    std::string flightFile;
    orlomat::SynthParams synth;
    bool newMeasurement = true;
    bool blockCountInSize = false; // "eD" bytes 4-5 as a block count instead of a version
    std::uint16_t calibrationWord = 10123;
    std::uint8_t version = 4, year = 16;
    // Faults.
    bool silent = false;
    int replyBytes = -1; // every reply cut or padded to this many bytes
    bool wrongAck = false;
    bool garbage = false;
    long cutAfter = -1;    // the stream stops after this many bytes
    bool noMarker = false; // the stream has no end marker
    double slow = 1.0;     // the stream runs this many times slower than the line
    long unplugAfter = -1; // the pty closes after this many stream bytes
    int latencyMs = 3;     // before every reply
    int babbleMs = -1;     // not an altimeter: a text line at this interval, no replies
    long staleBytes = 0;   // bytes already waiting when the program first opens the port
    std::string logFile;   // refused frames and line settings
    std::string link;      // a fixed name for the port: a symbolic link, gone when it stops

    // Every frame taken, one line each: what the program asked for.
    std::string framesFile;
};

struct DeviceState {
    std::uint16_t competitor = 12, serial = 345;
    std::int8_t temperature = 21;
    std::uint16_t level = 40; // quarter metres
    std::uint8_t samplingCode = 2;
    std::uint8_t manualZeroing = 0;
    std::uint16_t delay = 300; // hundredths of a second
};

volatile std::sig_atomic_t g_stop = 0;

std::FILE* g_log = nullptr;

void Write(std::FILE* file, const std::string& what, const std::uint8_t* frame, std::size_t n) {
    if (file == nullptr) return;
    std::string line = what;
    for (std::size_t i = 0; i < n; ++i) {
        char hex[4];
        std::snprintf(hex, sizeof hex, " %02X", frame[i]);
        line += hex;
    }
    std::fprintf(file, "%s\n", line.c_str());
    std::fflush(file);
}

void Log(const std::string& what, const std::uint8_t* frame = nullptr, std::size_t n = 0) {
    Write(g_log, what, frame, n);
}

std::FILE* g_frames = nullptr;

// What is wrong with the line settings of the program's end, or nothing.
std::string LineSettingsFault(int slave) {
    termios t{};
    if (tcgetattr(slave, &t) != 0) return "line settings unreadable";
    std::string wrong;
    const auto check = [&](bool ok, const char* what) {
        if (!ok) wrong += std::string(wrong.empty() ? "" : ", ") + what;
    };
    check(cfgetospeed(&t) == B115200, "baud rate");
    check((t.c_cflag & CSIZE) == CS8, "data bits");
    check((t.c_cflag & PARENB) == 0, "parity");
    check((t.c_cflag & CSTOPB) != 0, "stop bits");
    check((t.c_cflag & CRTSCTS) == 0, "hardware flow control");
    check((t.c_iflag & (IXON | IXOFF)) == 0, "software flow control");
    check((t.c_iflag & (ICRNL | INLCR | IGNCR | ISTRIP)) == 0 &&
              (t.c_lflag & (ICANON | ECHO | ISIG | IEXTEN)) == 0 && (t.c_oflag & OPOST) == 0,
          "raw mode");
    return wrong.empty() ? std::string() : "line settings: " + wrong;
}

// What is wrong with a command frame as the altimeter reads it, or nothing.
std::string FrameFault(const std::uint8_t* f) {
    const auto u16 = [&](int at) { return f[at] | (f[at + 1] << 8); };
    switch (f[1]) {
    case '1':
    case '4':
    case 'D':
    case 'B':
    case '6':
        return {};
    case '2':
        return f[2] == '2' && f[3] == '3' ? std::string() : "reset frame without \"23\"";
    case '5':
        if (f[4] != 0) return "settings frame: byte 4 not zero";
        if (u16(2) > 10000) return "settings frame: competitor above 10000";
        if (u16(5) > 800) return "settings frame: level above 200 m";
        if (f[7] > 5) return "settings frame: no such sampling code";
        return {};
    case 'C':
        return f[2] <= 1 ? std::string() : "manual zeroing frame: byte 2 not 0 or 1";
    case '7':
        return u16(2) <= 30000 ? std::string() : "delay frame: above 300 s";
    default:
        return "unknown command";
    }
}

void Usage() {
    std::fprintf(stderr,
                 "usage: orlomat-emulator [--flight FILE | --code N --competitor N --serial N "
                 "--peak M --seed N]\n"
                 "  [--no-new] [--blocks] [--calibration W] [--version V YY]\n"
                 "  [--latency MS] [--log FILE] [--frames FILE] [--link PATH]\n"
                 "  faults: [--silent] [--reply-bytes N] [--wrong-ack] [--garbage]\n"
                 "          [--cut-after K] [--no-marker] [--slow X] [--unplug-after K]\n"
                 "          [--babble MS] [--stale N]\n");
}

bool WriteAll(int fd, const std::uint8_t* p, std::size_t n) {
    while (n > 0) {
        const ssize_t w = ::write(fd, p, n);
        if (w < 0) {
            if (errno == EAGAIN || errno == EINTR) {
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
                continue;
            }
            return false;
        }
        p += w;
        n -= static_cast<std::size_t>(w);
    }
    return true;
}

class Emulator {
public:
    Emulator(int master, int slave, int watch, Options o, std::vector<std::uint8_t> record)
        : fd_(master), slave_(slave), watch_(watch), o_(std::move(o)), record_(std::move(record)) {
        const orlomat::FlightHeader h = orlomat::ParseHeader(record_);
        st_.competitor = h.competitor;
        st_.serial = h.serial;
        st_.samplingCode = static_cast<std::uint8_t>(h.samplingCode());
        if (o_.noMarker) StripMarker();
    }

    // True when the program closed its end since the last call: what was meant for it is
    // discarded, as a closed connection takes nothing with it.
    bool ConnectionClosed() {
        if (watch_ < 0) return false;
        alignas(inotify_event) char buf[4096];
        bool closed = false;
        ssize_t n;
        while ((n = ::read(watch_, buf, sizeof buf)) > 0)
            for (char* p = buf; p < buf + n;) {
                const auto* e = reinterpret_cast<const inotify_event*>(p);
                if ((e->mask & IN_CLOSE) != 0) closed = true;
                p += sizeof(inotify_event) + e->len;
            }
        if (closed) tcflush(slave_, TCIFLUSH);
        return closed;
    }

    // Returns false when the emulator should stop (the pty was "unplugged").
    bool Handle(const std::uint8_t* cmd) {
        if (const std::string fault = LineSettingsFault(slave_); !fault.empty()) {
            Log("refused " + fault + ":", cmd, 8);
            return true;
        }
        if (const std::string fault = FrameFault(cmd); !fault.empty()) {
            Log("refused " + fault + ":", cmd, 8);
            return true;
        }
        Write(g_frames, std::string("frame ") + static_cast<char>(cmd[1]) + ":", cmd, 8);
        if (o_.latencyMs > 0) std::this_thread::sleep_for(std::chrono::milliseconds(o_.latencyMs));
        switch (cmd[1]) {
        case '4': {
            std::uint8_t r[8] = {};
            Put16(r, 0, st_.competitor);
            Put16(r, 2, st_.serial);
            r[4] = static_cast<std::uint8_t>(st_.temperature);
            Put16(r, 5, st_.level);
            r[7] = static_cast<std::uint8_t>(st_.samplingCode | (o_.newMeasurement ? 0x80 : 0));
            return Reply(r, 8);
        }
        case 'D': {
            std::uint8_t r[8] = {};
            Put16(r, 2, o_.calibrationWord);
            if (o_.blockCountInSize) {
                Put16(r, 4, static_cast<std::uint16_t>((record_.size() + 31) / 32));
            } else {
                r[4] = o_.version;
                r[5] = o_.year;
            }
            return Reply(r, 8);
        }
        case '1':
            return Stream();
        case '2': {
            const std::uint8_t r[3] = {0x00, 0xAA,
                                       static_cast<std::uint8_t>(o_.wrongAck ? 0x55 : 0xAA)};
            return Reply(r, 3);
        }
        case 'B': {
            std::uint8_t r[8] = {st_.manualZeroing};
            return Reply(r, 8);
        }
        case '6': {
            std::uint8_t r[8] = {};
            Put16(r, 0, st_.delay);
            return Reply(r, 8);
        }
        case '5':
            st_.competitor = Get16(cmd, 2);
            st_.level = Get16(cmd, 5);
            st_.samplingCode = cmd[7] & 0x0F;
            return Ack();
        case 'C':
            st_.manualZeroing = cmd[2] & 1;
            return Ack();
        case '7':
            st_.delay = Get16(cmd, 2);
            return Ack();
        default:
            return true; // unknown commands are ignored
        }
    }

private:
    static void Put16(std::uint8_t* b, int at, std::uint16_t v) {
        b[at] = static_cast<std::uint8_t>(v & 0xFF);
        b[at + 1] = static_cast<std::uint8_t>(v >> 8);
    }
    static std::uint16_t Get16(const std::uint8_t* b, int at) {
        return static_cast<std::uint16_t>(b[at] | (b[at + 1] << 8));
    }

    bool Ack() {
        const std::uint8_t r[2] = {0x00, static_cast<std::uint8_t>(o_.wrongAck ? 0x5A : 0xA5)};
        return Reply(r, 2);
    }

    bool Reply(const std::uint8_t* bytes, std::size_t n) {
        if (o_.silent) return true;
        std::vector<std::uint8_t> out(bytes, bytes + n);
        if (o_.replyBytes >= 0) out.resize(static_cast<std::size_t>(o_.replyBytes), 0x00);
        if (o_.garbage)
            for (auto& b : out)
                b = static_cast<std::uint8_t>(rng_());
        return WriteAll(fd_, out.data(), out.size());
    }

    void StripMarker() {
        for (std::size_t i = orlomat::kHeaderSize; i + 4 <= record_.size(); i += 4)
            if (record_[i + 2] == 0xFF && record_[i + 3] == 0xFF) record_[i + 3] = 0xFE;
        // Nor may any other 0xFF 0xFF pair end the stream early.
        for (std::size_t i = 1; i < record_.size(); ++i)
            if (record_[i] == 0xFF && record_[i - 1] == 0xFF) record_[i] = 0xFE;
    }

    // The record at the line's rate, in slices of 10 ms.
    bool Stream() {
        if (o_.silent) return true;
        const auto start = std::chrono::steady_clock::now();
        const double rate = kLineBytesPerSecond / o_.slow;
        std::size_t total = record_.size();
        if (o_.cutAfter >= 0) total = std::min(total, static_cast<std::size_t>(o_.cutAfter));
        std::size_t sent = 0;
        while (sent < total && !g_stop) {
            if (ConnectionClosed()) return true; // the program went away mid-stream
            if (o_.unplugAfter >= 0 && sent >= static_cast<std::size_t>(o_.unplugAfter))
                return false;
            const double elapsed =
                std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
            std::size_t due = std::min(total, static_cast<std::size_t>(elapsed * rate) + 1);
            if (o_.unplugAfter >= 0) due = std::min(due, static_cast<std::size_t>(o_.unplugAfter));
            if (due > sent) {
                if (!WriteAll(fd_, record_.data() + sent, due - sent)) return false;
                sent = due;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        if (o_.unplugAfter >= 0 && sent >= static_cast<std::size_t>(o_.unplugAfter)) return false;
        o_.newMeasurement = false; // the flight has been read
        return true;
    }

    int fd_;
    int slave_;
    int watch_;
    Options o_;
    std::vector<std::uint8_t> record_;
    DeviceState st_;
    std::mt19937 rng_{7};
};

} // namespace

int main(int argc, char** argv) {
    Options o;
    o.synth.glideSeconds = 90.0f;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        const auto next = [&]() -> const char* {
            if (i + 1 >= argc) {
                Usage();
                std::exit(2);
            }
            return argv[++i];
        };
        if (a == "--flight")
            o.flightFile = next();
        else if (a == "--code")
            o.synth.samplingCode = static_cast<unsigned>(std::atoi(next()));
        else if (a == "--competitor")
            o.synth.competitor = static_cast<std::uint16_t>(std::atoi(next()));
        else if (a == "--serial")
            o.synth.serial = static_cast<std::uint16_t>(std::atoi(next()));
        else if (a == "--peak")
            o.synth.peakAltitude = std::strtof(next(), nullptr);
        else if (a == "--glide")
            o.synth.glideSeconds = std::strtof(next(), nullptr);
        else if (a == "--seed")
            o.synth.seed = static_cast<std::uint32_t>(std::atol(next()));
        else if (a == "--no-new")
            o.newMeasurement = false;
        else if (a == "--blocks")
            o.blockCountInSize = true;
        else if (a == "--calibration")
            o.calibrationWord = static_cast<std::uint16_t>(std::atoi(next()));
        else if (a == "--version") {
            o.version = static_cast<std::uint8_t>(std::atoi(next()));
            o.year = static_cast<std::uint8_t>(std::atoi(next()));
        } else if (a == "--silent")
            o.silent = true;
        else if (a == "--reply-bytes")
            o.replyBytes = std::atoi(next());
        else if (a == "--wrong-ack")
            o.wrongAck = true;
        else if (a == "--garbage")
            o.garbage = true;
        else if (a == "--cut-after")
            o.cutAfter = std::atol(next());
        else if (a == "--no-marker")
            o.noMarker = true;
        else if (a == "--slow")
            o.slow = std::max(1.0, std::strtod(next(), nullptr));
        else if (a == "--unplug-after")
            o.unplugAfter = std::atol(next());
        else if (a == "--latency")
            o.latencyMs = std::max(0, std::atoi(next()));
        else if (a == "--babble")
            o.babbleMs = std::max(1, std::atoi(next()));
        else if (a == "--stale")
            o.staleBytes = std::max(0L, std::atol(next()));
        else if (a == "--log")
            o.logFile = next();
        else if (a == "--frames")
            o.framesFile = next();
        else if (a == "--link")
            o.link = next();
        else {
            Usage();
            return 2;
        }
    }

    std::vector<std::uint8_t> record;
    if (!o.flightFile.empty()) {
        std::FILE* f = std::fopen(o.flightFile.c_str(), "rb");
        if (f == nullptr) {
            std::perror(o.flightFile.c_str());
            return 1;
        }
        record.resize(orlomat::kMaxRecordSize);
        record.resize(std::fread(record.data(), 1, record.size(), f));
        std::fclose(f);
    } else {
        record = orlomat::SynthesizeFlight(o.synth);
    }

    const int master = posix_openpt(O_RDWR | O_NOCTTY);
    if (master < 0 || grantpt(master) != 0 || unlockpt(master) != 0) {
        std::perror("pseudo-terminal");
        return 1;
    }
    const char* slaveName = ptsname(master);
    // Hold the other end open in raw mode, so the line stays up between the program's opens.
    const int slave = ::open(slaveName, O_RDWR | O_NOCTTY);
    termios t{};
    if (slave < 0 || tcgetattr(slave, &t) != 0) {
        std::perror(slaveName);
        return 1;
    }
    cfmakeraw(&t);
    tcsetattr(slave, TCSANOW, &t);
    fcntl(master, F_SETFL, fcntl(master, F_GETFL) | O_NONBLOCK);

    std::signal(SIGTERM, [](int) { g_stop = 1; });
    std::signal(SIGINT, [](int) { g_stop = 1; });
    std::signal(SIGPIPE, SIG_IGN);

    const std::string name = slaveName;
    if (!o.logFile.empty()) {
        g_log = std::fopen(o.logFile.c_str(), "a");
        if (g_log == nullptr) {
            std::perror(o.logFile.c_str());
            return 1;
        }
    }
    if (!o.framesFile.empty()) {
        g_frames = std::fopen(o.framesFile.c_str(), "a");
        if (g_frames == nullptr) {
            std::perror(o.framesFile.c_str());
            return 1;
        }
    }
    // Plugged in at a fixed name, as an adapter appears at its device file; unplugged when the
    // emulator ends.
    struct Link {
        std::string path;
        ~Link() {
            if (!path.empty()) ::unlink(path.c_str());
        }
    } link;
    if (!o.link.empty()) {
        ::unlink(o.link.c_str());
        if (::symlink(slaveName, o.link.c_str()) != 0) {
            std::perror(o.link.c_str());
            return 1;
        }
        link.path = o.link;
    }
    // The program's opens and closes of its end of the line.
    const int watch = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    if (watch >= 0) inotify_add_watch(watch, slaveName, IN_CLOSE);
    if (o.staleBytes > 0) {
        // A reply meant for a program that was closed mid-exchange, still in the queue.
        const std::vector<std::uint8_t> stale(static_cast<std::size_t>(o.staleBytes), 0xA5);
        WriteAll(master, stale.data(), stale.size());
    }

    std::printf("%s\n", name.rfind("/dev/", 0) == 0 ? name.c_str() + 5 : name.c_str());
    std::fflush(stdout);

    const bool babbling = o.babbleMs > 0;
    const int babbleMs = o.babbleMs;
    Emulator emulator(master, slave, watch, o, std::move(record));
    std::vector<std::uint8_t> pending;
    auto lastByte = std::chrono::steady_clock::now();
    auto nextBabble = lastByte;
    while (!g_stop) {
        pollfd p{master, POLLIN, 0};
        const int ready = poll(&p, 1, babbling ? std::min(babbleMs, 20) : 20);
        const auto now = std::chrono::steady_clock::now();
        if (emulator.ConnectionClosed()) pending.clear();
        if (babbling && now >= nextBabble) {
            // Not an altimeter: a GPS receiver's sentence, whatever the program sends.
            static const char kLine[] =
                "$GPGGA,123519,4807.038,N,01131.000,E,1,08,0.9,545.4,M,46.9,M,,*47\r\n";
            WriteAll(master, reinterpret_cast<const std::uint8_t*>(kLine), sizeof kLine - 1);
            nextBabble = now + std::chrono::milliseconds(babbleMs);
        }
        if (ready <= 0) {
            // A frame cut short is dropped, never glued to the next command.
            if (!pending.empty() && now - lastByte > std::chrono::milliseconds(50)) {
                Log("refused partial frame:", pending.data(), pending.size());
                pending.clear();
            }
            continue;
        }
        std::uint8_t buf[256];
        const ssize_t n = ::read(master, buf, sizeof buf);
        if (n <= 0) continue;
        lastByte = now;
        if (babbling) continue;
        pending.insert(pending.end(), buf, buf + n);
        // Frames are 8 bytes starting with "e"; anything else before a frame is skipped.
        while (!pending.empty()) {
            if (pending.front() != 'e') {
                Log("refused stray byte:", pending.data(), 1);
                pending.erase(pending.begin());
                continue;
            }
            if (pending.size() < 8) break;
            const std::vector<std::uint8_t> frame(pending.begin(), pending.begin() + 8);
            pending.erase(pending.begin(), pending.begin() + 8);
            if (!emulator.Handle(frame.data())) {
                ::close(master); // unplugged
                ::close(slave);
                return 0;
            }
        }
    }
    ::close(master);
    ::close(slave);
    return 0;
}
