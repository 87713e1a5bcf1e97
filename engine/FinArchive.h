#pragma once

// Whether an archive that the library read to its end really ends there. The library reports an
// archive cut between two entries, or inside its first header, as a normal end of the archive;
// the end-of-archive block that the archivers write tells the two apart. Only block headers are
// read here, nothing is decoded.

#include <string>

enum class FinArchive {
    Complete,
    Tronquee,
    Inconnue, // encrypted headers, an unknown layout or bytes that are not blocks: no verdict
};

// `volume` is the file to examine: the archive, or the last volume of a set that the pass read.
FinArchive finArchive(const std::string& volume);

// The format of the archive at `chemin`, from the version byte of its signature: 5 for RAR 5, 4
// for RAR 1.5 to 4, 0 when no signature is found. The library itself does not tell.
int formatArchive(const std::string& chemin);
