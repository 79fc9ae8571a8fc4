#include "ui/fustawienia.h"

#include "device/altimeter.h"
#include "core/language.h"
#include "ui/orlomat_1.h"
#include "ui/prompter.h"
#include "device/settings_exchange.h"

#include "ui/widgets.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSerialPortInfo>

#include <optional>

namespace orlomat {

namespace {

QLabel* MakeLabel(QWidget* parent, const char* name, int x, int y, const QString& text = {}) {
    auto* l = new QLabel(text, parent);
    l->setObjectName(QString::fromLatin1(name));
    l->move(x, y);
    l->resize(170, 15);
    return l;
}

QStringList PortNames(const std::string& stored) {
    QStringList names;
#ifdef _WIN32
    for (int i = 1; i <= 25; ++i)
        names << QStringLiteral("COM%1").arg(i);
#else
    for (const QSerialPortInfo& info : QSerialPortInfo::availablePorts())
        names << info.portName();
#endif
    const QString own = QString::fromStdString(stored);
    if (!own.isEmpty() && !names.contains(own)) names << own;
    return names;
}

} // namespace

TFormUstawienia::TFormUstawienia(TOrlomat_BMP& host) : QDialog(&host), host_(host) {
    setObjectName(QStringLiteral("FormUstawienia"));
    setModal(true);
    setFixedSize(196, 535);

    // One column: label, field and unit, from the port down to the button.
    constexpr int x = 16, w = 121, unit = 142, step = 52;
    int y = 8;
    const auto row = [&](const char* label, auto*& field, auto make) {
        QLabel* l = MakeLabel(this, label, x, y);
        field = make(y + 16);
        y += step;
        return l;
    };
    L_Numer_Portu = row("L_Numer_Portu", CB_Numer_Portu, [&](int fy) {
        auto* c = MakeWidget<QComboBox>(this, "CB_Numer_Portu", x, fy, w, 22);
        c->setEditable(true);
        return c;
    });
    L_PoziomWyzwalania = row("L_PoziomWyzwalania", E_Poziom, [&](int fy) {
        return MakeWidget<QLineEdit>(this, "E_Poziom", x, fy, w, 22);
    });
    Label1 = MakeLabel(this, "Label1", unit, y - step + 19, QStringLiteral("[m]"));
    L_Kalibracja_Temp = row("L_Kalibracja_Temp", E_Kal_Temp, [&](int fy) {
        auto* e = MakeWidget<QLineEdit>(this, "E_Kal_Temp", x, fy, w, 22);
        e->setReadOnly(true);
        return e;
    });
    Label2 = MakeLabel(this, "Label2", unit, y - step + 19, QString::fromUtf8("[°C]"));
    L_Ust_Probk = row("L_Ust_Probk", ComboBox_ImPomiarow, [&](int fy) {
        auto* c = MakeWidget<QComboBox>(this, "ComboBox_ImPomiarow", x, fy, w, 22);
        for (unsigned code = 0; code < 6; ++code)
            c->addItem(QString::fromStdString(std::string(SamplingText(code))));
        c->setCurrentIndex(-1);
        return c;
    });
    LZerReczne = row("LZerReczne", ComboB_Zer, [&](int fy) {
        return MakeWidget<QComboBox>(this, "ComboB_Zer", x, fy, w, 22);
    });
    L_Numer_Zawodnika = row("L_Numer_Zawodnika", E_NrZaw, [&](int fy) {
        return MakeWidget<QLineEdit>(this, "E_NrZaw", x, fy, w, 22);
    });
    L_CzasOp = row("L_CzasOp", E_CzasOp,
                   [&](int fy) { return MakeWidget<QLineEdit>(this, "E_CzasOp", x, fy, w, 22); });
    L_Sek = MakeLabel(this, "L_Sek", unit, y - step + 19);
    L_NrSer = row("L_NrSer", E_NrSer, [&](int fy) {
        auto* e = MakeWidget<QLineEdit>(this, "E_NrSer", x, fy, w, 22);
        e->setReadOnly(true);
        return e;
    });
    Label_Wersja = row("Label_Wersja", Edit_Wersja, [&](int fy) {
        auto* e = MakeWidget<QLineEdit>(this, "Edit_Wersja", x, fy, w, 22);
        e->setReadOnly(true);
        return e;
    });
    B_wyslij = MakeWidget<QPushButton>(this, "B_wyslij", x, y + 4, w, 33);
    for (QLabel* l : {Label1, Label2, L_Sek})
        l->resize(50, 15);

    // Creation: the stored port, the program's trigger level and temperature, the two
    // manual-zeroing items in the language now in force.
    const Session& s = host_.session();
    CB_Numer_Portu->addItems(PortNames(s.settings.portName()));
    // The stored list position where it names the stored port; else the port by its name.
    const QString stored = QString::fromStdString(s.settings.portName());
    if (s.settings.portIndex >= 0 && s.settings.portIndex < CB_Numer_Portu->count() &&
        CB_Numer_Portu->itemText(s.settings.portIndex) == stored)
        CB_Numer_Portu->setCurrentIndex(s.settings.portIndex);
    else
        ShowPort(stored);
    shownPort_ = CB_Numer_Portu->currentText();
    const int language = s.language;
    ComboB_Zer->addItem(QString::fromUtf8(Tr(DialogText::Nie, language)));
    ComboB_Zer->addItem(QString::fromUtf8(Tr(DialogText::Tak, language)));
    ComboB_Zer->setCurrentIndex(-1);

    connect(E_Poziom, &QLineEdit::textChanged, this, &TFormUstawienia::E_Poziom_Ent);
    connect(E_Kal_Temp, &QLineEdit::textChanged, this, &TFormUstawienia::E_Kal_zaduzo);
    connect(E_NrZaw, &QLineEdit::textChanged, this, &TFormUstawienia::E_nrZaw_zaduzo);
    connect(E_CzasOp, &QLineEdit::textChanged, this, &TFormUstawienia::E_CzasOpChange);
    for (QLineEdit* e : {E_Poziom, E_Kal_Temp, E_NrZaw})
        connect(e, &QLineEdit::editingFinished, this, &TFormUstawienia::E_Poziom_Exit);
    connect(E_CzasOp, &QLineEdit::editingFinished, this, &TFormUstawienia::E_CzasOpExit);
    connect(B_wyslij, &QPushButton::clicked, this, &TFormUstawienia::BWyslijPClick);
    // A chosen item changes the port at once; a typed name when the typing is done.
    connect(CB_Numer_Portu, &QComboBox::activated, this, &TFormUstawienia::CB_Numer_PortuChange);
    connect(CB_Numer_Portu->lineEdit(), &QLineEdit::returnPressed, this,
            &TFormUstawienia::CB_Numer_PortuChange);

    E_Poziom->setText(QString::number(s.triggerLevel));
    E_Kal_Temp->setText(QString::number(s.current.state.temperatureByte));
}

void TFormUstawienia::error(Message message, const QString& prefix) {
    const int language = host_.session().language;
    host_.prompter().message(prefix + QString::fromUtf8(Tr(message, language)),
                             QString::fromUtf8(Tr(Message::ErrorCaption, language)));
}

void TFormUstawienia::FormActivate() {
    const int l = host_.session().language;
    const auto d = [&](DialogText t) { return QString::fromUtf8(Tr(t, l)); };
    const auto c = [&](Caption t) { return QString::fromUtf8(Tr(t, l)); };
    setWindowTitle(d(DialogText::Ustawienia));
    L_Numer_Portu->setText(d(DialogText::WybierzPort));
    L_PoziomWyzwalania->setText(d(DialogText::WysokoscStartu));
    L_Kalibracja_Temp->setText(d(DialogText::Temperatura));
    LZerReczne->setText(d(DialogText::ZerowanieReczne));
    L_CzasOp->setText(d(DialogText::CzasOpoznienia));
    Label_Wersja->setText(d(DialogText::WersjaProgramu));
    L_Sek->setText(d(DialogText::Sek));
    L_Ust_Probk->setText(c(Caption::Pomiary));
    L_Numer_Zawodnika->setText(c(Caption::NrZawodnika));
    L_NrSer->setText(c(Caption::NrSeryjny));
    B_wyslij->setText(c(Caption::ZapiszUstawienia));
}

void TFormUstawienia::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    FormActivate();
}

