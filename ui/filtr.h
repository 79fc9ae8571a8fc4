// The filter settings dialog: the four settings of the smoothing filter.
#pragma once

#include <QDialog>

class QLabel;
class QLineEdit;
class QPushButton;

namespace orlomat {

class TOrlomat_BMP;

class TF_Filtr : public QDialog {
    Q_OBJECT
public:
    explicit TF_Filtr(TOrlomat_BMP& host);

    QLineEdit *Ed_Obc_Zgr = nullptr, *Ed_ObcDokl = nullptr, *Ed_Filtr1 = nullptr,
              *Ed_Filtr2 = nullptr;
    QLabel *Label1 = nullptr, *Label2 = nullptr, *Label3 = nullptr, *Label4 = nullptr;
    QPushButton *Button1 = nullptr, *Button2 = nullptr;

public slots:
    void FormCreate();
    void FormActivate();
    void Button1Click();
    void Button2Click();

protected:
    void showEvent(QShowEvent* event) override;

private:
    TOrlomat_BMP& host_;
};

} // namespace orlomat
