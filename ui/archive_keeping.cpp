#include "ui/archive_keeping.h"

#include "ui/settings_file.h"

#include <QDir>
#include <QStandardPaths>

namespace orlomat {

QStringList ArchiveFallbackFolders() {
    return {DefaultArchiveFolder(),
            QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation) +
                QStringLiteral("/OrlomatBMP flights"),
            QStandardPaths::writableLocation(QStandardPaths::TempLocation) +
                QStringLiteral("/OrlomatBMP flights")};
}

ArchivedFlight KeepInArchive(const QString& folder, std::span<const std::uint8_t> record,
                             const KeepDetails& details, bool skipDuplicates, bool makeFolder) {
    // A folder that cannot be made shows as the write's failure.
    if (makeFolder) QDir().mkpath(folder);
    ArchivedFlight kept;
    static_cast<KeptFlight&>(kept) =
        KeepFlight(folder.toStdString(), record, details, skipDuplicates);
    if (kept.error.empty()) return kept;
    for (const QString& other : ArchiveFallbackFolders()) {
        if (QDir(other) == QDir(folder) || !QDir().mkpath(other)) continue;
        const KeptFlight there = KeepFlight(other.toStdString(), record, details, skipDuplicates);
        if (!there.error.empty()) continue;
        kept.elsewhere = there.path;
        break;
    }
    return kept;
}

} // namespace orlomat
