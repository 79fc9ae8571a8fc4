// The device settings dialog: reads the altimeter's settings, edits them, writes them back,
// and holds the choice of serial port.
#pragma once

#include "core/language.h"
#include "device/port_finder.h"

#include <functional>
#include <string>
#include <vector>

#include <QDialog>

#include <cstdint>
#include <optional>

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace orlomat {

class DeviceController;
class Prompter;
struct DeviceSettingsRead;
struct Session;

class DeviceSettingsDialog : public QDialog {
    Q_OBJECT
public:
    // What the dialog uses of the program: the session, the altimeter (through the window's
    // device controller, which keeps the port the dialog opened), the prompter, and the
    // window's port handling.
    struct Host {
        Session& session;
        DeviceController& device;
        Prompter& prompter;
        std::function<void()> saveSettings;
        std::function<void(const QString&)> setPortOverride;
        std::function<std::string()> portName;
        std::function<std::vector<SerialPortEntry>()> ports; // the ports present
    };
    DeviceSettingsDialog(const Host& host, QWidget* parent);

    // Opens `port` and reads the altimeter's settings over it (the port stays open for the
    // write); nothing when the port did not open.
    std::optional<DeviceSettingsRead> readAt(const std::string& port);
    // Shows what a read of the altimeter's settings brought; false when a read failed.
    bool showRead(const DeviceSettingsRead& read);
    // True, after its message, when the level, delay or competitor field is empty.
    bool checkEmptyFields();
    // The partial clearing after a failed read on opening.
    void clearAfterFailedRead();
    // Shows `name` as the chosen port (adding it to the list when it is not there), without
    // running the port change.
    void showPort(const QString& name);
    // The port the combo stands for: a picked item's stored name, or the typed text.
    QString chosenPort() const;

    // What the fields hold, as typed (a field is checked when it is left or sent).
    struct Fields {
        QString port, level, temperature, competitor, delay, serial, version;
        int sampling = -1;  // the list position; -1 for none
        int manualZero = 0; // 0 no, 1 yes
    };
    Fields values() const;
    // Fills the fields as a user would type them (the port shown, not changed to).
    void setValues(const Fields& fields);

public slots:
    void portChanged();
    void sendSettings();
    void applyLanguageTexts();
    // A field left: its limit ("Za duza wartosc" naming the field), then the empty fields.
    void levelLeft();
    void competitorLeft();
    void delayLeft();
    void deviceTemperatureSet();

protected:
    void showEvent(QShowEvent* event) override;
    void done(int result) override;

private:
    // The field's value against its limit (unsigned: negatives are above it), with the
    // message naming the field and what it takes.
    void checkLimit(const QLineEdit* edit, std::uint32_t limit);
    bool withinLimit(const QLineEdit* edit, std::int64_t value, std::uint32_t limit);
    QString fieldName(const QLineEdit* edit) const;
    // The field as a whole number, or a message and nothing.
    std::optional<std::int64_t> numberIn(const QLineEdit* edit);
    void error(Message message, const QString& prefix = {});
    // The port the dialog keeps open between its read and its write, closed.
    void closePort();
    QComboBox* portCombo = nullptr;
    QLineEdit *levelEdit = nullptr, *deviceTemperatureEdit = nullptr,
              *deviceCompetitorEdit = nullptr, *delayEdit = nullptr, *deviceSerialEdit = nullptr,
              *versionEdit = nullptr;
    QComboBox *samplingCombo = nullptr, *manualZeroCombo = nullptr;
    QPushButton* sendButton = nullptr;
    QLabel *portLabel = nullptr, *levelLabel = nullptr, *deviceTemperatureLabel = nullptr,
           *deviceSamplingLabel = nullptr, *manualZeroLabel = nullptr,
           *deviceCompetitorLabel = nullptr, *delayLabel = nullptr, *secondsLabel = nullptr,
           *deviceSerialLabel = nullptr, *versionLabel = nullptr, *metresUnitLabel = nullptr,
           *degreesUnitLabel = nullptr;
    Host host_;
    QString shownPort_; // the port the combo showed when the user last left it
};

} // namespace orlomat
