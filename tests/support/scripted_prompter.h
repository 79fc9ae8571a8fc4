// A Prompter for tests: answers from a script, records every message shown.
#pragma once

#include "prompter.h"

#include <QStringList>

#include <deque>

namespace orlomat::test {

struct ShownMessage {
    QString text;
    QString caption;
    bool confirmation = false;
};

class ScriptedPrompter : public Prompter {
public:
    std::deque<QString> fileNames;  // answers of the file dialogs, in order ("" = cancel)
    std::deque<bool> confirmations;  // answers of OK/Cancel boxes (none left = Cancel)
    std::vector<ShownMessage> shown;
    int fileDialogs = 0;
    QStringList dialogStartNames;  // the name each file dialog started with

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
    QString openFileName(const QString& current) override { return nextFile(current); }
    QString saveFileName(const QString& current) override { return nextFile(current); }
    QString pictureFileName(const QString& current) override { return nextFile(current); }
    void printerSetup(QPrinter&) override {}

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
