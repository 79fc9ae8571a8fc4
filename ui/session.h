// What the main window keeps for the whole run: the settings record, the language in force
// and the two flights, each with its own record bytes and decoding state.
#pragma once

#include "analysis/comparison.h"
#include "analysis/filter_chain.h"
#include "core/flight.h"
#include "core/language.h"
#include "files/settings_record.h"

namespace orlomat {

struct Session {
    FilterSettings filterSettings() const { return settings.filter(); }
    SettingsRecord settings;
    Language language = Language::Polish;
    Flight current;
    ComparisonFlight comparison;
    int triggerLevel = 0; // metres, as last read from the altimeter's settings
    FilterWork filterWork;
};

} // namespace orlomat
