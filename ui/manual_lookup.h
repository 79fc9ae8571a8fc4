// Where the manual lies: the program may run from its build tree, from an installation, or
// from a folder it was copied into with its manuals.
#pragma once

#include "core/language.h"

#include <QString>
#include <QStringList>

namespace orlomat {

// Places known apart from the program's own folder.
struct ManualRoots {
    QString sourceDir;     // the source tree the program was built from (its docs/)
    QString installDocDir; // <prefix>/share/doc/orlomatbmp as configured for installing
    QString workingDir;    // the folder the program was started in
};

// The folders to look in, most likely first: the build tree's source docs/, the source
// tree's docs/, the installed documentation, beside the program, the working folder.
QStringList ManualFolders(const QString& programDir, const ManualRoots& roots);

// The manual of a language, ".chm" or ".html", in the first of
// `folders` that holds it; empty when none does.
QString FindManualIn(const QStringList& folders, Language language);

// The roots this build knows: its source tree, its install prefix, the working folder.
ManualRoots BuiltInManualRoots();

// The manual as this running program finds it.
QString FindManual(Language language);

// The manual's file name as the user would look for it.
QString ManualName(Language language);

} // namespace orlomat
