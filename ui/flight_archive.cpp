#include "ui/flight_archive.h"

#include "contest/download_log.h"
#include "files/user_file.h"
#include "ui/prompter.h"
#include "ui/settings_file.h"

#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QTemporaryFile>

namespace orlomat {

FlightArchive::FlightArchive(QWidget& lineParent, Prompter& prompter,
                             std::function<Language()> language)
    : line_(new QLabel(&lineParent)), prompter_(prompter), language_(std::move(language)) {
    line_->setObjectName(QStringLiteral("ArchiwumLinia"));
    line_->setAttribute(Qt::WA_TransparentForMouseEvents); // clicks go to the curves below
    line_->setMargin(2);
    line_->move(240, 4); // beside the chart's title
    line_->hide();
}

QString FlightArchive::text(Message m) const {
    return QString::fromUtf8(Tr(m, language_()));
}

QString FlightArchive::folder() const {
    if (!forThisRun_.isEmpty()) return forThisRun_;
    const QString stored = StoredArchiveFolder();
    return stored.isEmpty() ? DefaultArchiveFolder() : stored;
}

void FlightArchive::chooseFolder() {
    const QString current = folder();
    const QString caption = QString::fromUtf8(Tr(Caption::FlightArchive, language_())) +
                            QStringLiteral(": ") + QDir::toNativeSeparators(current);
    const QString chosen = prompter_.folderName(current, caption);
    if (chosen.isEmpty()) return;
    StoreArchiveFolder(chosen);
    forThisRun_.clear();
}

QString FlightArchive::describe(const ArchivedFlight& kept) const {
    const QString name = QFileInfo(QString::fromStdString(kept.path)).fileName();
    if (!kept.error.empty() && !kept.elsewhere.empty())
        return text(Message::ArchiveKeptElsewhere)
            .arg(QDir::toNativeSeparators(folder()), QString::fromStdString(kept.error),
                 QDir::toNativeSeparators(QString::fromStdString(kept.elsewhere)));
    if (!kept.error.empty())
        return text(Message::ArchiveFailed)
            .arg(QDir::toNativeSeparators(folder()), QString::fromStdString(kept.error));
    if (!kept.duplicateOf.empty())
        return text(Message::ArchiveDuplicate) + QString::fromStdString(kept.duplicateOf);
    if (!kept.logError.empty())
        return text(Message::ArchiveNotLogged).arg(name, QString::fromStdString(kept.logError));
    return text(Message::ArchiveKept) + name;
}

QString FlightArchive::whyUnusable() const {
    const QString where = folder();
    QDir().mkpath(where);
    // A log that is no regular file (a fifo, a folder, a link) would hang or refuse each line.
    const EntryKind log = KindOfEntry(
        QDir::toNativeSeparators(QDir(where).filePath(QString::fromLatin1(kDownloadLogName)))
            .toStdString());
    if (log != EntryKind::Missing && log != EntryKind::File)
        return QString::fromUtf8(Tr(Phrase::LogNotAFile, language_())) +
               QDir::toNativeSeparators(where);
    QTemporaryFile probe(QDir(where).filePath(QStringLiteral(".orlomat-XXXXXX")));
    return probe.open() ? QString() : probe.errorString();
}

ArchivedFlight FlightArchive::keep(const std::vector<std::uint8_t>& record,
                                   const KeepDetails& details) {
    // A flight read is never only in memory: a fallback folder takes it when the archive in
    // force cannot.
    ArchivedFlight kept = KeepInArchive(folder(), record, details, true, true);
    last_ = kept;
    showLine(!kept.error.empty() || !kept.logError.empty());
    return kept;
}

void FlightArchive::retranslate() {
    if (last_ && line_->isVisible()) showLine(!last_->error.empty() || !last_->logError.empty());
}

void FlightArchive::showLine(bool fault) {
    line_->setStyleSheet(fault ? QStringLiteral("color: #c00000; background: white")
                               : QStringLiteral("background: white"));
    line_->setText(describe(*last_));
    // One line while it fits beside the chart's title; a long reason wraps.
    constexpr int kWidest = 520;
    const int wide = line_->fontMetrics().horizontalAdvance(line_->text()) + 8;
    line_->setWordWrap(wide > kWidest);
    line_->setFixedWidth(qMin(wide, kWidest));
    line_->adjustSize();
    line_->show();
    line_->raise();
}

void FlightArchive::forget() {
    last_.reset();
    line_->hide();
}

} // namespace orlomat
