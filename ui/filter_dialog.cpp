#include "ui/filter_dialog.h"

#include "analysis/filter_chain.h"
#include "core/format.h"
#include "core/language.h"
#include "ui/prompter.h"
#include "ui/session.h"

#include "ui/widgets.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace orlomat {

namespace {

// The whole number in an edit, or the fallback for anything else.
std::int32_t NumberOr(const QLineEdit* e, std::int32_t fallback) {
    const auto v = ParseWholeNumber(e->text().trimmed().toStdString());
    return v && *v >= INT32_MIN && *v <= INT32_MAX ? static_cast<std::int32_t>(*v) : fallback;
}

} // namespace

FilterDialog::FilterDialog(Session& session, Prompter& prompter, std::function<void()> saveSettings,
                           QWidget* parent)
    : QDialog(parent), session_(session), prompter_(prompter),
      saveSettings_(std::move(saveSettings)) {
    setObjectName(QStringLiteral("F_Filtr"));
    setModal(true);
    setWindowTitle(QStringLiteral("Orlomat-Filtr"));
    setFixedSize(336, 176);
    preCutLabel = MakeWidget<QLabel>(this, "Label1", 16, 16, 150, 16);
    preCutEdit = MakeWidget<QLineEdit>(this, "Ed_Obc_Zgr", 16, 34, 121, 22);
    prefilterLabel = MakeWidget<QLabel>(this, "Label2", 176, 16, 150, 16);
    prefilterEdit = MakeWidget<QLineEdit>(this, "Ed_Filtr1", 176, 34, 121, 22);
    finalCutLabel = MakeWidget<QLabel>(this, "Label3", 16, 72, 150, 16);
    finalCutEdit = MakeWidget<QLineEdit>(this, "Ed_ObcDokl", 16, 90, 121, 22);
    finalFilterLabel = MakeWidget<QLabel>(this, "Label4", 176, 72, 150, 16);
    finalFilterEdit = MakeWidget<QLineEdit>(this, "Ed_Filtr2", 176, 90, 121, 22);
    saveButton = MakeWidget<QPushButton>(this, "Button2", 16, 130, 121, 30);
    defaultsButton = MakeWidget<QPushButton>(this, "Button1", 176, 130, 121, 30);
    // The texts of the form description, until fillFields fills the edits.
    preCutEdit->setText(QStringLiteral("350"));
    prefilterEdit->setText(QStringLiteral("8"));
    finalCutEdit->setText(QStringLiteral("350"));
    finalFilterEdit->setText(QStringLiteral("13"));
    connect(defaultsButton, &QPushButton::clicked, this, &FilterDialog::restoreDefaults);
    connect(saveButton, &QPushButton::clicked, this, &FilterDialog::saveFilterSettings);
    fillFields();
}

void FilterDialog::fillFields() {
    const SettingsRecord& s = session_.settings;
    preCutEdit->setText(QString::number(s.preCut));
    finalCutEdit->setText(QString::number(s.finalCut));
    prefilterEdit->setText(QString::number(s.prefilterWidth));
    finalFilterEdit->setText(QString::number(s.finalFilterWidth));
}

void FilterDialog::applyLanguageTexts() {
    const int l = session_.language;
    const auto t = [&](FilterText f) { return QString::fromUtf8(Tr(f, l)); };
    preCutLabel->setText(t(FilterText::PreCut));
    prefilterLabel->setText(t(FilterText::Prefilter));
    finalCutLabel->setText(t(FilterText::FinalCut));
    finalFilterLabel->setText(t(FilterText::FinalFilter));
    saveButton->setText(t(FilterText::Save));
    defaultsButton->setText(t(FilterText::Default));
}

void FilterDialog::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    applyLanguageTexts();
}

void FilterDialog::restoreDefaults() {
    preCutEdit->setText(QStringLiteral("350"));
    finalCutEdit->setText(QStringLiteral("250"));
    prefilterEdit->setText(QStringLiteral("8"));
    finalFilterEdit->setText(QStringLiteral("12"));
}

void FilterDialog::saveFilterSettings() {
    FilterSettings f;
    f.preCut = NumberOr(preCutEdit, 350);
    f.finalCut = NumberOr(finalCutEdit, 350);
    f.prefilterWidth = NumberOr(prefilterEdit, 8);
    f.finalFilterWidth = NumberOr(finalFilterEdit, 13);
    // Settings that would break the chain are refused, and nothing is stored.
    if (!f.valid()) {
        const int l = session_.language;
        prompter_.message(QString::fromUtf8(Tr(Message::FilterOutOfRange, l)),
                          QString::fromUtf8(Tr(Message::ErrorCaption, l)));
        return;
    }
    SettingsRecord& s = session_.settings;
    s.preCut = f.preCut;
    s.finalCut = f.finalCut;
    s.prefilterWidth = f.prefilterWidth;
    s.finalFilterWidth = f.finalFilterWidth;
    saveSettings_();
    accept();
}

} // namespace orlomat
