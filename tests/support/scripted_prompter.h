// A Prompter for tests: answers from a script, records every message shown.
#pragma once

#include "ui/prompter.h"

#include <QDialog>
#include <QStringList>

#include <functional>

#include <deque>
#include <ostream>

// Readable QStrings in test failure messages.
inline void PrintTo(const QString& s, std::ostream* os) {
    *os << '"' << s.toStdString() << '"';
}

namespace orlomat::test {

struct ShownMessage {
    QString text;
    QString caption;
    bool confirmation = false;
};

class ScriptedPrompter : public Prompter {
public:
    std::deque<QString> fileNames;  // answers of the file dialogs, in order ("" = cancel)
    std::deque<bool> confirmations; // answers of OK/Cancel boxes (none left = Cancel)
    std::vector<ShownMessage> shown;
    int fileDialogs = 0;
    QStringList dialogStartNames; // the name each file dialog started with
    QStringList fileCaptions;     // the title of each file dialog

    void message(const QString& text, const QString& caption) override {
        shown.push_back({text, caption, false});
    }
    bool confirm(const QString& text, const QString& caption) override {
        shown.push_back({text, caption, true});
        if (confirmations.empty()) return false;
        const bool answer = confirmations.front();
        confirmations.pop_front();
        return answer;
    }
    QString openFileName(const QString& current, const QString& caption) override {
        fileCaptions << caption;
        return nextFile(current);
    }
    QString saveFileName(const QString& current, const QString& caption) override {
        fileCaptions << caption;
        return nextFile(current);
    }
    // What the "user" sees while the picture dialog is open (the chart with its print title).
    std::function<void()> onPictureDialog;
    QString pictureFileName(const QString& current, const QString& caption) override {
        fileCaptions << caption;
        if (onPictureDialog) onPictureDialog();
        return nextFile(current);
    }
    // What the printer set-up "user" chooses (tests print to PDF files), and whether they
    // confirm it.
    std::function<void(QPrinter&)> onPrinterSetup;
    bool printerSetupConfirmed = true;
    QStringList printerSetupCaptions; // one per set-up dialog shown
    QStringList folderCaptions;       // the title of each folder dialog shown
    QString folderName(const QString& current, const QString& caption) override {
        folderCaptions << caption;
        return nextFile(current);
    }
    bool printerSetup(QPrinter& printer, const QString& caption) override {
        printerSetupCaptions << caption;
        if (onPrinterSetup) onPrinterSetup(printer);
        return printerSetupConfirmed;
    }
    QStringList openedDocuments;
    bool documentsOpen = true; // whether the desktop has a program for them
    bool openDocument(const QString& path) override {
        openedDocuments << path;
        return documentsOpen;
    }
    // What the "user" does while a dialog is shown; the dialog is closed afterwards unless
    // the action closed it.
    std::function<void(QDialog&)> onModal;
    int modals = 0;
    void showModal(QDialog& dialog) override {
        ++modals;
        dialog.setVisible(true);
        if (onModal) onModal(dialog);
        if (dialog.isVisible()) dialog.reject();
    }

private:
    QString nextFile(const QString& current) {
        ++fileDialogs;
        dialogStartNames.push_back(current);
        if (fileNames.empty()) return {};
        QString name = fileNames.front();
        fileNames.pop_front();
        return name;
    }
};

} // namespace orlomat::test
