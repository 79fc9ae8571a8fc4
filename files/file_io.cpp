#include "files/file_io.h"

#include "files/user_file.h"

namespace orlomat {

namespace {

// The file layer takes UTF-8 names on every system (QFile::encodeName would give the ANSI
// code page on Windows).
std::string Utf8Name(const QString& path) {
    return path.toUtf8().toStdString();
}

} // namespace

FileRead ReadFileStart(const QString& path, std::size_t limit) {
    FileRead r;
    std::string error;
    auto bytes = ReadFileStart(Utf8Name(path), limit, error);
    if (bytes)
        r.bytes = std::move(*bytes);
    else
        r.error = QString::fromLocal8Bit(error);
    return r;
}

QString WriteFileAtomically(const QString& path, const QByteArray& bytes) {
    const std::string error = WriteFileAtomically(
        Utf8Name(path),
        std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size())));
    return QString::fromLocal8Bit(error);
}

} // namespace orlomat
