#include "ui/print_commands.h"

#include "ui/prompter.h"

#include <QDir>
#include <QPrinter>
#include <QStringList>

namespace orlomat {

PrintCommands::PrintCommands(ChartView& chart, Prompter& prompter,
                             std::function<Language()> language)
    : output_(chart), prompter_(prompter), language_(std::move(language)) {}

QString PrintCommands::caption(Caption c) const {
    return QString::fromUtf8(Tr(c, language_()));
}

QString PrintCommands::msg(Message m) const {
    return QString::fromUtf8(Tr(m, language_()));
}

void PrintCommands::showError(Message text, const QString& detail) {
    prompter_.message(msg(text) + detail, msg(Message::ErrorCaption));
}

void PrintCommands::setUpPrinter() {
    prompter_.printerSetup(output_.printer(), caption(Caption::PrinterSetup));
}

void PrintCommands::print(const PrintTitle& title) {
    // With no printer at all, and no file chosen yet, printing could only fail: the set-up
    // dialog comes first, and cancelling it prints nothing.
    if (!output_.hasDestination() &&
        !prompter_.printerSetup(output_.printer(), caption(Caption::PrinterSetup)))
        return;
    QString where;
    const PrintResult r = output_.print(title, where);
    if (r.ok()) {
        // A PDF file lands quietly in some folder: the user is told which.
        if (!output_.printer().outputFileName().isEmpty())
            prompter_.message(QString::fromUtf8(Tr(Phrase::PrintedToPdf, language_())) +
                                  QDir::toNativeSeparators(output_.printer().outputFileName()),
                              caption(Caption::Print));
        return;
    }
    QStringList parts{where};
    switch (r.fault) {
    case PrintFault::NoDestination:
        parts << msg(Message::NoPrinterChosen);
        break;
    case PrintFault::PrinterRefused:
        parts << msg(Message::PrinterRefused);
        break;
    case PrintFault::PageNotRendered:
        parts << msg(Message::PageNotRendered);
        break;
    case PrintFault::FileNotWritten:
    case PrintFault::None:
        break;
    }
    parts << r.reason;
    parts.removeAll(QString());
    showError(Message::CannotPrint, parts.join(QStringLiteral(": ")));
}

void PrintCommands::savePicture(const PrintTitle& title) {
    output_.composePrintTitle(title);
    const QString chosen = prompter_.pictureFileName(
        pictureDialogName_, QString::fromUtf8(Tr(Phrase::PictureTitle, language_())));
    QString path, error;
    if (!chosen.isEmpty()) {
        pictureDialogName_ = chosen;
        error = output_.savePicture(chosen, path);
    }
    output_.restoreScreenTitle();
    if (!error.isEmpty())
        showError(Message::CannotSaveFile,
                  QDir::toNativeSeparators(path) + QStringLiteral(": ") + error);
}

} // namespace orlomat
