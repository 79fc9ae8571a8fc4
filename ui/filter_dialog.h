// The filter settings dialog: the four settings of the smoothing filter.
#pragma once

#include <QDialog>

class QLabel;
class QLineEdit;
class QPushButton;

namespace orlomat {

class MainWindow;

class FilterDialog : public QDialog {
    Q_OBJECT
public:
    explicit FilterDialog(MainWindow& host);

    QLineEdit *preCutEdit = nullptr, *finalCutEdit = nullptr, *prefilterEdit = nullptr,
              *finalFilterEdit = nullptr;
    QLabel *preCutLabel = nullptr, *prefilterLabel = nullptr, *finalCutLabel = nullptr, *finalFilterLabel = nullptr;
    QPushButton *defaultsButton = nullptr, *saveButton = nullptr;

public slots:
    void fillFields();
    void applyLanguageTexts();
    void restoreDefaults();
    void saveFilterSettings();

protected:
    void showEvent(QShowEvent* event) override;

private:
    MainWindow& host_;
};

} // namespace orlomat
