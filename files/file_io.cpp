#include "file_io.h"

#include <QFile>
#include <QSaveFile>

namespace orlomat {

FileRead ReadFileStart(const QString& path, std::size_t limit) {
    FileRead r;
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) {
        r.error = f.errorString();
        return r;
    }
    r.bytes.resize(limit);
    const qint64 got = f.read(reinterpret_cast<char*>(r.bytes.data()), static_cast<qint64>(limit));
    if (got < 0) {
        r.error = f.errorString();
        r.bytes.clear();
        return r;
    }
    r.bytes.resize(static_cast<std::size_t>(got));
    return r;
}

QString WriteFileAtomically(const QString& path, const QByteArray& bytes) {
    QSaveFile f(path);
    // Unbuffered, so a full disk is reported by the write itself, with its reason.
    if (!f.open(QIODevice::WriteOnly | QIODevice::Unbuffered)) return f.errorString();
    // A short write (a disk filling up) is followed by another, which then says why.
    for (qsizetype done = 0; done < bytes.size();) {
        const qint64 n = f.write(bytes.constData() + done, bytes.size() - done);
        if (n <= 0) {
            const QString error = f.errorString();
            f.cancelWriting();
            return error;
        }
        done += static_cast<qsizetype>(n);
    }
    if (!f.commit()) return f.errorString();
    return {};
}

} // namespace orlomat
