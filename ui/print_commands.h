// The Print/Export menu's chart commands as the window runs them: the printer set-up, printing
// and the picture file, with the dialogs they need and a message saying why when one fails.
#pragma once

#include "core/language.h"
#include "ui/chart_output.h"

#include <QString>

#include <functional>

class QPrinter;

namespace orlomat {

class ChartView;
class Prompter;

class PrintCommands {
public:
    // `language` gives the language in force.
    PrintCommands(ChartView& chart, Prompter& prompter, std::function<Language()> language);

    QPrinter& printer() { return output_.printer(); }

    // The set-up dialog: printer or PDF file, paper, orientation, kept for printing.
    void setUpPrinter();
    // One page with the print title; with no printer at all, the set-up comes first.
    void print(const PrintTitle& title);
    // The chart as a bitmap under a name the user picks; the print title is shown meanwhile.
    void savePicture(const PrintTitle& title);

private:
    QString caption(Caption c) const;
    QString msg(Message m) const;
    void showError(Message text, const QString& detail);

    ChartOutput output_;
    Prompter& prompter_;
    std::function<Language()> language_;
    QString pictureDialogName_; // the picture dialog starts with the name chosen last
};

} // namespace orlomat
