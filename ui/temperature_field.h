// A flight's temperature field: only what the entry rules allow is typed, and Enter hands on
// the whole degrees typed, or says the value is wrong.
#pragma once

#include "core/language.h"

#include <QObject>

#include <functional>
#include <optional>

class QLineEdit;

namespace orlomat {

class Prompter;

class TemperatureField : public QObject {
public:
    // Watches `edit` (and lives as long as it); `entered` gets the temperature on Enter.
    TemperatureField(QLineEdit& edit, Prompter& prompter, std::function<Language()> language,
                     std::function<void(float)> entered);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // True when the key is to be discarded.
    bool key(QChar key);
    // The whole degrees typed, or the message and nothing.
    std::optional<float> typedTemperature();

    QLineEdit& edit_;
    Prompter& prompter_;
    std::function<Language()> language_;
    std::function<void(float)> entered_;
};

} // namespace orlomat
