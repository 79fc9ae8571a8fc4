// The flight archive: every flight read from an altimeter in the window is kept at once, as a
// new file with its line in the download log, in a folder of its own (never twice the same
// bytes). The window says in its archive line what became of each flight; the menu command
// shows the folder and lets the user choose another.
#pragma once

#include "core/language.h"
#include "ui/archive_keeping.h"

#include <QString>

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

class QLabel;
class QWidget;

namespace orlomat {

class Prompter;

class FlightArchive {
public:
    // The archive line is a label on `lineParent` (the chart), hidden until a flight is kept.
    FlightArchive(QWidget& lineParent, Prompter& prompter, std::function<Language()> language);

    // The folder in force: the one given for this run, else the one chosen, else the default.
    QString folder() const;
    // A folder for this run only (OrlomatBMP --archive DIR): nothing is stored.
    void setFolderForThisRun(const QString& folder) { forThisRun_ = folder; }
    // The menu command: the folder dialog, titled with the folder in force; the folder picked
    // is stored with the preferences (and used from now on, also in this run).
    void chooseFolder();

    // Keeps the record (the folder made when missing; when the archive cannot take it, in a
    // fallback folder), and says in the archive line what became of it; failures in red.
    ArchivedFlight keep(const std::vector<std::uint8_t>& record, const KeepDetails& details);
    // The archive line's text for `kept`.
    QString describe(const ArchivedFlight& kept) const;
    // Why flights cannot be written into the archive in force (made when missing); empty
    // when they can.
    QString whyUnusable() const;
    // The archive line in the language in force.
    void retranslate();
    // Another flight is shown: the line, which told of the one kept last, goes.
    void forget();

private:
    QLabel* line_; // "ArchiwumLinia"
    QString text(Message m) const;
    Prompter& prompter_;
    std::function<Language()> language_;
    void showLine(bool fault);
    QString forThisRun_;
    std::optional<ArchivedFlight> last_; // what the archive line tells of
};

} // namespace orlomat
