// Reading and writing the user's files: flight records and, later, exports and pictures.
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

// Reads at most `limit` bytes from the start of the file.
FileRead ReadFileStart(const QString& path, std::size_t limit);

// Writes the whole file through a temporary file and a rename, so a failed write never
// destroys an existing file. Returns the system's reason on failure, empty on success.
QString WriteFileAtomically(const QString& path, const QByteArray& bytes);

} // namespace orlomat
