#include "ui/device_settings_dialog.h"

#include "device/port_finder.h"
#include "device/qt_serial_line.h"

#include "core/language.h"
#include "device/altimeter.h"
#include "device/device_controller.h"
#include "device/settings_exchange.h"
#include "ui/prompter.h"
#include "ui/session.h"

#include "ui/widgets.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSerialPortInfo>

#include <optional>

namespace orlomat {

namespace {

constexpr std::uint32_t kMaxDelaySeconds = kMaxDelayHundredths / 100;

QLabel* ColumnLabel(QWidget* parent, const char* name, int x, int y, const QString& text = {}) {
    auto* l = new QLabel(text, parent);
    l->setObjectName(QString::fromLatin1(name));
    l->move(x, y);
    l->resize(170, 15);
    return l;
}

// The port list: the ports present with what they are ("COM7 — USB Serial Port", the item's
// data being the name stored), the automatic choice, then the names one may type or pick.
void AddPortItems(QComboBox& combo, const std::vector<SerialPortEntry>& present,
                  const std::string& stored, Language language) {
    for (const SerialPortEntry& p : present)
        combo.addItem(QString::fromStdString(p.label()), QString::fromStdString(p.systemName));
    combo.addItem(QString::fromUtf8(Tr(DialogText::AutomaticPort, language)),
                  QString::fromLatin1(kAutoPort));
    QStringList names;
#ifdef _WIN32
    for (int i = 1; i <= 25; ++i)
        names << QStringLiteral("COM%1").arg(i);
#endif
    const QString own = QString::fromStdString(stored);
    if (!own.isEmpty() && combo.findData(own) < 0 && !names.contains(own)) names << own;
    for (const QString& n : names)
        combo.addItem(n, n);
}

} // namespace

DeviceSettingsDialog::DeviceSettingsDialog(const Host& host, QWidget* parent)
    : QDialog(parent), host_(host) {
    setObjectName(QStringLiteral("FormUstawienia"));
    setModal(true);
    setFixedSize(196, 535);

    // One column: label, field and unit, from the port down to the button.
    constexpr int x = 16, w = 121, unit = 142, step = 52;
    int y = 8;
    const auto row = [&](const char* label, auto*& field, auto make) {
        QLabel* l = ColumnLabel(this, label, x, y);
        field = make(y + 16);
        y += step;
        return l;
    };
    portLabel = row("L_Numer_Portu", portCombo, [&](int fy) {
        auto* c = MakeWidget<QComboBox>(this, "CB_Numer_Portu", x, fy, w, 22);
        c->setEditable(true);
        return c;
    });
    levelLabel = row("L_PoziomWyzwalania", levelEdit,
                     [&](int fy) { return MakeWidget<QLineEdit>(this, "E_Poziom", x, fy, w, 22); });
    metresUnitLabel = ColumnLabel(this, "Label1", unit, y - step + 19, QStringLiteral("[m]"));
    deviceTemperatureLabel = row("L_Kalibracja_Temp", deviceTemperatureEdit, [&](int fy) {
        auto* e = MakeWidget<QLineEdit>(this, "E_Kal_Temp", x, fy, w, 22);
        e->setReadOnly(true);
        return e;
    });
    degreesUnitLabel = ColumnLabel(this, "Label2", unit, y - step + 19, QString::fromUtf8("[°C]"));
    deviceSamplingLabel = row("L_Ust_Probk", samplingCombo, [&](int fy) {
        auto* c = MakeWidget<QComboBox>(this, "ComboBox_ImPomiarow", x, fy, w, 22);
        for (unsigned code = 0; code < 6; ++code)
            c->addItem(QString::fromStdString(std::string(SamplingText(code))));
        c->setCurrentIndex(-1);
        return c;
    });
    manualZeroLabel = row("LZerReczne", manualZeroCombo, [&](int fy) {
        return MakeWidget<QComboBox>(this, "ComboB_Zer", x, fy, w, 22);
    });
    deviceCompetitorLabel = row("L_Numer_Zawodnika", deviceCompetitorEdit, [&](int fy) {
        return MakeWidget<QLineEdit>(this, "E_NrZaw", x, fy, w, 22);
    });
    delayLabel = row("L_CzasOp", delayEdit,
                     [&](int fy) { return MakeWidget<QLineEdit>(this, "E_CzasOp", x, fy, w, 22); });
    secondsLabel = ColumnLabel(this, "L_Sek", unit, y - step + 19);
    deviceSerialLabel = row("L_NrSer", deviceSerialEdit, [&](int fy) {
        auto* e = MakeWidget<QLineEdit>(this, "E_NrSer", x, fy, w, 22);
        e->setReadOnly(true);
        return e;
    });
    versionLabel = row("Label_Wersja", versionEdit, [&](int fy) {
        auto* e = MakeWidget<QLineEdit>(this, "Edit_Wersja", x, fy, w, 22);
        e->setReadOnly(true);
        return e;
    });
    sendButton = MakeWidget<QPushButton>(this, "B_wyslij", x, y + 4, w, 33);
    for (QLabel* l : {metresUnitLabel, degreesUnitLabel, secondsLabel})
        l->resize(50, 15);

    // Creation: the stored port, the program's trigger level and temperature, the two
    // manual-zeroing items in the language now in force.
    const Session& s = host_.session;
    AddPortItems(*portCombo, host_.ports(), s.settings.portName(), s.language);
    // The stored list position where it names the stored port; else the port by its name.
    const QString stored = QString::fromStdString(s.settings.portName());
    if (s.settings.portIndex >= 0 && s.settings.portIndex < portCombo->count() &&
        portCombo->itemData(s.settings.portIndex).toString() == stored)
        portCombo->setCurrentIndex(s.settings.portIndex);
    else
        showPort(stored);
    shownPort_ = chosenPort();
    const Language language = s.language;
    manualZeroCombo->addItem(QString::fromUtf8(Tr(DialogText::No, language)));
    manualZeroCombo->addItem(QString::fromUtf8(Tr(DialogText::Yes, language)));
    manualZeroCombo->setCurrentIndex(-1);

    // Limits are checked when a field is left (and again on "Zapisz"), never on every key:
    // a half-typed number is no reason for a message.
    connect(deviceTemperatureEdit, &QLineEdit::textChanged, this,
            &DeviceSettingsDialog::deviceTemperatureSet);
    connect(levelEdit, &QLineEdit::editingFinished, this, &DeviceSettingsDialog::levelLeft);
    connect(deviceCompetitorEdit, &QLineEdit::editingFinished, this,
            &DeviceSettingsDialog::competitorLeft);
    connect(delayEdit, &QLineEdit::editingFinished, this, &DeviceSettingsDialog::delayLeft);
    connect(deviceTemperatureEdit, &QLineEdit::editingFinished, this,
            &DeviceSettingsDialog::checkEmptyFields);
    // Enter in the port field (as the manual tells) changes the port and nothing else: no
    // button of this dialog answers Enter, so it never sends the settings by the way.
    sendButton->setAutoDefault(false);
    sendButton->setDefault(false);
    connect(sendButton, &QPushButton::clicked, this, &DeviceSettingsDialog::sendSettings);
    // A chosen item changes the port at once; a typed name when the typing is done.
    connect(portCombo, &QComboBox::activated, this, &DeviceSettingsDialog::portChanged);
    connect(portCombo->lineEdit(), &QLineEdit::returnPressed, this,
            &DeviceSettingsDialog::portChanged);

    levelEdit->setText(QString::number(s.triggerLevel));
    deviceTemperatureEdit->setText(QString::number(s.current.state.temperatureByte));
}

void DeviceSettingsDialog::error(Message message, const QString& prefix) {
    const Language language = host_.session.language;
    host_.prompter.message(prefix + QString::fromUtf8(Tr(message, language)),
                           QString::fromUtf8(Tr(Message::ErrorCaption, language)));
}

void DeviceSettingsDialog::applyLanguageTexts() {
    const Language l = host_.session.language;
    const auto d = [&](DialogText t) { return QString::fromUtf8(Tr(t, l)); };
    const auto c = [&](Caption t) { return QString::fromUtf8(Tr(t, l)); };
    setWindowTitle(d(DialogText::Setup));
    portLabel->setText(d(DialogText::SelectPort));
    if (const int a = portCombo->findData(QString::fromLatin1(kAutoPort)); a >= 0)
        portCombo->setItemText(a, d(DialogText::AutomaticPort));
    levelLabel->setText(d(DialogText::TriggerHeight));
    deviceTemperatureLabel->setText(d(DialogText::Temperature));
    manualZeroLabel->setText(d(DialogText::ManualReset));
    delayLabel->setText(d(DialogText::Delay));
    versionLabel->setText(d(DialogText::SoftwareVersion));
    secondsLabel->setText(d(DialogText::Seconds));
    deviceSamplingLabel->setText(c(Caption::Sampling));
    deviceCompetitorLabel->setText(c(Caption::CompetitorNo));
    deviceSerialLabel->setText(c(Caption::SerialNo));
    sendButton->setText(
        WithAccelerator(c(Caption::SaveSettings), QLatin1Char(l == Language::Polish ? 'Z' : 'S')));
}

void DeviceSettingsDialog::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    applyLanguageTexts();
}

