// orlomat-emulator: an altimeter on a pseudo-terminal. Prints the port name ("pts/3") as its
// first line, then answers the altimeter's commands until it is stopped.
#include "flight_synth.h"

#include <fcntl.h>
#include <poll.h>
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

void Usage() {
    std::fprintf(stderr,
                 "usage: orlomat-emulator [--flight FILE | --code N --competitor N --serial N "
                 "--peak M --seed N]\n"
                 "  [--no-new] [--blocks] [--calibration W] [--version V YY]\n"
                 "  faults: [--silent] [--reply-bytes N] [--wrong-ack] [--garbage]\n"
                 "          [--cut-after K] [--no-marker] [--slow X] [--unplug-after K]\n");
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
    Emulator(int master, Options o, std::vector<std::uint8_t> record)
        : fd_(master), o_(std::move(o)), record_(std::move(record)) {
        const orlomat::FlightHeader h = orlomat::ParseHeader(record_);
        st_.competitor = h.competitor;
        st_.serial = h.serial;
        st_.samplingCode = static_cast<std::uint8_t>(h.samplingCode());
        if (o_.noMarker) StripMarker();
    }

    // Returns false when the emulator should stop (the pty was "unplugged").
    bool Handle(const std::uint8_t* cmd) {
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
    std::printf("%s\n", name.rfind("/dev/", 0) == 0 ? name.c_str() + 5 : name.c_str());
    std::fflush(stdout);

    Emulator emulator(master, o, std::move(record));
    std::vector<std::uint8_t> pending;
    while (!g_stop) {
        pollfd p{master, POLLIN, 0};
        if (poll(&p, 1, 100) <= 0) continue;
        std::uint8_t buf[256];
        const ssize_t n = ::read(master, buf, sizeof buf);
        if (n <= 0) continue;
        pending.insert(pending.end(), buf, buf + n);
        // Frames are 8 bytes starting with "e"; anything else before a frame is skipped.
        while (!pending.empty()) {
            if (pending.front() != 'e') {
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
