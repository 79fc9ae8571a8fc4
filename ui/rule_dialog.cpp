#include "ui/rule_dialog.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QVBoxLayout>

#include <algorithm>

namespace orlomat {

namespace {

QString Text(ReadingText t, Language l) {
    return QString::fromUtf8(Tr(t, l));
}

// A number as the user types it back: the decimal comma in Polish.
QString Typed(double v, Language l) {
    QString s = QString::number(v, 'g', 10);
    if (l == Language::Polish) s.replace(QLatin1Char('.'), QLatin1Char(','));
    return s;
}

} // namespace

RuleDialog::RuleDialog(Rule rule, const std::optional<RuleChoice>& previous, Language language,
                       QWidget* parent)
    : QDialog(parent), rule_(rule == Rule::Precision ? Rule::Apogee : rule), language_(language) {
    setObjectName(QStringLiteral("RuleDialog"));
    const ReadingText title = rule_ == Rule::F1Flyoff   ? ReadingText::MenuF1Flyoff
                              : rule_ == Rule::F5jStart ? ReadingText::MenuF5j
                              : rule_ == Rule::Apogee   ? ReadingText::MenuApogee
                                                        : ReadingText::MenuTimekeeper;
    QString caption = Text(title, language);
    while (caption.endsWith(QLatin1Char('.')))
        caption.chop(1);
    setWindowTitle(caption);

    auto* form = new QFormLayout;
    const ReadingText firstLabel = rule_ == Rule::F1Flyoff   ? ReadingText::FieldMaxTime
                                   : rule_ == Rule::F5jStart ? ReadingText::FieldMotorStop
                                   : rule_ == Rule::Apogee   ? ReadingText::FieldTarget
                                                             : ReadingText::FieldTimekeeper;
    first_ = new QLineEdit(this);
    first_->setObjectName(QStringLiteral("RuleFirst"));
    first_->setAccessibleName(Text(firstLabel, language));
    form->addRow(Text(firstLabel, language), first_);
    if (rule_ == Rule::F1Flyoff) {
        second_ = new QLineEdit(this);
        second_->setObjectName(QStringLiteral("RuleSecond"));
        second_->setAccessibleName(Text(ReadingText::FieldSignature, language));
        form->addRow(Text(ReadingText::FieldSignature, language), second_);
    }
    // The same rule's numbers again: the precision rule is the apogee's with a target, the
    // apogee without one has none.
    if (previous && previous->rule != Rule::Apogee &&
        (previous->rule == Rule::Precision ? Rule::Apogee : previous->rule) == rule_) {
        first_->setText(Typed(previous->value, language));
        if (second_ != nullptr && previous->signature)
            second_->setText(QString::number(*previous->signature));
    }
    problem_ = new QLabel(this);
    problem_->setObjectName(QStringLiteral("RuleProblem"));
    problem_->setWordWrap(true);
    QPalette red = problem_->palette();
    red.setColor(QPalette::WindowText, QColor(170, 0, 0));
    problem_->setPalette(red);
    problem_->hide();
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &RuleDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &RuleDialog::reject);
    auto* column = new QVBoxLayout(this);
    column->addLayout(form);
    column->addWidget(problem_);
    column->addWidget(buttons);
    setMinimumWidth(360);
}

QString RuleDialog::problem() const {
    return problem_->isHidden() ? QString() : problem_->text();
}

void RuleDialog::accept() {
    const RuleInput in =
        ParseRuleFields(rule_, first_->text().toStdString(),
                        second_ != nullptr ? second_->text().toStdString() : std::string());
    if (!in.choice) {
        problem_->setText(Text(in.problem, language_));
        problem_->show();
        // A wrapped problem needs all its lines: the dialog grows to them.
        layout()->activate();
        resize(width(), std::max(height(), heightForWidth(width())));
        QLineEdit* field = in.field == 1 && second_ != nullptr ? second_ : first_;
        field->setFocus();
        field->selectAll();
        return;
    }
    choice_ = *in.choice;
    QDialog::accept();
}

} // namespace orlomat
