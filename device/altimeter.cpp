#include "device/altimeter.h"

#include "core/flight_record.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <sys/resource.h>
#endif

#include <cerrno>

namespace orlomat {

void PriorityBoost::raise() {
    if (raised_) return;
#ifdef _WIN32
    previous_ = static_cast<int>(GetPriorityClass(GetCurrentProcess()));
    raised_ = SetPriorityClass(GetCurrentProcess(), REALTIME_PRIORITY_CLASS) != 0;
#else
    errno = 0;
    previous_ = getpriority(PRIO_PROCESS, 0);
    raised_ = errno == 0 && setpriority(PRIO_PROCESS, 0, -20) == 0;
#endif
}

void PriorityBoost::restore() {
    if (!raised_) return;
    raised_ = false;
#ifdef _WIN32
    SetPriorityClass(GetCurrentProcess(), static_cast<DWORD>(previous_));
#else
    setpriority(PRIO_PROCESS, 0, previous_);
#endif
}

bool StreamEnded(const std::uint8_t* bytes, std::size_t received) {
    if (received < 32) return false;
    for (std::size_t pair = 0; pair < 6; ++pair) {
        const std::size_t last = received - 1 - 2 * pair;
        if (bytes[last] == 0xFF && bytes[last - 1] == 0xFF) return true;
    }
    return false;
}

std::uint32_t AnnouncedBytes(std::uint32_t blockCount) {
    // The largest record, rounded up to whole blocks.
    constexpr std::uint32_t kMostBlocks = (kMaxRecordSize + 31) / 32;
    return blockCount <= kMostBlocks ? blockCount * 32u : 0;
}

std::string ProgressText(std::uint32_t received, std::uint32_t expected) {
    if (expected == 0) return "   " + std::to_string(received) + " B";
    return "   " + std::to_string(static_cast<std::uint32_t>(received * 100u) / expected) + " %";
}

void Altimeter::send(char letter, bool flushFirst) {
    channel.clearReply();
    if (flushFirst) channel.flush();
    const auto& frame = command.frame(letter);
    channel.PortWrite(frame.data(), frame.size());
}

Reply Altimeter::exchange(char letter, int pauseMs) {
    send(letter);
    Reply r;
    r.noisy = !channel.PortWaitReply(pauseMs);
    if (!r.noisy) r.length = channel.PortRead();
    return r;
}

DownloadOutcome Altimeter::Download(const std::string& port, DeviceUi& ui) {
    DownloadOutcome out;
    channel.PortOpen(port);
    if (channel.state() == Channel::State::Failed) return out;
    // The transfer runs at a raised priority; every message is shown at the normal one.
    PriorityBoost boost;
    const auto say = [&](DeviceEvent event) {
        boost.restore();
        ui.report(event);
    };

    ui.downloadBegins();
    struct Ending {
        DeviceUi& ui;
        bool done = false;
        void operator()() {
            if (!done) ui.downloadEnds();
            done = true;
        }
        ~Ending() { (*this)(); }
    } ending{ui};

    // A stop before the stream is asked for leaves everything as it was.
    const auto stoppedEarly = [&] {
        ending();
        channel.PortClose();
        out.stopped = true;
        out.result = DownloadOutcome::Result::Stopped;
        return out;
    };
    const auto& reply = channel.buffer();
    const Reply status = exchange('4');
    if (channel.stopping()) return stoppedEarly();
    if (status.length != 8) {
        ending();
        channel.PortClose();
        out.noisy = status.noisy;
        say(status.noisy ? DeviceEvent::LineBusy : DeviceEvent::NoStatus);
        out.result = DownloadOutcome::Result::NoStatus;
        return out;
    }
    if ((reply[7] & 0x80) == 0) {
        out.newMeasurement = false;
        say(DeviceEvent::NoNewMeasurement);
        boost.raise();
    }

    const Reply size = exchange('D');
    calibrationWord = 10000;
    if (size.length == 8) {
        calibrationWord = ReadU16(reply, 2);
        if (calibrationWord < 9700 || calibrationWord > 10500) calibrationWord = 10000;
        blockCount = ReadU16(reply, 4);
    }
    if (channel.stopping()) return stoppedEarly();

    ui.prepareForFlight();
    channel.flush();
    send('1', false);
    ui.streamStarted();

    const std::uint32_t expected = AnnouncedBytes(blockCount);
    out.expectedBytes = expected;
    ui.progress(ProgressText(0, expected));
    std::uint32_t received = 0;
    int quietMs = 0;
    for (int pass = 0; pass < kStreamPasses; ++pass) {
        channel.clock().sleepMs(kStreamPassMs);
        const std::uint32_t got = channel.PortRead();
        received += got;
        quietMs = got > 0 ? 0 : quietMs + kStreamPassMs;
        if (channel.broken()) {
            out.lineBroke = true;
            break;
        }
        ui.progress(ProgressText(received, expected));
        ui.progressBytes(received, expected);
        ui.streamQuiet(quietMs);
        if (StreamEnded(reply.data(), received)) {
            out.endFound = true;
            break;
        }
        if (channel.stopping()) {
            out.stopped = true;
            break;
        }
    }
    ending();
    boost.restore();
    downloadLength = received;
    out.record.assign(reply.begin(), reply.begin() + received);
    channel.PortClose();

    if (received < kHeaderSize || out.lineBroke) {
        // Whatever arrived stays: a broken line keeps a decodable record for saving. A user who
        // stopped the stream knows why it is short.
        if (!out.stopped || out.lineBroke) ui.report(DeviceEvent::StreamBroken);
        if (received < kHeaderSize) {
            out.result = DownloadOutcome::Result::TooShort;
            return out;
        }
    }
    WriteU16(out.record, 8, static_cast<std::uint16_t>(calibrationWord));
    out.result = DownloadOutcome::Result::Received;
    return out;
}

DeviceResult Altimeter::Reset(const std::string& port, DeviceUi& ui, bool askFirst) {
    if (askFirst && !ui.confirmReset()) return DeviceResult::Cancelled;
    channel.PortOpen(port);
    if (channel.state() == Channel::State::Failed) return DeviceResult::PortFailed;
    command.set(2, '2');
    command.set(3, '3');
    DeviceResult result = DeviceResult::NoReply;
    if (exchange('2').noisy) {
        channel.PortClose();
        ui.report(DeviceEvent::LineBusy);
        return DeviceResult::LineBusy;
    }
    if (channel.receiveCount >= 3) {
        const bool acknowledged = ResetAcknowledged(channel.buffer(), channel.receiveCount);
        result = acknowledged ? DeviceResult::Ok : DeviceResult::Refused;
        ui.report(acknowledged ? DeviceEvent::ResetDone : DeviceEvent::ResetRefused);
    }
    channel.PortClose();
    return result;
}

} // namespace orlomat
