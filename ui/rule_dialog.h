// The numbers a rule's reading needs from the user (the director's maximum time, the motor's
// stop, ...), checked before the dialog closes: a problem is told in the dialog, by its field.
#pragma once

#include "core/language.h"
#include "ui/reading_words.h"

#include <QDialog>

#include <optional>

class QLabel;
class QLineEdit;

namespace orlomat {

class RuleDialog : public QDialog {
    Q_OBJECT
public:
    // Its fields start with `previous`'s numbers when it is the same rule (the precision rule
    // is the apogee's with a target).
    RuleDialog(Rule rule, const std::optional<RuleChoice>& previous, Language language,
               QWidget* parent = nullptr);
    // The rule and its numbers once accepted.
    const RuleChoice& choice() const { return choice_; }
    // What stops the dialog from closing; empty when nothing does.
    QString problem() const;

public slots:
    void accept() override;

private:
    Rule rule_;
    Language language_;
    RuleChoice choice_;
    QLineEdit *first_ = nullptr, *second_ = nullptr;
    QLabel* problem_ = nullptr;
};

} // namespace orlomat
