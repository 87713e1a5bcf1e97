#pragma once

// Archives built byte by byte in memory, without rar: the hostile entries that rar never writes
// (names that are not UTF-8, links whose target is too long), in the RAR 5 format and in the older
// RAR 1.5-4 one. Every header and every entry's data have good CRCs, and the data is stored
// (method 0), so that the library judges only what a test meant. Every entry is dated
// 2023-11-14, at Date.

#include <QByteArray>
#include <QList>
#include <QString>

namespace ecrivain {

// Every entry's modification time, seconds since 1970.
inline constexpr qint64 Date = 1700000000;

enum class Hote { Windows, Unix };

struct Entree {
    enum class Genre { Fichier, Dossier, LienSymbolique, LienDur, Copie };
    Genre genre = Genre::Fichier;
    QByteArray nom{};     // the stored name, byte for byte: no check, no conversion
    QByteArray contenu{}; // a file's data; a link's or a copy's target, byte for byte
    // Unix: 0 is 0644 for files, hard links and copies, 0755 for folders, 0777 for symbolic links;
    // the file type bits are added from the genre unless given. Windows: the attributes, 0 is
    // 0x20 (0x10 for a folder).
    quint32 mode = 0;
    Hote hote = Hote::Unix;
    qint64 taille = -1; // RAR 5: the unpacked size the header declares, when not the content's
};

// RAR 5: main header, one file header per entry, in order, then the end of archive. A hard link's
// or a copy's unpacked size is that of the earlier file it names, 0 when there is none.
QByteArray rar5(const QList<Entree>& entrees);

// RAR 1.5-4, names without the Unicode flag: the library reads them in the current locale. Files,
// folders and, on a Unix host, symbolic links, whose target is their data as RAR 4 stores it; no
// hard links or copies (the test program ends).
QByteArray rar4(const QList<Entree>& entrees);

// Writes `archive` to `chemin`, making its folder; returns `chemin`.
QString ecrire(const QString& chemin, const QByteArray& archive);

} // namespace ecrivain
