// The device settings dialog: reads the altimeter's settings, edits them, writes them back,
// and holds the choice of serial port.
#pragma once

#include "core/language.h"

#include <QDialog>

#include <cstdint>
#include <optional>

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace orlomat {

class TOrlomat_BMP;
struct DeviceSettingsRead;

class TFormUstawienia : public QDialog {
    Q_OBJECT
public:
    explicit TFormUstawienia(TOrlomat_BMP& host);

    // Reads the settings over the open channel into the fields; false when a read failed.
    bool ReadDeviceSettings();
    // True, after its message, when the level, delay or competitor field is empty.
    bool CheckEmptyFields();
    // The partial clearing after a failed read on opening.
    void ClearAfterFailedRead();
    // Shows `name` as the chosen port (adding it to the list when it is not there), without
    // running the port change.
    void ShowPort(const QString& name);

    QComboBox* CB_Numer_Portu = nullptr;
    QLineEdit *E_Poziom = nullptr, *E_Kal_Temp = nullptr, *E_NrZaw = nullptr, *E_CzasOp = nullptr,
              *E_NrSer = nullptr, *Edit_Wersja = nullptr;
    QComboBox *ComboBox_ImPomiarow = nullptr, *ComboB_Zer = nullptr;
    QPushButton* B_wyslij = nullptr;
    QLabel *L_Numer_Portu = nullptr, *L_PoziomWyzwalania = nullptr, *L_Kalibracja_Temp = nullptr,
           *L_Ust_Probk = nullptr, *LZerReczne = nullptr, *L_Numer_Zawodnika = nullptr,
           *L_CzasOp = nullptr, *L_Sek = nullptr, *L_NrSer = nullptr, *Label_Wersja = nullptr,
           *Label1 = nullptr, *Label2 = nullptr;

public slots:
    void CB_Numer_PortuChange();
    void BWyslijPClick();
    void FormActivate();
    void E_Poziom_Ent();
    void E_Kal_zaduzo();
    void E_nrZaw_zaduzo();
    void E_CzasOpChange();
    void E_Poziom_Exit();
    void E_CzasOpExit();

protected:
    void showEvent(QShowEvent* event) override;
    void done(int result) override;

private:
    void warnAboveLimit(const QLineEdit* edit, std::uint32_t limit);
    // The field as a whole number, or a message and nothing.
    std::optional<std::int64_t> numberIn(const QLineEdit* edit);
    void error(Message message, const QString& prefix = {});
    TOrlomat_BMP& host_;
    QString shownPort_; // the port the combo showed when the user last left it
};

} // namespace orlomat
