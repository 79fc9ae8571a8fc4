#include "files/file_io.h"

#include "files/user_file.h"

#include <QFile>

namespace orlomat {

FileRead ReadFileStart(const QString& path, std::size_t limit) {
    FileRead r;
    std::string error;
    auto bytes = ReadFileStart(QFile::encodeName(path).toStdString(), limit, error);
    if (bytes)
        r.bytes = std::move(*bytes);
    else
        r.error = QString::fromLocal8Bit(error);
    return r;
}

QString WriteFileAtomically(const QString& path, const QByteArray& bytes) {
    const std::string error = WriteFileAtomically(
        QFile::encodeName(path).toStdString(),
        std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size())));
    return QString::fromLocal8Bit(error);
}

} // namespace orlomat
