#include "ui/filtr.h"

#include "analysis/filter_chain.h"
#include "core/language.h"
#include "ui/orlomat_1.h"
#include "ui/prompter.h"
#include "core/format.h"

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

TF_Filtr::TF_Filtr(TOrlomat_BMP& host) : QDialog(&host), host_(host) {
    setObjectName(QStringLiteral("F_Filtr"));
    setModal(true);
    setWindowTitle(QStringLiteral("Orlomat-Filtr"));
    setFixedSize(336, 176);
    Label1 = MakeWidget<QLabel>(this, "Label1", 16, 16, 150, 16);
    Ed_Obc_Zgr = MakeWidget<QLineEdit>(this, "Ed_Obc_Zgr", 16, 34, 121, 22);
    Label2 = MakeWidget<QLabel>(this, "Label2", 176, 16, 150, 16);
    Ed_Filtr1 = MakeWidget<QLineEdit>(this, "Ed_Filtr1", 176, 34, 121, 22);
    Label3 = MakeWidget<QLabel>(this, "Label3", 16, 72, 150, 16);
    Ed_ObcDokl = MakeWidget<QLineEdit>(this, "Ed_ObcDokl", 16, 90, 121, 22);
    Label4 = MakeWidget<QLabel>(this, "Label4", 176, 72, 150, 16);
    Ed_Filtr2 = MakeWidget<QLineEdit>(this, "Ed_Filtr2", 176, 90, 121, 22);
    Button2 = MakeWidget<QPushButton>(this, "Button2", 16, 130, 121, 30);
    Button1 = MakeWidget<QPushButton>(this, "Button1", 176, 130, 121, 30);
    // The texts of the form description, until FormCreate fills the edits.
    Ed_Obc_Zgr->setText(QStringLiteral("350"));
    Ed_Filtr1->setText(QStringLiteral("8"));
    Ed_ObcDokl->setText(QStringLiteral("350"));
    Ed_Filtr2->setText(QStringLiteral("13"));
    connect(Button1, &QPushButton::clicked, this, &TF_Filtr::Button1Click);
    connect(Button2, &QPushButton::clicked, this, &TF_Filtr::Button2Click);
    FormCreate();
}

void TF_Filtr::FormCreate() {
    const SettingsRecord& s = host_.session().settings;
    Ed_Obc_Zgr->setText(QString::number(s.preCut));
    Ed_ObcDokl->setText(QString::number(s.finalCut));
    Ed_Filtr1->setText(QString::number(s.prefilterWidth));
    Ed_Filtr2->setText(QString::number(s.finalFilterWidth));
}

void TF_Filtr::FormActivate() {
    const int l = host_.session().language;
    const auto t = [&](FilterText f) { return QString::fromUtf8(Tr(f, l)); };
    Label1->setText(t(FilterText::PreCut));
    Label2->setText(t(FilterText::Prefilter));
    Label3->setText(t(FilterText::FinalCut));
    Label4->setText(t(FilterText::FinalFilter));
    Button2->setText(t(FilterText::Save));
    Button1->setText(t(FilterText::Default));
}

void TF_Filtr::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    FormActivate();
}

void TF_Filtr::Button1Click() {
    Ed_Obc_Zgr->setText(QStringLiteral("350"));
    Ed_ObcDokl->setText(QStringLiteral("250"));
    Ed_Filtr1->setText(QStringLiteral("8"));
    Ed_Filtr2->setText(QStringLiteral("12"));
}

void TF_Filtr::Button2Click() {
    FilterSettings f;
    f.preCut = NumberOr(Ed_Obc_Zgr, 350);
    f.finalCut = NumberOr(Ed_ObcDokl, 350);
    f.prefilterWidth = NumberOr(Ed_Filtr1, 8);
    f.finalFilterWidth = NumberOr(Ed_Filtr2, 13);
    // Settings that would break the chain are refused, and nothing is stored.
    if (!f.valid()) {
        const int l = host_.session().language;
        host_.prompter().message(QString::fromUtf8(Tr(Message::FilterOutOfRange, l)),
                                 QString::fromUtf8(Tr(Message::ErrorCaption, l)));
        return;
    }
    SettingsRecord& s = host_.session().settings;
    s.preCut = f.preCut;
    s.finalCut = f.finalCut;
    s.prefilterWidth = f.prefilterWidth;
    s.finalFilterWidth = f.finalFilterWidth;
    host_.SaveSettings();
    accept();
}

} // namespace orlomat
