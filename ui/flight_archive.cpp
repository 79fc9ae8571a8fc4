#include "ui/flight_archive.h"

#include "ui/prompter.h"
#include "ui/settings_file.h"

#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QStandardPaths>

namespace orlomat {

FlightArchive::FlightArchive(QWidget& lineParent, Prompter& prompter,
                             std::function<Language()> language)
    : line(new QLabel(&lineParent)), prompter_(prompter), language_(std::move(language)) {
    line->setObjectName(QStringLiteral("ArchiwumLinia"));
    line->setAttribute(Qt::WA_TransparentForMouseEvents); // clicks go to the curves below
    line->setMargin(2);
    line->move(240, 4); // beside the chart's title
    line->hide();
}

QString FlightArchive::text(Message m) const {
    return QString::fromUtf8(Tr(m, language_()));
}

QString FlightArchive::defaultFolder() {
    return QStandardPaths::writableLocation(QStandardPaths::AppDataLocation) +
           QStringLiteral("/flights");
}

QString FlightArchive::folder() const {
    if (!forThisRun_.isEmpty()) return forThisRun_;
    const QString stored = StoredArchiveFolder();
    return stored.isEmpty() ? defaultFolder() : stored;
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

QString FlightArchive::note(const KeptFlight& kept) const {
    const QString name = QFileInfo(QString::fromStdString(kept.path)).fileName();
    if (!kept.error.empty())
        return text(Message::ArchiveFailed)
            .arg(QDir::toNativeSeparators(folder()), QString::fromStdString(kept.error));
    if (!kept.duplicateOf.empty())
        return text(Message::ArchiveDuplicate) + QString::fromStdString(kept.duplicateOf);
    if (!kept.logError.empty())
        return text(Message::ArchiveNotLogged).arg(name, QString::fromStdString(kept.logError));
    return text(Message::ArchiveKept) + name;
}

KeptFlight FlightArchive::keep(const std::vector<std::uint8_t>& record,
                               const KeepDetails& details) {
    const QString where = folder();
    QDir().mkpath(where); // a folder that cannot be made shows as the write's failure
    KeptFlight kept = KeepFlight(where.toStdString(), record, details, true);
    const bool fault = !kept.error.empty() || !kept.logError.empty();
    line->setStyleSheet(fault ? QStringLiteral("color: #c00000; background: white")
                              : QStringLiteral("background: white"));
    line->setText(note(kept));
    // One line while it fits beside the chart's title; a long reason wraps.
    constexpr int kWidest = 520;
    const int wide = line->fontMetrics().horizontalAdvance(line->text()) + 8;
    line->setWordWrap(wide > kWidest);
    line->setFixedWidth(qMin(wide, kWidest));
    line->adjustSize();
    line->show();
    line->raise();
    return kept;
}

} // namespace orlomat
