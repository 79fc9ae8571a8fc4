// The window's one door to the altimeter. Every exchange runs on the controller's device
// thread, which lives as long as the controller: a download, and the short exchanges (the
// settings read and written, a reset, the default setup, the search for the port). A serial
// port belongs to the thread that opens it, so the port the settings dialog keeps open
// between its read and its write stays on that thread too.
//
// The window's thread never waits for the altimeter. Every step an exchange reports reaches
// the window's DeviceUi on the window's thread, in order, and the exchange goes on once the
// window has taken it (a message box holds the exchange as it always did; the frames and
// their pauses are those of the device layer).
#pragma once

#include "device/altimeter.h"

#include <QObject>

#include <atomic>
#include <functional>
#include <memory>
#include <string>

class QThread;

namespace orlomat {

class DeviceController : public QObject {
public:
    enum class State {
        Idle,       // the altimeter is free
        Exchanging, // a short exchange runs (the caller waits for it, see exchange())
        Opening,    // a download opens the port
        Asking,     // status and size asked, the stream not yet
        Receiving,  // the stream comes in
        Stalled,    // the stream has brought nothing for kStallMs
        Stopping,   // a stop was asked for; the download ends within a pass
        Done,       // over; the outcome is being handed to the window
    };

    // `ui` is the window's, called on the thread that makes the controller. The controller
    // takes over `altimeter.channel.stopRequested`; the altimeter is used on the device
    // thread only, and the port it left open is closed there when the controller goes.
    DeviceController(Altimeter& altimeter, DeviceUi& ui);
    ~DeviceController() override;
    DeviceController(const DeviceController&) = delete;
    DeviceController& operator=(const DeviceController&) = delete;

    // Starts the download of `port` unless the altimeter is busy; `finished` gets its outcome
    // on this thread when it is over. A stop asked before this call does not reach it.
    bool start(const std::string& port, std::function<void(DownloadOutcome)> finished);
    // A short exchange: `job` runs on the device thread with the window's DeviceUi relayed to
    // it, and the call returns once it has run. Meanwhile this thread goes on painting,
    // answering a screen reader and running its timers; the user's input waits for the end
    // of the exchange, as it always has. False, with nothing run, while a download or another
    // exchange holds the altimeter (a timer or a message box of that one asking).
    bool exchange(const std::function<void(Altimeter&, DeviceUi&)>& job);
    // The user's stop (Escape, the stop button, closing the window, a signal): from any
    // thread. Only a download is stopped; a short exchange ends by itself.
    void stop();
    bool stopping() const { return stop_.load(); }
    State state() const { return state_.load(); }
    bool busy() const { return state_.load() != State::Idle; }
    bool downloading() const { return busy() && state_.load() != State::Exchanging; }
    // Blocks, handing the download's steps to the window, until no download runs. For the
    // program's end and for tests.
    void waitUntilIdle();
    // Runs `step` on the controller's thread and returns when it has run: for what an
    // exchange has to tell the window outside DeviceUi (a port that did not open).
    void inWindow(const std::function<void()>& step);
    // Whether a step an exchange handed to the window runs now: this thread is then inside
    // it (a message box of the exchange waits for the user).
    bool inWindowStep() const { return windowSteps_ > 0; }

    std::function<void(State)> stateChanged;

private:
    class Relay;
    void onDevice(std::function<void()> job);
    void setState(State s);
    void finish(DownloadOutcome outcome);
    Altimeter& altimeter_;
    DeviceUi& ui_;
    std::unique_ptr<Relay> relay_;
    std::unique_ptr<QThread> thread_;
    std::unique_ptr<QObject> onDeviceThread_; // lives on thread_: what is posted to it runs there
    std::function<void(DownloadOutcome)> finished_;
    std::atomic<State> state_{State::Idle};
    std::atomic<bool> stop_{false};
    std::atomic<bool> abandoned_{false}; // the controller is going away: the window is not asked
    int windowSteps_ = 0;                // on this thread only
};

} // namespace orlomat
