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

// The field's name: its label without the bracket ("Filtr wstepny [4-20]", "Pre-cut [cm]").
QString FieldName(const QString& label) {
    return label.left(label.indexOf(QLatin1Char('['))).trimmed();
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
    connect(defaultsButton, &QPushButton::clicked, this, &FilterDialog::restoreDefaults);
    connect(saveButton, &QPushButton::clicked, this, &FilterDialog::saveFilterSettings);
    fillFields();
}

FilterDialog::Fields FilterDialog::values() const {
    return {preCutEdit->text(), finalCutEdit->text(), prefilterEdit->text(),
            finalFilterEdit->text()};
}

void FilterDialog::setValues(const Fields& f) {
    preCutEdit->setText(f.preCut);
    finalCutEdit->setText(f.finalCut);
    prefilterEdit->setText(f.prefilter);
    finalFilterEdit->setText(f.finalFilter);
}

void FilterDialog::fillFields() {
    const SettingsRecord& s = session_.settings;
    preCutEdit->setText(QString::number(s.preCut));
    finalCutEdit->setText(QString::number(s.finalCut));
    prefilterEdit->setText(QString::number(s.prefilterWidth));
    finalFilterEdit->setText(QString::number(s.finalFilterWidth));
}

void FilterDialog::applyLanguageTexts() {
    const Language l = session_.language;
    const auto t = [&](FilterText f) { return QString::fromUtf8(Tr(f, l)); };
    preCutLabel->setText(t(FilterText::PreCut));
    prefilterLabel->setText(t(FilterText::Prefilter));
    finalCutLabel->setText(t(FilterText::FinalCut));
    finalFilterLabel->setText(t(FilterText::FinalFilter));
    saveButton->setText(
        WithAccelerator(t(FilterText::Save), QLatin1Char(l == Language::Polish ? 'Z' : 'S')));
    defaultsButton->setText(WithAccelerator(t(FilterText::Default), QLatin1Char('D')));
}

void FilterDialog::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    applyLanguageTexts();
}

void FilterDialog::restoreDefaults() {
    preCutEdit->setText(QString::number(kDefaultFilter.preCut));
    finalCutEdit->setText(QString::number(kDefaultFilter.finalCut));
    prefilterEdit->setText(QString::number(kDefaultFilter.prefilterWidth));
    finalFilterEdit->setText(QString::number(kDefaultFilter.finalFilterWidth));
}

void FilterDialog::saveFilterSettings() {
    const Language l = session_.language;
    struct Field {
        QLineEdit* edit;
        FilterText label;
        FilterRange range;
        std::int32_t FilterSettings::*value;
    };
    // In the order of the form: left to right, top to bottom.
    const Field fields[] = {
        {preCutEdit, FilterText::PreCut, kPreCutRange, &FilterSettings::preCut},
        {prefilterEdit, FilterText::Prefilter, kPrefilterRange, &FilterSettings::prefilterWidth},
        {finalCutEdit, FilterText::FinalCut, kFinalCutRange, &FilterSettings::finalCut},
        {finalFilterEdit, FilterText::FinalFilter, kFinalFilterRange,
         &FilterSettings::finalFilterWidth},
    };
    FilterSettings f;
    for (const Field& field : fields) {
        const auto v = ParseWholeNumber(field.edit->text().trimmed().toStdString());
        // Every range starts above 0, so "-0" and "0" are refused alike.
        if (!v || *v < field.range.min || *v > field.range.max) {
            // Nothing is stored; the dialog stays open on the field to correct.
            prompter_.message(QString::fromUtf8(Tr(Message::FilterFieldRange, l))
                                  .arg(FieldName(QString::fromUtf8(Tr(field.label, l))))
                                  .arg(field.range.min)
                                  .arg(field.range.max),
                              QString::fromUtf8(Tr(Message::ErrorCaption, l)));
            field.edit->setFocus();
            field.edit->selectAll();
            return;
        }
        f.*field.value = static_cast<std::int32_t>(*v);
    }
    session_.settings.setFilter(f);
    saveSettings_();
    accept();
}

} // namespace orlomat
