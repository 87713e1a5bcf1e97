#include "Archives.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <array>
#include <cstdio>
#include <cstdlib>
#include <unistd.h>

namespace archives {

namespace {

[[noreturn]] void echec(const QString& message) {
    std::fprintf(stderr, "archives: %s\n", qPrintable(message));
    std::abort();
}

quint64 vint(const QByteArray& a, qsizetype& pos) {
    quint64 valeur = 0;
    for (int decalage = 0; pos < a.size() && decalage < 64; decalage += 7) {
        const auto octet = quint8(a.at(pos++));
        valeur |= quint64(octet & 0x7f) << decalage;
        if ((octet & 0x80) == 0) {
            return valeur;
        }
    }
    echec(QStringLiteral("bad vint"));
}

// Runs rar in `dossier`: ends the test program when it is missing or fails, as the set-up installs
// it.
void lancerRar(const QString& dossier, const QStringList& arguments) {
    const QString rar = QStandardPaths::findExecutable(QStringLiteral("rar"));
    if (rar.isEmpty()) {
        echec(QStringLiteral("rar is missing: scripts/install-deps installs it"));
    }
    QProcess p;
    p.setWorkingDirectory(dossier);
    p.start(rar, arguments);
    if (!p.waitForFinished(300000) || p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0) {
        echec(QStringLiteral("rar failed: ") + QString::fromLocal8Bit(p.readAllStandardError()));
    }
}

} // namespace

QString creer(const QString& dossier, const QString& nom, const Fichiers& fichiers,
              const QStringList& options) {
    const QString source = dossier + QStringLiteral("/source-") + nom;
    QDir().mkpath(source);
    QStringList noms;
    for (const auto& [stocke, contenu] : fichiers) {
        if (stocke.endsWith(QLatin1Char('/'))) {
            QDir().mkpath(source + QLatin1Char('/') + stocke);
            noms << stocke.chopped(1);
        } else {
            ecrire(source + QLatin1Char('/') + stocke, contenu);
            noms << stocke;
        }
    }
    const QString archive = dossier + QLatin1Char('/') + nom;
    lancerRar(source, QStringList{QStringLiteral("a"), QStringLiteral("-idq")} + options +
                          QStringList{archive} + noms);
    return archive;
}

void ajouterZeros(const QString& archive, const QString& nom, qint64 taille) {
    QTemporaryDir source;
    QFile f(source.filePath(nom));
    if (!f.open(QIODevice::WriteOnly) || !f.resize(taille)) { // a hole, not bytes on disk
        echec(QStringLiteral("cannot make ") + f.fileName());
    }
    f.close();
    lancerRar(source.path(),
              {QStringLiteral("a"), QStringLiteral("-idq"), QStringLiteral("-m1"), archive, nom});
}

QByteArray lire(const QString& chemin) {
    QFile f(chemin);
    if (!f.open(QIODevice::ReadOnly)) {
        return QByteArray();
    }
    return f.readAll();
}

void ecrire(const QString& chemin, const QByteArray& contenu) {
    QDir().mkpath(QFileInfo(chemin).path());
    QFile f(chemin);
    if (!f.open(QIODevice::WriteOnly) || f.write(contenu) != contenu.size()) {
        echec(QStringLiteral("cannot write ") + chemin);
    }
}

quint32 crc32(const QByteArray& octets) {
    static const std::array<quint32, 256> table = [] {
        std::array<quint32, 256> t{};
        for (quint32 i = 0; i < 256; ++i) {
            quint32 c = i;
            for (int k = 0; k < 8; ++k) {
                c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
            }
            t[i] = c;
        }
        return t;
    }();
    quint32 crc = 0xFFFFFFFFu;
    for (const char c : octets) {
        crc = table[(crc ^ quint8(c)) & 0xff] ^ (crc >> 8);
    }
    return crc ^ 0xFFFFFFFFu;
}

QList<Bloc> blocs(const QByteArray& archive) {
    static const QByteArray signature("Rar!\x1a\x07\x01\x00", 8);
    if (!archive.startsWith(signature)) {
        echec(QStringLiteral("not a RAR 5 archive"));
    }
    QList<Bloc> liste;
    qsizetype pos = signature.size();
    while (pos + 4 < archive.size()) {
        Bloc b;
        b.debut = pos;
        b.debutEnTete = pos + 4;
        qsizetype p = b.debutEnTete;
        const quint64 taille = vint(archive, p);
        b.finEnTete = p + qsizetype(taille);
        b.type = vint(archive, p);
        const quint64 drapeaux = vint(archive, p);
        if (drapeaux & 0x1) {
            vint(archive, p); // extra area size
        }
        const quint64 donnees = (drapeaux & 0x2) ? vint(archive, p) : 0;
        b.finDonnees = b.finEnTete + qsizetype(donnees);
        liste.append(b);
        if (b.type == 5) { // end of archive
            break;
        }
        pos = b.finDonnees;
    }
    return liste;
}

} // namespace archives
