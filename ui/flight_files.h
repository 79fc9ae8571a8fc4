// The flight files the user picks: the open and save dialogs (each starts with the name chosen
// last), reading a flight file, saving the record and the spreadsheet export. Every failure is
// told through the prompter, with the reason.
#pragma once

#include "core/flight.h"
#include "core/language.h"

#include <QString>

#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

class QByteArray;

namespace orlomat {

class Prompter;

// The file's name without its folder: what follows the last "/" or "\".
QString NameWithoutFolder(const QString& path);

class FlightFiles {
public:
    // `language` gives the language in force.
    FlightFiles(Prompter& prompter, std::function<Language()> language);

    // The file the user picks to open; empty when cancelled.
    QString chooseToOpen();
    // The comparison file: the dialog starts in the last file's folder with no name in it (the
    // current file's name would make Enter compare the flight with itself).
    QString chooseComparison();
    // A flight file's bytes (at most one record), or a message and nothing.
    std::optional<std::vector<std::uint8_t>> read(const QString& path);
    // The record under a name the user picks; a file there is replaced only when confirmed.
    void save(const Flight& flight);
    // The altitude table as a spreadsheet file, numbers with `decimalSeparator`; or with
    // `localSheet`, with its times in the dialect of a spreadsheet set to the user's language
    // (files/spreadsheet_csv.h).
    void exportSpreadsheet(const Flight& flight, char decimalSeparator, bool localSheet = false);

private:
    // Writes a file the user chose, atomically; a message with the reason when it fails.
    bool write(const QString& path, const QByteArray& bytes);
    // The save dialog's answer, confirmed when it names a file that exists; empty otherwise.
    QString chooseToSave(const std::function<QString(const QString&)>& target, Phrase title);
    void showError(Message text, const QString& detail = {});
    QString msg(Message m) const;

    Prompter& prompter_;
    std::function<Language()> language_;
    QString openDialogName_, saveDialogName_;
};

} // namespace orlomat
