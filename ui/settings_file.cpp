#include "ui/settings_file.h"

#include "files/file_io.h"

#include <QDir>
#include <QFileInfo>
#include <QSettings>
#include <QStandardPaths>

namespace orlomat {

QString SettingsPathBesideProgram(const QString& programPath) {
    const QFileInfo info(programPath);
    const QString name = info.fileName();
    const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
    const QString base = dot > 0 ? name.left(dot) : name;
    return info.dir().filePath(base + QStringLiteral(".par"));
}

namespace {
// The per-user folder of the settings and preferences: %APPDATA%\OrlomatBMP on Windows.
QString UserConfigFolder(QStandardPaths::StandardLocation elsewhere, const QString& sub) {
#ifdef Q_OS_WIN
    Q_UNUSED(elsewhere);
    Q_UNUSED(sub);
    const QString appData = qEnvironmentVariable("APPDATA");
    if (!appData.isEmpty()) return QDir(appData).filePath(QStringLiteral("OrlomatBMP"));
    return QDir(QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation))
        .filePath(QStringLiteral("OrlomatBMP"));
#else
    const QString base = QStandardPaths::writableLocation(elsewhere);
    return sub.isEmpty() ? base : QDir(base).filePath(sub);
#endif
}
} // namespace

bool InstalledProgram(const QString& programDir) {
    return QFileInfo::exists(QDir(programDir).filePath(QString::fromUtf8(kUninstallerName)));
}

QString DefaultArchiveFolder() {
#ifdef Q_OS_WIN
    // Flights are documents: in the user's Documents, where they are seen and backed up.
    return QDir(QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation))
        .filePath(QStringLiteral("OrlomatBMP/flights"));
#else
    return QStandardPaths::writableLocation(QStandardPaths::AppDataLocation) +
           QStringLiteral("/flights");
#endif
}

QString ResolveSettingsPath(const QString& programPath) {
    QString beside = SettingsPathBesideProgram(programPath);
    const QFileInfo folder(QFileInfo(beside).absolutePath());
    // An installed program's folder belongs to the installer (and goes with the uninstaller).
    if (folder.isWritable() && !InstalledProgram(folder.absoluteFilePath())) return beside;
    const QString config = UserConfigFolder(QStandardPaths::AppConfigLocation, {});
    QDir().mkpath(config);
    return QDir(config).filePath(QFileInfo(beside).fileName());
}

namespace {
QString PreferencesPath() {
    return QDir(UserConfigFolder(QStandardPaths::GenericConfigLocation,
                                 QStringLiteral("OrlomatBMP")))
        .filePath(QStringLiteral("OrlomatBMP.ini"));
}
} // namespace

std::string LastGoodPort() {
    return QSettings(PreferencesPath(), QSettings::IniFormat)
        .value(QStringLiteral("ports/last_good"))
        .toString()
        .toStdString();
}

void RememberGoodPort(const std::string& port) {
    QSettings prefs(PreferencesPath(), QSettings::IniFormat);
    prefs.setValue(QStringLiteral("ports/last_good"), QString::fromStdString(port));
}

QString StoredArchiveFolder() {
    return QSettings(PreferencesPath(), QSettings::IniFormat)
        .value(QStringLiteral("archive/folder"))
        .toString();
}

void StoreArchiveFolder(const QString& folder) {
    QSettings prefs(PreferencesPath(), QSettings::IniFormat);
    prefs.setValue(QStringLiteral("archive/folder"), folder);
}

SettingsRecord LoadSettings(const QString& path) {
    SettingsRecord record;
    const FileRead r = ReadFileStart(path, kSettingsSize);
    if (r.error.isEmpty()) record.overlay(r.bytes);
    record.sanitizeFilter();
    return record;
}

QString StoreSettings(const QString& path, const SettingsRecord& record) {
    const auto bytes = record.toBytes();
    return WriteFileAtomically(
        path, QByteArray(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
}

} // namespace orlomat
