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

// What "Zapisz" takes in each field: whole numbers within these bounds. The widths follow
// the labels ("Filtr wstepny [4-20]", "Filtr dokladny [4 - 30]"); the cuts are centimetres,
// up to 100 m, which no flight's noise comes near.
struct FilterRange {
    int min, max;
};
constexpr FilterRange kPreCutRange{1, 10000}, kFinalCutRange{1, 10000}, kPrefilterRange{4, 20},
    kFinalFilterRange{4, 30};

class FilterDialog : public QDialog {
    Q_OBJECT
public:
    // Edits the session's filter settings; `saveSettings` stores them.
    FilterDialog(Session& session, Prompter& prompter, std::function<void()> saveSettings,
                 QWidget* parent);

    // What the four fields hold, as typed ("Zapisz" checks them).
    struct Fields {
        QString preCut, finalCut, prefilter, finalFilter;
    };
    Fields values() const;
    void setValues(const Fields& fields);

public slots:
    void fillFields();
    void applyLanguageTexts();
    void restoreDefaults();
    // Stores the four fields and closes; a field that is not a whole number in its range is
    // named with its range, and nothing is stored.
    void saveFilterSettings();

protected:
    void showEvent(QShowEvent* event) override;

private:
    QLineEdit *preCutEdit = nullptr, *finalCutEdit = nullptr, *prefilterEdit = nullptr,
              *finalFilterEdit = nullptr;
    QLabel *preCutLabel = nullptr, *prefilterLabel = nullptr, *finalCutLabel = nullptr,
           *finalFilterLabel = nullptr;
    QPushButton *defaultsButton = nullptr, *saveButton = nullptr;
    Session& session_;
    Prompter& prompter_;
    std::function<void()> saveSettings_;
};

} // namespace orlomat
