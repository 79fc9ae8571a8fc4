#include "ui/temperature_field.h"

#include "analysis/temperature_entry.h"
#include "ui/prompter.h"

#include <QKeyEvent>
#include <QLineEdit>

namespace orlomat {

TemperatureField::TemperatureField(QLineEdit& edit, Prompter& prompter,
                                   std::function<Language()> language,
                                   std::function<void(float)> entered)
    : QObject(&edit), edit_(edit), prompter_(prompter), language_(std::move(language)),
      entered_(std::move(entered)) {
    edit.installEventFilter(this);
}

bool TemperatureField::eventFilter(QObject* watched, QEvent* event) {
    if (watched != &edit_ || event->type() != QEvent::KeyPress)
        return QObject::eventFilter(watched, event);
    const auto* k = static_cast<QKeyEvent*>(event);
    // Only typed characters, Backspace and Enter are the field's rules. Tab, Delete, the
    // cursor keys and the editing shortcuts (Ctrl+A, Ctrl+C, Ctrl+V, ...) work as in any
    // line edit: their "characters" are control codes the rules would discard.
    if (k->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier)) return false;
    QChar ch;
    if (k->key() == Qt::Key_Return || k->key() == Qt::Key_Enter)
        ch = QChar(13);
    else if (k->key() == Qt::Key_Backspace)
        ch = QChar(8);
    else if (!k->text().isEmpty() && k->text().at(0).isPrint())
        ch = k->text().at(0);
    if (ch.isNull()) return false;
    return key(ch);
}

bool TemperatureField::key(QChar key) {
    if (!TemperatureKeyPasses(key.unicode(), static_cast<std::size_t>(edit_.text().size())))
        return true;
    if (key.unicode() == 13)
        if (const auto t = typedTemperature()) entered_(*t);
    return false;
}

std::optional<float> TemperatureField::typedTemperature() {
    const std::int32_t t = ParseTemperatureEntry(edit_.text().toStdString());
    if (t == kWrongTemperature) {
        prompter_.message(QString::fromUtf8(Tr(Message::WrongTemperature, language_())),
                          QString::fromUtf8(Tr(Message::ErrorCaption, language_())));
        return std::nullopt;
    }
    return static_cast<float>(t);
}

} // namespace orlomat