void DeviceSettingsDialog::done(int result) {
    // However the dialog ends, the port it opened is closed.
    closePort();
    QDialog::done(result);
}

void DeviceSettingsDialog::closePort() {
    host_.device.exchange([](Altimeter& altimeter, DeviceUi&) { altimeter.channel.PortClose(); });
}

std::optional<DeviceSettingsRead> DeviceSettingsDialog::readAt(const std::string& port) {
    std::optional<DeviceSettingsRead> read;
    host_.device.exchange([&](Altimeter& altimeter, DeviceUi&) {
        altimeter.channel.PortOpen(port);
        if (altimeter.channel.state() == Channel::State::Open)
            read = orlomat::ReadDeviceSettings(altimeter);
    });
    return read;
}

bool DeviceSettingsDialog::showRead(const DeviceSettingsRead& r) {
    if (r.statusRead) {
        const DeviceStatus& s = r.status;
        host_.session.current.state.temperatureByte = static_cast<std::int8_t>(s.temperature);
        deviceTemperatureEdit->setText(QString::number(s.temperature));
        deviceCompetitorEdit->setText(QString::number(s.competitor));
        deviceSerialEdit->setText(QString::number(s.serial));
        host_.session.triggerLevel = s.levelMetres;
        levelEdit->setText(QString::number(s.levelMetres));
        // A code without an item leaves the combo without a selection.
        samplingCombo->setCurrentIndex(s.samplingCode < 6 ? s.samplingCode : -1);
    }
    if (r.manualZero) manualZeroCombo->setCurrentIndex(*r.manualZero);
    if (r.delaySeconds) delayEdit->setText(QString::number(*r.delaySeconds));
    if (r.version) versionEdit->setText(QString::fromStdString(*r.version));
    return r.ok;
}

