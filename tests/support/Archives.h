#pragma once

// Real archives made at test time with Debian's rar, and patches of their RAR 5 headers for the
// damaged and hostile cases that rar itself never writes.

#include <QByteArray>
#include <QList>
#include <QPair>
#include <QString>
#include <QStringList>

namespace archives {

using Fichiers = QList<QPair<QString, QByteArray>>; // stored name, content, in archive order

// Writes `fichiers` under `dossier`/source and stores them, in order and with their relative
// paths, in `dossier`/`nom`; `options` go to rar (-p..., -hp..., -z...). Returns the archive path.
// Ends the test program when rar is missing or fails: the set-up installs it.
QString creer(const QString& dossier, const QString& nom, const Fichiers& fichiers,
              const QStringList& options = {});

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

// Replaces the stored name `ancien` by `nouveau` (same length in bytes) in its file header and
// recomputes that header's CRC.
QByteArray renommer(QByteArray archive, const QByteArray& ancien, const QByteArray& nouveau);

// Makes the file header of `nom` claim `taille` unpacked bytes.
QByteArray tailleDeclaree(QByteArray archive, const QByteArray& nom, quint64 taille);

} // namespace archives
