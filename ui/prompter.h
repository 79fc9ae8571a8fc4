// Everything that asks the user something or tells them something in a separate window:
// message boxes, file dialogs, printer set-up. Tests replace it with scripted answers.
#pragma once

#include <QString>

class QDialog;
class QMessageBox;
class QPrinter;

namespace orlomat {

class Prompter {
public:
    virtual ~Prompter() = default;
    // A message box with an OK button.
    virtual void message(const QString& text, const QString& caption) = 0;
    // OK and Cancel; true only on OK.
    virtual bool confirm(const QString& text, const QString& caption) = 0;
    // File dialogs: the chosen full path, or an empty text when cancelled. `current` is the
    // name (or the folder) the dialog starts with, `caption` its title.
    virtual QString openFileName(const QString& current, const QString& caption) = 0;
    virtual QString saveFileName(const QString& current, const QString& caption) = 0;
    virtual QString pictureFileName(const QString& current, const QString& caption) = 0;
    // A folder: the chosen folder, or an empty text when cancelled; `caption` titles the dialog.
    virtual QString folderName(const QString& current, const QString& caption) = 0;
    // The printer set-up: printer (or a PDF file), its properties, paper and orientation are
    // chosen and kept in `printer` for printing; nothing is printed. True when confirmed.
    virtual bool printerSetup(QPrinter& printer, const QString& caption) = 0;
    // Shows a dialog modally; returns when it is closed.
    virtual void showModal(QDialog& dialog) = 0;
    // Opens a document with the program the desktop associates with it (the manual, the
    // results page); false when none could be started.
    virtual bool openDocument(const QString& path) = 0;
};

// A message box wide enough for its caption in the window manager's title bar: sized for its
// text alone, a short message gets its title cut ("Al...or").
void WidenForCaption(QMessageBox& box);

// The real dialogs: message boxes without an owner window, the system's file dialogs.
class QtPrompter : public Prompter {
public:
    void message(const QString& text, const QString& caption) override;
    bool confirm(const QString& text, const QString& caption) override;
    QString openFileName(const QString& current, const QString& caption) override;
    QString saveFileName(const QString& current, const QString& caption) override;
    QString pictureFileName(const QString& current, const QString& caption) override;
    QString folderName(const QString& current, const QString& caption) override;
    bool printerSetup(QPrinter& printer, const QString& caption) override;
    void showModal(QDialog& dialog) override;
    bool openDocument(const QString& path) override;
};

} // namespace orlomat
