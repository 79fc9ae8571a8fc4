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

QString ResolveSettingsPath(const QString& programPath) {
    QString beside = SettingsPathBesideProgram(programPath);
    const QFileInfo folder(QFileInfo(beside).absolutePath());
    if (folder.isWritable()) return beside;
    const QString config = QStandardPaths::writableLocation(QStandardPaths::AppConfigLocation);
    QDir().mkpath(config);
    return QDir(config).filePath(QFileInfo(beside).fileName());
}

namespace {
QString PreferencesPath() {
    return QDir(QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation))
        .filePath(QStringLiteral("OrlomatBMP/OrlomatBMP.ini"));
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