void DeviceSettingsDialog::clearAfterFailedRead() {
    deviceCompetitorEdit->clear();
    levelEdit->clear();
    deviceTemperatureEdit->clear();
    samplingCombo->setCurrentIndex(2);
    manualZeroCombo->setCurrentIndex(0);
}

DeviceSettingsDialog::Fields DeviceSettingsDialog::values() const {
    return {chosenPort(),
            levelEdit->text(),
            deviceTemperatureEdit->text(),
            deviceCompetitorEdit->text(),
            delayEdit->text(),
            deviceSerialEdit->text(),
            versionEdit->text(),
            samplingCombo->currentIndex(),
            manualZeroCombo->currentIndex()};
}

void DeviceSettingsDialog::setValues(const Fields& f) {
    showPort(f.port);
    levelEdit->setText(f.level);
    deviceTemperatureEdit->setText(f.temperature);
    deviceCompetitorEdit->setText(f.competitor);
    delayEdit->setText(f.delay);
    deviceSerialEdit->setText(f.serial);
    versionEdit->setText(f.version);
    samplingCombo->setCurrentIndex(f.sampling);
    manualZeroCombo->setCurrentIndex(f.manualZero);
}

QString DeviceSettingsDialog::chosenPort() const {
    // A picked item stands for its stored name; typed text for itself.
    const int i = portCombo->currentIndex();
    if (i >= 0 && portCombo->itemText(i) == portCombo->currentText() &&
        portCombo->itemData(i).isValid())
        return portCombo->itemData(i).toString();
    return portCombo->currentText();
}

void DeviceSettingsDialog::showPort(const QString& name) {
    int index = portCombo->findData(name);
    if (index < 0) index = portCombo->findText(name);
    if (index < 0) {
        portCombo->addItem(name, name);
        index = portCombo->count() - 1;
    }
    portCombo->setCurrentIndex(index);
    shownPort_ = name;
}

void DeviceSettingsDialog::portChanged() {
    const QString name = chosenPort();
    // Leaving the combo, or choosing the port already in use, changes nothing.
    if (name == shownPort_) return;
    shownPort_ = name;
    // The settings record holds 7 characters and a zero; a shorter text is no port name.
    if (name.toUtf8().size() > 7) {
        error(Message::PortNameTooLong);
        return;
    }
    if (name.toUtf8().size() < 4) {
        error(Message::PortNameTooShort);
        return;
    }
    Session& s = host_.session;
    s.settings.portIndex = portCombo->currentIndex();
    closePort();
    s.settings.setPortName(name.toStdString());
    host_.setPortOverride(QString());
    host_.saveSettings();
    const std::string port = host_.portName();
    // (A screen reader's press is not held as the keyboard's and the mouse's are.)
    sendButton->setEnabled(false);
    const std::optional<DeviceSettingsRead> read = readAt(port);
    sendButton->setEnabled(true);
    if (read && !showRead(*read)) error(Message::CommunicationError);
}

std::optional<std::int64_t> DeviceSettingsDialog::numberIn(const QLineEdit* edit) {
    const auto value = ParseWholeNumber(edit->text().trimmed().toStdString());
    if (!value) error(Message::NotWholeNumber, QLatin1Char('"') + edit->text() + QLatin1Char('"'));
    return value;
}

