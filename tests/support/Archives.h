#pragma once

// Real archives made at test time with Debian's rar. Hostile archives are written byte by byte
// (EcrivainRar.h).

#include <QByteArray>
#include <QList>
#include <QPair>
#include <QString>
#include <QStringList>

#include <optional>

namespace archives {

using Fichiers = QList<QPair<QString, QByteArray>>; // stored name, content, in archive order

// Writes `fichiers` under `dossier`/source and stores them, in order and with their relative
// paths, in `dossier`/`nom`; a name ending in "/" is an empty folder. `options` go to rar (-p...,
// -hp..., -z...). Returns the archive path. Ends the test program when rar is missing or fails:
// the set-up installs it.
QString creer(const QString& dossier, const QString& nom, const Fichiers& fichiers,
              const QStringList& options = {});

// Adds to `archive` an entry `nom` of `taille` zero bytes, compressed, without writing them on disk
// first: a large entry that takes the library long to test or extract.
void ajouterZeros(const QString& archive, const QString& nom, qint64 taille);

// An archive of a.txt ("a"), b.txt ("bb") and gros.bin, 3 GiB of zeros: seconds of the library's
// work. Made once for all the test programs of the build, since rar takes half a minute over it.
QString longue();

QByteArray lire(const QString& chemin);
void ecrire(const QString& chemin, const QByteArray& contenu);

// The standard CRC-32 that RAR 5 uses for its headers.
quint32 crc32(const QByteArray& octets);

} // namespace archives
