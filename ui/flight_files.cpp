#include "ui/flight_files.h"

#include "contest/download_log.h"
#include "files/csv_export.h"
#include "files/file_io.h"
#include "files/spreadsheet_csv.h"
#include "ui/prompter.h"

#include <QByteArray>
#include <QDir>
#include <QFileInfo>
#include <algorithm>

namespace orlomat {

QString NameWithoutFolder(const QString& path) {
    const qsizetype cut =
        std::max(path.lastIndexOf(QLatin1Char('/')), path.lastIndexOf(QLatin1Char('\\')));
    return path.mid(cut + 1);
}

FlightFiles::FlightFiles(Prompter& prompter, std::function<Language()> language)
    : prompter_(prompter), language_(std::move(language)) {}

QString FlightFiles::msg(Message m) const {
    return QString::fromUtf8(Tr(m, language_()));
}

void FlightFiles::showError(Message text, const QString& detail) {
    prompter_.message(msg(text) + detail, msg(Message::ErrorCaption));
}

QString FlightFiles::chooseToOpen() {
    QString path = prompter_.openFileName(
        openDialogName_, QString::fromUtf8(Tr(Phrase::OpenFlightTitle, language_())));
    if (!path.isEmpty()) openDialogName_ = path;
    return path;
}

QString FlightFiles::chooseComparison() {
    const QString folder =
        openDialogName_.isEmpty() ? QString() : QFileInfo(openDialogName_).absolutePath();
    QString path = prompter_.openFileName(
        folder, QString::fromUtf8(Tr(Phrase::CompareFlightTitle, language_())));
    if (!path.isEmpty()) openDialogName_ = path;
    return path;
}

QString FlightFiles::chooseToSave(const std::function<QString(const QString&)>& target,
                                  Phrase title) {
    const QString chosen =
        prompter_.saveFileName(saveDialogName_, QString::fromUtf8(Tr(title, language_())));
    if (chosen.isEmpty()) return {};
    saveDialogName_ = chosen;
    QString path = target(chosen);
    if (QFileInfo::exists(path) &&
        !prompter_.confirm(msg(Message::FileExists), msg(Message::SaveCaption)))
        return {};
    return path;
}

std::optional<std::vector<std::uint8_t>> FlightFiles::read(const QString& path) {
    const QFileInfo info(path);
    if (info.exists() && !info.isFile()) { // a fifo or a device could block for ever
        showError(Message::NotRegularFile, QDir::toNativeSeparators(path));
        return std::nullopt;
    }
    FileRead file = ReadFileStart(path, kMaxRecordSize);
    if (!file.error.isEmpty()) {
        showError(Message::CannotOpenFile,
                  QDir::toNativeSeparators(path) + QStringLiteral(": ") + file.error);
        return std::nullopt;
    }
    if (file.bytes.size() < kHeaderSize) {
        showError(Message::NoFlightRecord);
        return std::nullopt;
    }
    return std::move(file.bytes);
}

bool FlightFiles::write(const QString& path, const QByteArray& bytes) {
    // A flight the folder's download log lists, and the log itself, are never written over.
    const OutputGuard guard = GuardOutput(QDir::toNativeSeparators(path).toStdString());
    if (guard == OutputGuard::Logged || guard == OutputGuard::IsLog) {
        QString why = QString::fromUtf8(
            Tr(guard == OutputGuard::Logged ? Phrase::OutputLogged : Phrase::OutputIsLog,
               language_()));
        showError(Message::CannotSaveFile, QDir::toNativeSeparators(path) + QStringLiteral(": ") +
                                               why.left(why.lastIndexOf(QLatin1Char(':'))));
        return false;
    }
    const QString error = WriteFileAtomically(path, bytes);
    if (error.isEmpty()) return true;
    showError(Message::CannotSaveFile,
              QDir::toNativeSeparators(path) + QStringLiteral(": ") + error);
    return false;
}

void FlightFiles::save(const Flight& flight) {
    if (!flight.present()) {
        showError(Message::NoData);
        return;
    }
    const QString path =
        chooseToSave([](const QString& chosen) { return chosen; }, Phrase::SaveFlightTitle);
    if (path.isEmpty()) return;
    write(path, QByteArray(reinterpret_cast<const char*>(flight.record.data()),
                           static_cast<qsizetype>(flight.record.size())));
}

void FlightFiles::exportSpreadsheet(const Flight& flight, char decimalSeparator, bool localSheet) {
    if (flight.curve.smoothedCount == 0) {
        showError(Message::NoData);
        return;
    }
    const QString path = chooseToSave(
        [](const QString& chosen) {
            return QString::fromStdString(ExportFileName(chosen.toStdString()));
        },
        Phrase::ExportTitle);
    if (path.isEmpty()) return;
    const Language l = language_();
    const std::string bytes =
        localSheet
            ? LocalAltitudeSheet(flight.curve.altitudes, flight.curve.chartedCount(),
                                 10.0 / std::max(1u, flight.state.samplingRate),
                                 Tr(ReadingText::TimeColumn, l), Tr(ReadingText::AltitudeColumn, l))
            : ExportBytes(flight.curve.altitudes, decimalSeparator);
    write(path, QByteArray(bytes.data(), static_cast<qsizetype>(bytes.size())));
}

} // namespace orlomat