QString DeviceSettingsDialog::fieldName(const QLineEdit* edit) const {
    // From the tables, not the labels: the fields are filled before the dialog is first shown.
    const Language l = host_.session.language;
    const char* name = edit == levelEdit               ? Tr(DialogText::TriggerHeight, l)
                       : edit == deviceTemperatureEdit ? Tr(DialogText::Temperature, l)
                       : edit == deviceCompetitorEdit  ? Tr(Caption::CompetitorNo, l)
                                                       : Tr(DialogText::Delay, l);
    return QString::fromUtf8(name);
}

bool DeviceSettingsDialog::withinLimit(const QLineEdit* edit, std::int64_t value,
                                       std::uint32_t limit) {
    if (!AboveLimit(value, limit)) return true;
    // "Za duza wartosc: Czas Opoznienia (0-300)": which field, and what it takes.
    const Language language = host_.session.language;
    host_.prompter.message(QString::fromUtf8(Tr(Message::TooLarge, language)) +
                               QStringLiteral(": %1 (0-%2)").arg(fieldName(edit)).arg(limit),
                           QString::fromUtf8(Tr(Message::ErrorCaption, language)));
    return false;
}

void DeviceSettingsDialog::checkLimit(const QLineEdit* edit, std::uint32_t limit) {
    const QString text = edit->text().trimmed();
    if (text.isEmpty()) return; // the empty-field check speaks for that
    if (const auto value = numberIn(edit)) withinLimit(edit, *value, limit);
}

void DeviceSettingsDialog::deviceTemperatureSet() {
    // Set by the program only: a device hotter than the limit is reported as it is filled.
    checkLimit(deviceTemperatureEdit, 70);
}
void DeviceSettingsDialog::levelLeft() {
    checkLimit(levelEdit, kMaxLevelMetres);
    checkEmptyFields();
}
void DeviceSettingsDialog::competitorLeft() {
    checkLimit(deviceCompetitorEdit, kMaxCompetitor);
    checkEmptyFields();
}
void DeviceSettingsDialog::delayLeft() {
    // The same limit as the send applies: whole seconds, at most 300.
    checkLimit(delayEdit, kMaxDelaySeconds);
    checkEmptyFields();
}

bool DeviceSettingsDialog::checkEmptyFields() {
    for (const QLineEdit* e : {levelEdit, delayEdit, deviceCompetitorEdit}) {
        if (e->text().isEmpty()) {
            error(Message::FieldEmpty);
            return true;
        }
    }
    return false;
}

void DeviceSettingsDialog::sendSettings() {
    if (checkEmptyFields()) return;
    bool portFailed = true; // also while the altimeter is busy: nothing is written then
    host_.device.exchange([&](Altimeter& altimeter, DeviceUi&) {
        portFailed = altimeter.channel.state() == Channel::State::Failed;
    });
    if (portFailed) return;
    // A sampling code the device reported without an item is not sent back as 0xFF.
    if (samplingCombo->currentIndex() < 0 || manualZeroCombo->currentIndex() < 0) {
        error(Message::FieldEmpty);
        return;
    }
    const auto level = numberIn(levelEdit);
    if (!level || !withinLimit(levelEdit, *level, kMaxLevelMetres)) return;
    const auto competitor = numberIn(deviceCompetitorEdit);
    if (!competitor || !withinLimit(deviceCompetitorEdit, *competitor, kMaxCompetitor)) return;
    const auto sampling = static_cast<std::uint8_t>(samplingCombo->currentIndex());
    const auto manualZero = static_cast<std::uint8_t>(manualZeroCombo->currentIndex());
    bool lineBusy = true;
    host_.device.exchange([&](Altimeter& altimeter, DeviceUi& ui) {
        // A line that never goes quiet takes nothing: stop before writing more.
        lineBusy = WriteSettingsCommand(altimeter, static_cast<std::uint16_t>(*competitor),
                                        static_cast<std::uint16_t>(*level * 4), sampling,
                                        ui) == DeviceResult::LineBusy ||
                   WriteManualZeroCommand(altimeter, manualZero, ui) == DeviceResult::LineBusy;
    });
    if (lineBusy) return;
    const auto delay = numberIn(delayEdit);
    if (!delay) return;
    // Compared in seconds: the hundredths of an 18-digit number would not fit.
    if (!withinLimit(delayEdit, *delay, kMaxDelaySeconds)) return;
    const std::int64_t hundredths = *delay * 100;
    host_.device.exchange([&](Altimeter& altimeter, DeviceUi& ui) {
        WriteDelayCommand(altimeter, static_cast<std::uint16_t>(hundredths), ui);
    });
    accept(); // done() closes the port
}

} // namespace orlomat
