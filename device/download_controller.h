// The window's download of a flight: the exchange runs on a thread of its own, so that the
// window's thread never waits for the altimeter, and the controller keeps its state in one
// place. Every step the download reports reaches the window's DeviceUi on the window's
// thread, in order, and the download waits until the window has taken it (a message box
// holds the download as it always did; the frames and their pauses are those of
// Altimeter::Download).
#pragma once

#include "device/altimeter.h"

#include <QObject>

#include <atomic>
#include <functional>
#include <memory>
#include <string>

class QThread;

namespace orlomat {

class DownloadController : public QObject {
public:
    enum class State {
        Idle,      // no download
        Opening,   // the port is being opened
        Asking,    // status and size asked, the stream not yet
        Receiving, // the stream comes in
        Stalled,   // the stream has brought nothing for kStallMs
        Stopping,  // a stop was asked for; the download ends within a pass
        Done,      // over; the outcome is being handed to the window
    };

    // `ui` is the window's, called on the thread that makes the controller. The controller
    // takes over `altimeter.channel.stopRequested`.
    DownloadController(Altimeter& altimeter, DeviceUi& ui);
    ~DownloadController() override;
    DownloadController(const DownloadController&) = delete;
    DownloadController& operator=(const DownloadController&) = delete;

    // Starts the download of `port` unless one runs; `finished` gets its outcome on this
    // thread when it is over. A stop asked before this call does not reach the new download.
    bool start(const std::string& port, std::function<void(DownloadOutcome)> finished);
    // The user's stop (Escape, the stop button, closing the window, a signal): from any thread.
    void stop();
    bool stopping() const { return stop_.load(); }
    State state() const { return state_.load(); }
    bool busy() const { return state_.load() != State::Idle; }
    // Blocks, handing the download's steps to the window, until no download runs. For the
    // program's end and for tests.
    void waitUntilIdle();
    // Runs `step` on the controller's thread and returns when it has run: for what the
    // download's thread has to tell the window outside DeviceUi (a port that did not open).
    void inWindow(const std::function<void()>& step);

    std::function<void(State)> stateChanged;

private:
    class Relay;
    void setState(State s);
    void finish(DownloadOutcome outcome);
    Altimeter& altimeter_;
    DeviceUi& ui_;
    std::unique_ptr<Relay> relay_;
    std::unique_ptr<QThread> worker_;
    std::function<void(DownloadOutcome)> finished_;
    std::atomic<State> state_{State::Idle};
    std::atomic<bool> stop_{false};
    std::atomic<bool> abandoned_{false}; // the controller is going away: the window is not asked
};

} // namespace orlomat
