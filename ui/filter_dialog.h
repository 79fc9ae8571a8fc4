// The filter settings dialog: the four settings of the smoothing filter.
#pragma once

#include <QDialog>

#include <functional>

class QLabel;
class QLineEdit;
class QPushButton;

namespace orlomat {

class Prompter;
struct Session;

class FilterDialog : public QDialog {
    Q_OBJECT
public:
    // Edits the session's filter settings; `saveSettings` stores them.
    FilterDialog(Session& session, Prompter& prompter, std::function<void()> saveSettings,
                 QWidget* parent);

    QLineEdit *preCutEdit = nullptr, *finalCutEdit = nullptr, *prefilterEdit = nullptr,
              *finalFilterEdit = nullptr;
    QLabel *preCutLabel = nullptr, *prefilterLabel = nullptr, *finalCutLabel = nullptr,
           *finalFilterLabel = nullptr;
    QPushButton *defaultsButton = nullptr, *saveButton = nullptr;

public slots:
    void fillFields();
    void applyLanguageTexts();
    void restoreDefaults();
    void saveFilterSettings();

protected:
    void showEvent(QShowEvent* event) override;

private:
    Session& session_;
    Prompter& prompter_;
    std::function<void()> saveSettings_;
};

} // namespace orlomat
