#include "ui/manual_lookup.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace orlomat {

namespace {

// The source tree a CMake build folder was configured from, or nothing.
QString SourceOfBuildTree(const QString& buildDir) {
    QFile cache(QDir(buildDir).filePath(QStringLiteral("CMakeCache.txt")));
    if (!cache.open(QIODevice::ReadOnly | QIODevice::Text)) return {};
    const QByteArray key = "CMAKE_HOME_DIRECTORY:INTERNAL=";
    while (!cache.atEnd()) {
        const QByteArray line = cache.readLine().trimmed();
        if (line.startsWith(key)) return QString::fromLocal8Bit(line.mid(key.size()));
    }
    return {};
}

} // namespace

QStringList ManualFolders(const QString& programDir, const ManualRoots& roots) {
    QStringList folders;
    const auto add = [&](const QString& folder) {
        if (folder.isEmpty()) return;
        const QString clean = QDir::cleanPath(folder);
        if (!folders.contains(clean)) folders << clean;
    };
    const QDir program(programDir);
    // A build tree: the program in <build>/app (or <build> itself), the build folder holding
    // the CMake cache that names the sources, wherever they lie.
    for (const QString& up : {QStringLiteral(".."), QStringLiteral("."), QStringLiteral("../..")})
        if (const QString source = SourceOfBuildTree(program.filePath(up)); !source.isEmpty())
            add(QDir(source).filePath(QStringLiteral("docs")));
    // The source tree: the one it was built from, or one the program folder lies in
    // (build/release/app, build/app).
    if (!roots.sourceDir.isEmpty()) add(QDir(roots.sourceDir).filePath(QStringLiteral("docs")));
    for (const QString& up : {QStringLiteral("../../../docs"), QStringLiteral("../../docs")})
        add(program.filePath(up));
    // Installed: <prefix>/bin beside <prefix>/share, or the configured prefix.
    add(program.filePath(QStringLiteral("../share/doc/orlomatbmp")));
    add(roots.installDocDir);
    // Copied with the program, as on Windows.
    add(programDir);
    add(program.filePath(QStringLiteral("docs")));
    add(roots.workingDir);
    return folders;
}

QString FindManualIn(const QStringList& folders, Language language) {
    const QString base =
        language == Language::English ? QStringLiteral("Orl_HELPA") : QStringLiteral("Orl_HELPP");
    for (const QString& folder : folders)
        for (const char* ext : {".chm", ".html"}) {
            const QFileInfo f(QDir(folder).filePath(base + QLatin1String(ext)));
            if (f.isFile()) return f.absoluteFilePath();
        }
    return {};
}

ManualRoots BuiltInManualRoots() {
    ManualRoots roots;
#ifdef ORLOMAT_SOURCE_DIR
    roots.sourceDir = QStringLiteral(ORLOMAT_SOURCE_DIR);
#endif
#ifdef ORLOMAT_INSTALL_DOCDIR
    roots.installDocDir = QStringLiteral(ORLOMAT_INSTALL_DOCDIR);
#endif
    roots.workingDir = QDir::currentPath();
    return roots;
}

QString FindManual(Language language) {
    return FindManualIn(ManualFolders(QCoreApplication::applicationDirPath(), BuiltInManualRoots()),
                        language);
}

QString ManualName(Language language) {
    return language == Language::English ? QStringLiteral("Orl_HELPA.html")
                                         : QStringLiteral("Orl_HELPP.html");
}

} // namespace orlomat
