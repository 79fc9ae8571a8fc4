// Keeping a downloaded flight in an archive folder, with the fallback that makes sure a flight
// read is never only in memory. The window's archive and `orlomat download --dir` both keep
// flights through here.
#pragma once

#include "contest/flight_keeping.h"

#include <QString>

#include <cstdint>
#include <span>
#include <string>

namespace orlomat {

// A flight kept in an archive folder. When the folder could not take it (`error`), it is kept
// in the first fallback folder that can, named in `elsewhere`.
struct ArchivedFlight : KeptFlight {
    std::string elsewhere;
};

// The folders tried, in order, when the archive in force cannot take a flight: the default
// archive, then one in the documents folder, then one in the temporary folder.
QStringList ArchiveFallbackFolders();

// Keeps `record` in `folder` (made when missing, with `makeFolder`); on failure in the first
// fallback folder that takes it. `skipDuplicates` as for KeepFlight.
ArchivedFlight KeepInArchive(const QString& folder, std::span<const std::uint8_t> record,
                             const KeepDetails& details, bool skipDuplicates, bool makeFolder);

} // namespace orlomat
