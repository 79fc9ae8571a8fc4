#include "ui/window_device_ui.h"

#include "ui/chart_view.h"
#include "ui/device_words.h"
#include "ui/flight_readout.h"
#include "ui/prompter.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QCoreApplication>
#include <QEvent>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace orlomat {

namespace {

const char kAlertRole[] = "orlomatAlert";

// A label read as an alert. Qt's Linux bridge passes no alert event on, so a screen reader
// announces the line as it appears only when its role says it is one.
QAccessibleInterface* AlertLabels(const QString&, QObject* object) {
    auto* label = qobject_cast<QLabel*>(object);
    if (label == nullptr || !label->property(kAlertRole).toBool()) return nullptr;
    return new QAccessibleWidget(label, QAccessible::AlertMessage);
}

} // namespace

WindowDeviceUi::WindowDeviceUi(Prompter& prompter, std::function<Language()> language,
                               const Controls& controls, std::function<void()> prepareAxes)
    : prompter_(prompter), language_(std::move(language)), c_(controls),
      prepareAxes_(std::move(prepareAxes)) {
    static const bool installed = (QAccessible::installFactory(AlertLabels), true);
    (void)installed;
    c_.stallLine->setProperty(kAlertRole, true);
}

QString WindowDeviceUi::text(Message m) const {
    return QString::fromUtf8(Tr(m, language_()));
}

void WindowDeviceUi::report(DeviceEvent event) {
    const DeviceWords words = WordsFor(event);
    if (divert && divert(text(words.text))) return;
    prompter_.message(text(words.text), text(words.caption));
}

bool WindowDeviceUi::confirmReset() {
    return prompter_.confirm(text(kResetQuestion.text), text(kResetQuestion.caption));
}

void WindowDeviceUi::downloadBegins() {
    c_.readingIndicator->show();
    c_.readingIndicator->repaint();
    c_.stopButton->show();
    c_.flight->showCaption(QString::fromUtf8(Tr(Caption::Altimeter, language_())));
}

void WindowDeviceUi::downloadEnds() {
    c_.stallLine->hide();
    c_.stopButton->hide();
    c_.waitIndicator->hide();
    c_.readingIndicator->hide();
}

void WindowDeviceUi::prepareForFlight() {
    c_.chart->undoZoom();
    for (const Series s :
         {Series::Altitude, Series::Speed, Series::Unused, Series::AltitudeBeforeFilter})
        c_.chart->clearSeries(s);
    prepareAxes_();
    c_.chart->refresh();
}

void WindowDeviceUi::streamStarted() {
    c_.flight->blankFigures();
}

void WindowDeviceUi::progress(const std::string& text) {
    c_.waitIndicator->setText(QString::fromStdString(text));
    c_.waitIndicator->show();
    c_.waitIndicator->repaint();
}

void WindowDeviceUi::streamQuiet(int ms) {
    if (ms < kStallMs) {
        c_.stallLine->hide();
        return;
    }
    const QString text = this->text(Message::DownloadStalled).arg(ms / 1000);
    if (c_.stallLine->text() == text && c_.stallLine->isVisible()) return;
    c_.stallLine->setText(text);
    const bool first = !c_.stallLine->isVisible();
    c_.stallLine->setAccessibleName(text);
    c_.stallLine->show();
    c_.stallLine->raise();
    if (first) { // a screen reader says it at once
        QAccessibleEvent alert(c_.stallLine, QAccessible::Alert);
        QAccessible::updateAccessibility(&alert);
    }
}

DownloadInputGuard::DownloadInputGuard(QWidget& window, QWidget& stopButton,
                                       std::function<void()> stop)
    : window_(window), stopButton_(stopButton), stop_(std::move(stop)) {
    QCoreApplication::instance()->installEventFilter(this);
}

DownloadInputGuard::~DownloadInputGuard() {
    QCoreApplication::instance()->removeEventFilter(this);
}

bool DownloadInputGuard::eventFilter(QObject* watched, QEvent* event) {
    const auto* widget = qobject_cast<QWidget*>(watched);
    if (widget == nullptr || widget->window() != &window_) return false;
    switch (event->type()) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
        return widget != &stopButton_;
    case QEvent::ShortcutOverride:
        // Taken as the focused widget's own key, so that no shortcut of the window fires.
        event->accept();
        return true;
    case QEvent::KeyPress:
        // A repeat comes from a key held down since before this download (the Escape that
        // closed a dialog, say): only a press made now stops it. The X server repeats a key
        // as a release and a press of one time stamp; Qt tells them as repeats only when the
        // press is already queued behind the release, so the time stamps are compared too.
        if (const auto* key = static_cast<QKeyEvent*>(event);
            key->key() == Qt::Key_Escape && !key->isAutoRepeat() &&
            (key->timestamp() == 0 || key->timestamp() != escapeReleasedAt_))
            stop_();
        return true;
    case QEvent::KeyRelease:
        if (const auto* key = static_cast<QKeyEvent*>(event); key->key() == Qt::Key_Escape)
            escapeReleasedAt_ = key->timestamp();
        return true;
    case QEvent::Wheel:
    case QEvent::ContextMenu:
    case QEvent::DragEnter:
    case QEvent::DragMove:
    case QEvent::Drop:
        return true;
    default:
        return false;
    }
}

} // namespace orlomat