void TFormUstawienia::done(int result) {
    host_.altimeter().channel.PortClose(); // FormClose
    QDialog::done(result);
}

bool TFormUstawienia::ReadDeviceSettings() {
    const DeviceSettingsRead r = orlomat::ReadDeviceSettings(host_.altimeter());
    if (r.statusRead) {
        const DeviceStatus& s = r.status;
        host_.session().current.state.temperatureByte = static_cast<std::int8_t>(s.temperature);
        E_Kal_Temp->setText(QString::number(s.temperature));
        E_NrZaw->setText(QString::number(s.competitor));
        E_NrSer->setText(QString::number(s.serial));
        host_.session().triggerLevel = s.levelMetres;
        E_Poziom->setText(QString::number(s.levelMetres));
        // A code without an item leaves the combo without a selection.
        ComboBox_ImPomiarow->setCurrentIndex(s.samplingCode < 6 ? s.samplingCode : -1);
    }
    if (r.manualZero) ComboB_Zer->setCurrentIndex(*r.manualZero);
    if (r.delaySeconds) E_CzasOp->setText(QString::number(*r.delaySeconds));
    if (r.version) Edit_Wersja->setText(QString::fromStdString(*r.version));
    return r.ok;
}

void TFormUstawienia::ClearAfterFailedRead() {
    E_NrZaw->clear();
    E_Poziom->clear();
    E_Kal_Temp->clear();
    ComboBox_ImPomiarow->setCurrentIndex(2);
    ComboB_Zer->setCurrentIndex(0);
}

