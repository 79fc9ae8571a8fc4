#include "device/download_controller.h"

#include <QCoreApplication>
#include <QThread>

namespace orlomat {

// The download's DeviceUi on its own thread: each call runs on the controller's thread and
// the download goes on once it has.
class DownloadController::Relay : public DeviceUi {
public:
    explicit Relay(DownloadController& c) : c_(c) {}

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
            c_.setState(State::Asking);
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
    DownloadController& c_;
};

DownloadController::DownloadController(Altimeter& altimeter, DeviceUi& ui)
    : altimeter_(altimeter), ui_(ui), relay_(std::make_unique<Relay>(*this)) {
    altimeter_.channel.stopRequested = [this] { return stop_.load(); };
}

DownloadController::~DownloadController() {
    abandoned_ = true;
    stop_ = true;
    // A step already waiting for this thread is let through (it does nothing now).
    if (worker_)
        while (!worker_->wait(20))
            QCoreApplication::sendPostedEvents(this, QEvent::MetaCall);
    altimeter_.channel.stopRequested = nullptr;
}

bool DownloadController::start(const std::string& port,
                               std::function<void(DownloadOutcome)> finished) {
    if (busy()) return false;
    stop_ = false;
    finished_ = std::move(finished);
    setState(State::Opening);
    worker_.reset(QThread::create([this, port] {
        DownloadOutcome out = altimeter_.Download(port, *relay_);
        QMetaObject::invokeMethod(
            this, [this, out = std::move(out)]() mutable { finish(std::move(out)); },
            Qt::QueuedConnection);
    }));
    worker_->start();
    return true;
}

void DownloadController::stop() {
    if (!busy()) return; // the next download starts afresh, and the other exchanges go on
    stop_ = true;
    // Set from the window's thread only: a signal handler's thread merely sets the flag.
    if (QThread::currentThread() == thread() && state_ != State::Done) setState(State::Stopping);
}

void DownloadController::inWindow(const std::function<void()>& step) {
    if (QThread::currentThread() == thread()) {
        step();
        return;
    }
    if (abandoned_) return;
    QMetaObject::invokeMethod(
        this,
        [this, &step] {
            if (!abandoned_) step();
        },
        Qt::BlockingQueuedConnection);
}

void DownloadController::waitUntilIdle() {
    while (busy())
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
}

void DownloadController::setState(State s) {
    // A stop, once asked, stays the state until the download is over.
    if (state_ == State::Stopping && s != State::Done && s != State::Idle) return;
    if (state_ == s) return;
    state_ = s;
    if (stateChanged) stateChanged(s);
}

void DownloadController::finish(DownloadOutcome outcome) {
    if (worker_) worker_->wait();
    worker_.reset();
    setState(State::Done);
    auto finished = std::move(finished_);
    finished_ = nullptr;
    // Idle before the window hears the outcome: it may start the next download from there.
    setState(State::Idle);
    stop_ = false;
    if (finished) finished(std::move(outcome));
}

} // namespace orlomat
