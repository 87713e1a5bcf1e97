#pragma once

// Real archives made at test time with Debian's rar, and patches of their RAR 5 headers for the
// damaged and hostile cases that rar itself never writes.

#include <QByteArray>
#include <QList>
#include <QPair>
#include <QString>
#include <QStringList>

#include <optional>

namespace archives {

using Fichiers = QList<QPair<QString, QByteArray>>; // stored name, content, in archive order
struct Lien {
    QString nom;
    QString cible;    // as written in the link; for a hard link, the stored name of a file
    bool dur = false; // a hard link (rar -oh), stored after the files
};
using Liens = QList<Lien>;

// Writes `fichiers` under `dossier`/source and stores them, in order and with their relative
// paths, in `dossier`/`nom`; a name ending in "/" is an empty folder. `liens` are symbolic links,
// stored as links (rar -ol) before the files, and hard links (rar -oh), stored after them.
// `options` go to rar (-p..., -hp..., -z...). Returns the archive path. Ends the test program when
// rar is missing or fails: the set-up installs it.
QString creer(const QString& dossier, const QString& nom, const Fichiers& fichiers,
              const QStringList& options = {}, const Liens& liens = {});

// Adds to `archive` an entry `nom` of `taille` zero bytes, compressed, without writing them on disk
// first: a large entry that takes the library long to test or extract.
void ajouterZeros(const QString& archive, const QString& nom, qint64 taille);

QByteArray lire(const QString& chemin);
void ecrire(const QString& chemin, const QByteArray& contenu);

// The standard CRC-32 that RAR 5 uses for its headers.
quint32 crc32(const QByteArray& octets);

// One RAR 5 header block: where its CRC, its header and its data lie in the file.
struct Bloc {
    qsizetype debut = 0;       // the CRC field
    qsizetype debutEnTete = 0; // the header size field, where the CRC starts counting
    qsizetype finEnTete = 0;
    qsizetype finDonnees = 0;
    quint64 type = 0;
};

QList<Bloc> blocs(const QByteArray& archive);

// Replaces the stored name `ancien` by `nouveau` in the first file header that holds it, and
// recomputes that header's CRC; `ancien` may then be any text of the header, a link's target for
// one. A name of another length, or a new host OS (0 Windows, 1 Unix), rebuilds the header, and
// `ancien` must then be the whole stored name.
QByteArray renommer(QByteArray archive, const QByteArray& ancien, const QByteArray& nouveau,
                    std::optional<quint64> hote = std::nullopt);

} // namespace archives