void TFormUstawienia::ShowPort(const QString& name) {
    int index = CB_Numer_Portu->findText(name);
    if (index < 0) {
        CB_Numer_Portu->addItem(name);
        index = CB_Numer_Portu->count() - 1;
    }
    CB_Numer_Portu->setCurrentIndex(index);
    shownPort_ = name;
}

void TFormUstawienia::CB_Numer_PortuChange() {
    const QString name = CB_Numer_Portu->currentText();
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
    Session& s = host_.session();
    s.settings.portIndex = CB_Numer_Portu->currentIndex();
    Altimeter& alt = host_.altimeter();
    alt.channel.PortClose();
    s.settings.setPortName(name.toStdString());
    host_.setPortOverride(QString());
    host_.SaveSettings();
    alt.channel.PortOpen(host_.portName());
    if (alt.channel.state() != Channel::State::Open) return;
    if (!ReadDeviceSettings()) error(Message::CommunicationError);
}

std::optional<std::int64_t> TFormUstawienia::numberIn(const QLineEdit* edit) {
    const auto value = ParseWholeNumber(edit->text().trimmed().toStdString());
    if (!value) error(Message::NotWholeNumber, QLatin1Char('"') + edit->text() + QLatin1Char('"'));
    return value;
}

void TFormUstawienia::warnAboveLimit(const QLineEdit* edit, std::uint32_t limit) {
    const QString text = edit->text().trimmed();
    // An empty field, or a sign typed on its own, is input still under way.
    if (text.isEmpty() || text == QLatin1String("-") || text == QLatin1String("+")) return;
    const auto value = numberIn(edit);
    if (value && AboveLimit(*value, limit)) error(Message::TooLarge);
}

void TFormUstawienia::E_Poziom_Ent() {
    warnAboveLimit(E_Poziom, kMaxLevelMetres);
}
void TFormUstawienia::E_Kal_zaduzo() {
    warnAboveLimit(E_Kal_Temp, 70);
}
void TFormUstawienia::E_nrZaw_zaduzo() {
    warnAboveLimit(E_NrZaw, kMaxCompetitor);
}
void TFormUstawienia::E_CzasOpChange() {
    warnAboveLimit(E_CzasOp, kMaxDelayHundredths);
}
void TFormUstawienia::E_Poziom_Exit() {
    CheckEmptyFields();
}
void TFormUstawienia::E_CzasOpExit() {
    CheckEmptyFields();
}

bool TFormUstawienia::CheckEmptyFields() {
    for (const QLineEdit* e : {E_Poziom, E_CzasOp, E_NrZaw}) {
        if (e->text().isEmpty()) {
            error(Message::FieldEmpty);
            return true;
        }
    }
    return false;
}

void TFormUstawienia::BWyslijPClick() {
    if (CheckEmptyFields()) return;
    Altimeter& alt = host_.altimeter();
    if (alt.channel.state() == Channel::State::Failed) return;
    // A sampling code the device reported without an item is not sent back as 0xFF.
    if (ComboBox_ImPomiarow->currentIndex() < 0 || ComboB_Zer->currentIndex() < 0) {
        error(Message::FieldEmpty);
        return;
    }
    const auto level = numberIn(E_Poziom);
    if (!level) return;
    if (AboveLimit(*level, kMaxLevelMetres)) {
        error(Message::TooLarge);
        return;
    }
    const auto competitor = numberIn(E_NrZaw);
    if (!competitor) return;
    if (AboveLimit(*competitor, kMaxCompetitor)) {
        error(Message::TooLarge);
        return;
    }
    auto& ui = host_.deviceUi();
    // A line that never goes quiet takes nothing: stop before writing more.
    if (WriteSettingsCommand(alt, static_cast<std::uint16_t>(*competitor),
                             static_cast<std::uint16_t>(*level * 4),
                             static_cast<std::uint8_t>(ComboBox_ImPomiarow->currentIndex()),
                             ui) == WriteAck::Noisy ||
        WriteManualZeroCommand(alt, static_cast<std::uint8_t>(ComboB_Zer->currentIndex()), ui) ==
            WriteAck::Noisy)
        return;
    const auto delay = numberIn(E_CzasOp);
    if (!delay) return;
    const std::int64_t hundredths = *delay * 100;
    if (AboveLimit(hundredths, kMaxDelayHundredths)) {
        error(Message::TooLarge);
        return;
    }
    WriteDelayCommand(alt, static_cast<std::uint16_t>(hundredths), ui);
    accept(); // closes the port (FormClose)
}

} // namespace orlomat
