// A Prompter for programs without a user at the window (the plot command, the screenshot
// tool): messages go to a stream, questions are answered "no", dialogs are not shown.
#pragma once

#include "ui/prompter.h"

#include <ostream>

namespace orlomat {

class ConsolePrompter : public Prompter {
public:
    explicit ConsolePrompter(std::ostream& out) : out_(out) {}
    void message(const QString& text, const QString& caption) override {
        out_ << caption.toStdString() << ": " << text.toStdString() << '\n';
        ++messages;
    }
    bool confirm(const QString&, const QString&) override { return false; }
    QString openFileName(const QString&, const QString&) override { return {}; }
    QString saveFileName(const QString&, const QString&) override { return {}; }
    QString pictureFileName(const QString&, const QString&) override { return {}; }
    QString folderName(const QString&, const QString&) override { return {}; }
    bool printerSetup(QPrinter&, const QString&) override { return false; }
    void showModal(QDialog&) override {}
    bool openDocument(const QString&) override { return false; }
    int messages = 0;

private:
    std::ostream& out_;
};

} // namespace orlomat
