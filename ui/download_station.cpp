#include "ui/download_station.h"

#include "contest/port_watch.h"
#include "device/port_finder.h"
#include "device/qt_serial_line.h"
#include "ui/chart_view.h"
#include "ui/settings_file.h"
#include "ui/widgets.h"

#include <QLabel>
#include <QShortcut>

namespace orlomat {

DownloadStation::DownloadStation(ChartView& chart, Host host)
    : line_(new QLabel(&chart)), chart_(chart), host_(std::move(host)) {
    line_->setObjectName(QStringLiteral("StationLine"));
    line_->setAttribute(Qt::WA_TransparentForMouseEvents);
    line_->setFont(PixelFont(QStringLiteral("Arial"), 28, true));
    line_->setWordWrap(true);
    line_->setAutoFillBackground(true);
    line_->setMargin(6);
    line_->move(60, 40);
    line_->hide();
    // Escape ends the station while it waits; during a download it stops the download (the
    // download's own input guard takes the key first).
    escape_ = new QShortcut(QKeySequence(Qt::Key_Escape), chart.window());
    escape_->setEnabled(false);
    escape_->setAutoRepeat(false); // a held Escape that stopped a download leaves the station on
    connect(escape_, &QShortcut::activated, this, &DownloadStation::stop);
    timer_.setInterval(kPollMs);
    connect(&timer_, &QTimer::timeout, this, &DownloadStation::poll);
}

DownloadStation::~DownloadStation() = default;

void DownloadStation::start() {
    if (on()) return;
    watch_ = std::make_unique<PortWatch>(host_.port(), host_.ports(),
                                         [](const std::string& port) { return PortPresent(port); });
    watch_->start(host_.askPort, LastGoodPort());
    showWaiting();
    line_->show();
    line_->raise();
    lastFault_.clear();
    escape_->setEnabled(true);
    timer_.start();
    host_.changed();
}

void DownloadStation::stop() {
    if (!on()) return;
    timer_.stop();
    escape_->setEnabled(false);
    // (A signal may end the station while its poll asks a port.)
    if (polling_)
        ended_ = std::move(watch_);
    else
        watch_.reset();
    // What went wrong with the flight on screen stays with it; the wait goes.
    if (!flightFault_.isEmpty())
        show(flightFault_, true);
    else
        hideLine();
    host_.changed();
}

void DownloadStation::forgetNote() {
    if (!on()) hideLine();
    flightFault_.clear();
}

void DownloadStation::hideLine() {
    line_->hide();
    chart_.reserveTopStrip(0);
}

void DownloadStation::show(const QString& text, bool fault) {
    QPalette p = line_->palette();
    p.setColor(QPalette::Window, QColor(255, 255, 255, 220));
    p.setColor(QPalette::WindowText, fault ? QColor(192, 0, 0) : QColor(0, 0, 0));
    line_->setPalette(p);
    line_->setText(text);
    // As wide as the chart allows, as high as the text needs, in a strip of its own above the
    // plot: no curve, maximum or spike is ever behind it.
    line_->setFixedWidth(qMax(200, chart_.width() - 120));
    line_->adjustSize();
    line_->move(60, chart_.reserveTopStrip(line_->height()));
    line_->show();
    line_->repaint();
}

QString DownloadStation::waitingText() const {
    const std::string port = host_.port();
    const Language language = host_.language();
    return port == kAutoPort ? QString::fromUtf8(Tr(Message::StationWaitingAuto, language))
                             : QString::fromUtf8(Tr(Message::StationWaiting, language))
                                   .arg(QString::fromStdString(port));
}

void DownloadStation::showWaiting() {
    show(waitingText(), false);
}

void DownloadStation::retranslate() {
    if (on() && !downloading_ && watch_->waitingForArrival() && lastFault_.isEmpty()) showWaiting();
}

void DownloadStation::note(const QString& text) {
    notes_ += (notes_.isEmpty() ? QString() : QStringLiteral("\n")) + text;
    show(notes_, true);
}

void DownloadStation::poll() {
    if (!on() || downloading_ || polling_) return;
    polling_ = true;
    const PortWatch::Event event = watch_->poll();
    polling_ = false;
    ended_.reset();
    // Ended while a port was asked.
    if (!on()) return;
    switch (event) {
    case PortWatch::Event::Arrived:
        // The adapter settles before the first frame; the wait is not polled.
        timer_.stop();
        QTimer::singleShot(kSettleMs, this, [this] { download(); });
        break;
    case PortWatch::Event::Departed:
        // A fault stays in view above the wait: the official may have looked away.
        if (!lastFault_.isEmpty())
            show(lastFault_ + QStringLiteral("\n") + waitingText(), true);
        else if (!lastResult_.isEmpty() && host_.port() == kAutoPort)
            // "auto" waits for the next altimeter at once, the last one still plugged in: its
            // result stays in view above the wait.
            show(lastResult_ + QStringLiteral("\n") + waitingText(), false);
        else
            showWaiting();
        lastFault_.clear();
        lastResult_.clear();
        break;
    case PortWatch::Event::None:
        break;
    }
}

void DownloadStation::download() {
    // Ended, or ended and started again, during the settling.
    if (!on() || watch_->waitingForArrival()) return;
    downloading_ = true;
    notes_.clear();
    flightFault_.clear();
    show(QString::fromUtf8(Tr(Message::StationReading, host_.language()))
             .arg(QString::fromStdString(watch_->port())),
         false);
    host_.download(watch_->port(), [this](const StationResult& r) { downloaded(r); });
}

void DownloadStation::downloaded(const StationResult& result) {
    downloading_ = false;
    if (!on()) return; // ended while the download ran
    const QString text = result.text.isEmpty() ? notes_
                         : notes_.isEmpty()    ? result.text
                                               : result.text + QStringLiteral("\n") + notes_;
    const bool fault = result.fault || !notes_.isEmpty();
    if (!text.isEmpty()) show(text, fault);
    lastFault_ = fault ? text : QString();
    flightFault_ = lastFault_;
    lastResult_ = fault ? QString() : text;
    timer_.start(); // now for the unplug
}

} // namespace orlomat
