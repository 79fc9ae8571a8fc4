#include "device/device_controller.h"

#include <QCoreApplication>
#include <QThread>

namespace orlomat {

// The window's DeviceUi as the device thread sees it: each call runs on the controller's
// thread and the exchange goes on once it has.
class DeviceController::Relay : public DeviceUi {
public:
    explicit Relay(DeviceController& c) : c_(c) {}

    void report(DeviceEvent event) override {
        onWindow([this, event] { c_.ui_.report(event); });
    }
    bool confirmReset() override {
        bool yes = false;
        onWindow([this, &yes] { yes = c_.ui_.confirmReset(); });
        return yes;
    }
    void downloadBegins() override {
        onWindow([this] {
            if (c_.state_ == State::Opening) c_.setState(State::Asking);
            c_.ui_.downloadBegins();
        });
    }
    void downloadEnds() override {
        onWindow([this] { c_.ui_.downloadEnds(); });
    }
    void prepareForFlight() override {
        onWindow([this] { c_.ui_.prepareForFlight(); });
    }
    void streamStarted() override {
        onWindow([this] {
            c_.setState(State::Receiving);
            c_.ui_.streamStarted();
        });
    }
    void progress(const std::string& text) override {
        onWindow([this, text] { c_.ui_.progress(text); });
    }
    void progressBytes(std::uint32_t received, std::uint32_t expected) override {
        onWindow([this, received, expected] { c_.ui_.progressBytes(received, expected); });
    }
    void streamQuiet(int ms) override {
        onWindow([this, ms] {
            if (c_.state_ == State::Receiving && ms >= kStallMs) c_.setState(State::Stalled);
            if (c_.state_ == State::Stalled && ms == 0) c_.setState(State::Receiving);
            c_.ui_.streamQuiet(ms);
        });
    }

private:
    void onWindow(const std::function<void()>& step) { c_.inWindow(step); }
    DeviceController& c_;
};

DeviceController::DeviceController(Altimeter& altimeter, DeviceUi& ui)
    : altimeter_(altimeter), ui_(ui), relay_(std::make_unique<Relay>(*this)),
      thread_(std::make_unique<QThread>()), onDeviceThread_(std::make_unique<QObject>()) {
    altimeter_.channel.stopRequested = [this] { return stop_.load(); };
    thread_->setObjectName(QStringLiteral("altimeter"));
    onDeviceThread_->moveToThread(thread_.get());
    thread_->start();
}

DeviceController::~DeviceController() {
    abandoned_ = true;
    stop_ = true;
    // After whatever runs now: the port left open is closed by the thread that opened it.
    onDevice([this] {
        altimeter_.channel.PortClose();
        QThread::currentThread()->quit();
    });
    // A step already waiting for this thread is let through (it does nothing now).
    while (!thread_->wait(20))
        QCoreApplication::sendPostedEvents(this, QEvent::MetaCall);
    onDeviceThread_.reset();
    altimeter_.channel.stopRequested = nullptr;
}

void DeviceController::onDevice(std::function<void()> job) {
    QMetaObject::invokeMethod(onDeviceThread_.get(), std::move(job), Qt::QueuedConnection);
}

bool DeviceController::start(const std::string& port,
                             std::function<void(DownloadOutcome)> finished) {
    if (busy()) return false;
    stop_ = false;
    finished_ = std::move(finished);
    setState(State::Opening);
    onDevice([this, port] {
        DownloadOutcome out = altimeter_.Download(port, *relay_);
        QMetaObject::invokeMethod(
            this, [this, out = std::move(out)]() mutable { finish(std::move(out)); },
            Qt::QueuedConnection);
    });
    return true;
}

bool DeviceController::exchange(const std::function<void(Altimeter&, DeviceUi&)>& job) {
    if (QThread::currentThread() == thread_.get()) { // a step of the exchange running now
        job(altimeter_, *relay_);
        return true;
    }
    if (busy()) return false;
    setState(State::Exchanging);
    std::atomic<bool> done{false};
    onDevice([this, &job, &done] {
        job(altimeter_, *relay_);
        done = true;
        // Wakes this thread from its wait for events.
        QMetaObject::invokeMethod(
            this, [] {}, Qt::QueuedConnection);
    });
    // Not an event loop of its own: a program told to quit still hears the exchange's steps.
    while (!done.load())
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents |
                                        QEventLoop::WaitForMoreEvents);
    setState(State::Idle);
    return true;
}

void DeviceController::stop() {
    // The next download starts afresh, and a short exchange goes on to its end.
    if (!downloading()) return;
    stop_ = true;
    // Set from the window's thread only: a signal handler's thread merely sets the flag.
    if (QThread::currentThread() == thread() && state_ != State::Done) setState(State::Stopping);
}

void DeviceController::inWindow(const std::function<void()>& step) {
    if (QThread::currentThread() == thread()) {
        step();
        return;
    }
    if (abandoned_) return;
    QMetaObject::invokeMethod(
        this,
        [this, &step] {
            if (abandoned_) return;
            ++windowSteps_;
            step();
            --windowSteps_;
        },
        Qt::BlockingQueuedConnection);
}

void DeviceController::waitUntilIdle() {
    while (downloading())
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
}

void DeviceController::setState(State s) {
    // A stop, once asked, stays the state until the download is over.
    if (state_ == State::Stopping && s != State::Done && s != State::Idle) return;
    if (state_ == s) return;
    state_ = s;
    if (stateChanged) stateChanged(s);
}

void DeviceController::finish(DownloadOutcome outcome) {
    if (abandoned_) return; // the window is going: nobody is there to take it
    setState(State::Done);
    auto finished = std::move(finished_);
    finished_ = nullptr;
    // Idle before the window hears the outcome: it may start the next download from there.
    setState(State::Idle);
    stop_ = false;
    if (finished) finished(std::move(outcome));
}

} // namespace orlomat
