// The exchanges with the altimeter: command frames from one command buffer, the download
// of the last flight and the reset. They report what happens through DeviceUi as events and
// results; the window and the command-line tool run the same code and choose their own words.
#pragma once

#include "device/channel.h"

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace orlomat {

// The single 8-byte command buffer: "e", the command letter, then parameter bytes that a
// command without parameters of its own leaves as the previous command left them.
class CommandBuffer {
public:
    const std::array<std::uint8_t, 8>& frame(char letter) {
        bytes_[0] = 'e';
        bytes_[1] = static_cast<std::uint8_t>(letter);
        return bytes_;
    }
    void set(std::size_t index, std::uint8_t value) { bytes_[index] = value; }
    const std::array<std::uint8_t, 8>& bytes() const { return bytes_; }

private:
    std::array<std::uint8_t, 8> bytes_{};
};

// What an exchange has to tell its user on the way; each device UI words it in its own way.
enum class DeviceEvent {
    NoStatus,          // the download's status request had no proper reply
    LineBusy,          // the line never went quiet: another device is talking
    NoNewMeasurement,  // the altimeter holds no new flight: the previous one comes
    StreamBroken,      // the flight stream broke off, or brought less than a header
    ResetDone,         // the reset was acknowledged
    ResetRefused,      // the reset was answered with a refusal
    SettingsRefused,   // a settings write was not taken (or the line never went quiet)
    SettingsWritten,   // the last settings write, the delay, was acknowledged
    DefaultStepFailed, // the default setup's reset or delay step was not acknowledged
};

class DeviceUi {
public:
    virtual ~DeviceUi() = default;
    virtual void report(DeviceEvent event) = 0;
    // Asked before a reset when the user starts it; false leaves the altimeter alone.
    virtual bool confirmReset() = 0;
    // The reading indicator appears and the flight's group shows the altimeter as source.
    virtual void downloadBegins() {}
    // Every way out of a download after downloadBegins: the indicators are hidden.
    virtual void downloadEnds() {}
    // Before the stream: undo zoom, clear the current flight's curves, set the left axis.
    virtual void prepareForFlight() {}
    // The stream has been asked for: the maximum and minimum fields go blank.
    virtual void streamStarted() {}
    // The progress text ("   42 %"), shown and repainted at once.
    virtual void progress(const std::string&) {}
    // The same progress in bytes (expected 0: the size was not announced).
    virtual void progressBytes(std::uint32_t /*received*/, std::uint32_t /*expected*/) {}
    // After every pass of the stream: how long no byte has come (0 when some just did).
    virtual void streamQuiet(int /*ms*/) {}
};

// A stream that has brought nothing for this long is called stalled (the download goes on
// until its own limit, kStreamPasses passes, or a stop).
constexpr int kStallMs = 3000;

// What became of an exchange with the altimeter: one result for every exchange, which the
// window turns into its messages and the command line into exit codes.
enum class DeviceResult {
    Ok,         // answered and acknowledged as the altimeter should
    PortFailed, // the port could not be opened
    NoReply,    // nothing came back
    WrongReply, // a reply of the wrong length or content
    Refused,    // the altimeter answered that it did not take the command
    LineBusy,   // the line never went quiet: not an altimeter
    Incomplete, // a flight stream that ended short, broke off or was stopped (what came is kept)
    Cancelled,  // the user did not confirm, or stopped the exchange before a flight came
};

// A command's reply as it came back: its bytes lie from byte 0 of the reply buffer.
struct Reply {
    std::uint32_t length = 0;
    bool noisy = false; // the line never went quiet: nothing that arrived is to be trusted
};

struct DownloadOutcome {
    // Stopped: the user stopped it before the stream was asked for; nothing changed.
    enum class Result { PortFailed, NoStatus, Stopped, TooShort, Received };
    Result result = Result::PortFailed;
    bool newMeasurement = true;
    bool lineBroke = false;           // the port failed during the stream
    bool endFound = false;            // the 0xFF 0xFF pair arrived
    bool noisy = false;               // the status reply never ended: another device talks
    bool stopped = false;             // the user stopped the exchange
    std::uint32_t expectedBytes = 0;  // announced by "eD" (0: not announced, see AnnouncedBytes)
    std::vector<std::uint8_t> record; // every byte received (calibration word set when >= 32)
    // The whole flight arrived: the end pair came and the line held.
    bool complete() const { return result == Result::Received && endFound && !lineBroke; }
    DeviceResult status() const {
        switch (result) {
        case Result::PortFailed:
            return DeviceResult::PortFailed;
        case Result::NoStatus:
            return noisy ? DeviceResult::LineBusy : DeviceResult::WrongReply;
        case Result::Stopped:
            return DeviceResult::Cancelled;
        case Result::TooShort:
            return stopped ? DeviceResult::Cancelled : DeviceResult::WrongReply;
        case Result::Received:
            break;
        }
        return complete() ? DeviceResult::Ok : DeviceResult::Incomplete;
    }
};

class Altimeter {
public:
    static constexpr int kReplyPauseMs = 250;
    static constexpr int kStreamPassMs = 100;
    static constexpr int kStreamPasses = 1020;

    Altimeter(SerialLine& line, Clock& clock) : channel(line, clock) {}

    // The last flight. When channel.stopRequested says so, the download ends within one pass
    // of the stream (or one pause of a reply wait), closes the port and keeps what came.
    DownloadOutcome Download(const std::string& port, DeviceUi& ui);
    DeviceResult Reset(const std::string& port, DeviceUi& ui, bool askFirst = true);

    // The previous reply cleared, optional flush, the frame of `letter` from the command buffer.
    void send(char letter, bool flushFirst = true);
    // send, one reply wait, one read.
    Reply exchange(char letter, int pauseMs = kReplyPauseMs);

    Channel channel;
    CommandBuffer command;
    std::uint32_t blockCount = 0; // from the last 8-byte "eD" reply
    std::uint32_t calibrationWord = 10000;
    std::uint32_t downloadLength = 0; // bytes received by the last download
};

// The altimeter's acknowledgement of a reset: bytes 1 and 2 of the reply are 0xAA (at least
// three bytes arrived).
inline bool ResetAcknowledged(const std::array<std::uint8_t, kReplyBufferSize>& reply,
                              std::int32_t receiveCount) {
    return receiveCount >= 3 && reply[1] == 0xAA && reply[2] == 0xAA;
}

// The stream is complete when a 0xFF 0xFF pair stands among the last six byte pairs counted
// back from the end of what has arrived.
bool StreamEnded(const std::uint8_t* bytes, std::size_t received);

// The recording's size from the block count of "eD", or 0 when there is none: altimeters
// that do not report blocks send their firmware version there, which read as blocks is far
// beyond any record.
std::uint32_t AnnouncedBytes(std::uint32_t blockCount);

// "   N %" while the size is known, else the bytes received so far ("   N B").
std::string ProgressText(std::uint32_t received, std::uint32_t expected);

// Raises the process priority for a transfer (where the system allows it); restore() and
// the destructor set it back. Messages are shown only at the normal priority.
class PriorityBoost {
public:
    PriorityBoost() { raise(); }
    ~PriorityBoost() { restore(); }
    PriorityBoost(const PriorityBoost&) = delete;
    PriorityBoost& operator=(const PriorityBoost&) = delete;
    void raise();
    void restore();
    bool raised() const { return raised_; }

private:
    int previous_ = 0;
    bool raised_ = false;
};

} // namespace orlomat
