// The user's files for the Qt side of the program: the file layer of user_file.h with Qt's
// names and strings.
#pragma once

#include <QByteArray>
#include <QString>

#include <cstdint>
#include <vector>

namespace orlomat {

struct FileRead {
    std::vector<std::uint8_t> bytes;
    QString error; // the system's reason when the file could not be read; empty on success
};

// Reads at most `limit` bytes from the start of a regular file.
FileRead ReadFileStart(const QString& path, std::size_t limit);

// Writes the whole file so that a failed write never destroys an existing file (see
// user_file.h). Returns the system's reason on failure, empty on success.
QString WriteFileAtomically(const QString& path, const QByteArray& bytes);

} // namespace orlomat
