// Where the settings file lives, and reading and writing it.
#pragma once

#include "files/settings_record.h"

#include <QString>

#include <string>

namespace orlomat {

// The program's path with its extension replaced by ".par" (appended when it has none).
QString SettingsPathBesideProgram(const QString& programPath);

// The settings file for this program: beside it when that folder can be written and the
// program was not installed, else in the per-user configuration folder (%APPDATA%\OrlomatBMP
// on Windows) under the same name.
QString ResolveSettingsPath(const QString& programPath);

// The Windows installer puts its uninstaller beside the programs: that folder is not theirs
// to write in.
inline constexpr char kUninstallerName[] = "Uninstall OrlomatBMP.exe";
bool InstalledProgram(const QString& programDir);

// Where downloaded flights go unless the user chose a folder: Documents\OrlomatBMP\flights
// on Windows, the per-user data folder elsewhere.
QString DefaultArchiveFolder();

// Reads the file over the defaults: missing, unreadable or short files leave the defaults
// for whatever they do not hold; bytes past the 40 of the record are ignored.
SettingsRecord LoadSettings(const QString& path);

// The preferences beside the settings (the 40-byte record keeps its layout for good): an INI
// file in the per-user configuration folder. Here the last port an altimeter answered on,
// which the port "auto" asks first.
std::string LastGoodPort();
void RememberGoodPort(const std::string& port);
// The flight archive's folder, empty when the user never chose one.
QString StoredArchiveFolder();
void StoreArchiveFolder(const QString& folder);

// Writes the 40 bytes atomically; returns the system's reason on failure.
QString StoreSettings(const QString& path, const SettingsRecord& record);

} // namespace orlomat
