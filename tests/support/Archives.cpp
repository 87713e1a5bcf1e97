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

QByteArray enVint(quint64 valeur) {
    QByteArray sortie;
    do {
        quint8 octet = valeur & 0x7f;
        valeur >>= 7;
        if (valeur != 0) {
            octet |= 0x80;
        }
        sortie.append(char(octet));
    } while (valeur != 0);
    return sortie;
}

void recalculer(QByteArray& archive, const Bloc& b) {
    const quint32 crc = crc32(archive.mid(b.debutEnTete, b.finEnTete - b.debutEnTete));
    for (int i = 0; i < 4; ++i) {
        archive[b.debut + i] = char((crc >> (8 * i)) & 0xff);
    }
}

Bloc blocDuNom(const QByteArray& archive, const QByteArray& nom, qsizetype& ou) {
    for (const Bloc& b : blocs(archive)) {
        const qsizetype i = archive.indexOf(nom, b.debutEnTete);
        if (b.type == 2 && i >= 0 && i + nom.size() <= b.finEnTete) {
            ou = i;
            return b;
        }
    }
    echec(QStringLiteral("no file header named ") + QString::fromUtf8(nom));
}

// Where the fields of a file header lie: type, flags, [extra size], [data size], file flags,
// unpacked size, attributes, [mtime], [CRC], compression, host OS, name length, name, extra area.
struct ChampsFichier {
    qsizetype debutChamps = 0; // after the header size
    qsizetype debutHote = 0;
    qsizetype debutLongueur = 0;
    qsizetype debutNom = 0;
    qsizetype finNom = 0;
};

ChampsFichier champs(const QByteArray& archive, const Bloc& b) {
    ChampsFichier c;
    qsizetype p = b.debutEnTete;
    vint(archive, p);
    c.debutChamps = p;
    vint(archive, p);
    const quint64 drapeaux = vint(archive, p);
    if (drapeaux & 0x1) {
        vint(archive, p);
    }
    if (drapeaux & 0x2) {
        vint(archive, p);
    }
    const quint64 drapeauxFichier = vint(archive, p);
    vint(archive, p); // unpacked size
    vint(archive, p); // attributes
    if (drapeauxFichier & 0x2) {
        p += 4; // mtime
    }
    if (drapeauxFichier & 0x4) {
        p += 4; // data CRC
    }
    vint(archive, p); // compression
    c.debutHote = p;
    vint(archive, p);
    c.debutLongueur = p;
    const quint64 longueur = vint(archive, p);
    c.debutNom = p;
    c.finNom = p + qsizetype(longueur);
    return c;
}

// Puts `champs` (every field after the header size) in place of the header of `b`, with its size
// and CRC. The data area that follows is left as it is.
void remplacerEnTete(QByteArray& archive, const Bloc& b, const QByteArray& suite) {
    const QByteArray entete = enVint(quint64(suite.size())) + suite;
    const quint32 crc = crc32(entete);
    QByteArray bloc;
    for (int i = 0; i < 4; ++i) {
        bloc.append(char((crc >> (8 * i)) & 0xff));
    }
    bloc += entete;
    archive.replace(b.debut, b.finEnTete - b.debut, bloc);
}

} // namespace

namespace {

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
              const QStringList& options, const Liens& liens) {
    const QString source = dossier + QStringLiteral("/source-") + nom;
    QDir().mkpath(source);
    QStringList noms;
    // Symbolic links are stored before the files, hard links after them, as rar lists them.
    const auto lier = [&](bool durs) {
        for (const Lien& l : liens) {
            if (l.dur != durs) {
                continue;
            }
            const QString chemin = source + QLatin1Char('/') + l.nom;
            QDir().mkpath(QFileInfo(chemin).path());
            // A symbolic target is stored as written: QFile::link would make it absolute.
            const QByteArray vers = QFile::encodeName(chemin);
            const int fait =
                durs ? ::link(QFile::encodeName(source + QLatin1Char('/') + l.cible).constData(),
                              vers.constData())
                     : ::symlink(QFile::encodeName(l.cible).constData(), vers.constData());
            if (fait != 0) {
                echec(QStringLiteral("cannot link ") + chemin);
            }
            noms << l.nom;
        }
    };
    lier(false);
    for (const auto& [stocke, contenu] : fichiers) {
        if (stocke.endsWith(QLatin1Char('/'))) {
            QDir().mkpath(source + QLatin1Char('/') + stocke);
            noms << stocke.chopped(1);
        } else {
            ecrire(source + QLatin1Char('/') + stocke, contenu);
            noms << stocke;
        }
    }
    lier(true);
    const QString archive = dossier + QLatin1Char('/') + nom;
    QStringList arguments{QStringLiteral("a"), QStringLiteral("-idq")};
    if (!liens.isEmpty()) {
        arguments << QStringLiteral("-ol") << QStringLiteral("-oh");
    }
    lancerRar(source, arguments + options + QStringList{archive} + noms);
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

QByteArray renommer(QByteArray archive, const QByteArray& ancien, const QByteArray& nouveau,
                    std::optional<quint64> hote) {
    if (ancien.size() == nouveau.size() && !hote) {
        qsizetype ou = 0;
        const Bloc b = blocDuNom(archive, ancien, ou);
        archive.replace(ou, nouveau.size(), nouveau);
        recalculer(archive, b);
        return archive;
    }
    for (const Bloc& b : blocs(archive)) {
        if (b.type != 2) {
            continue;
        }
        ChampsFichier c = champs(archive, b);
        if (archive.mid(c.debutNom, c.finNom - c.debutNom) != ancien) {
            continue;
        }
        QByteArray suite = archive.mid(c.debutChamps, c.debutHote - c.debutChamps);
        suite += hote ? enVint(*hote) : archive.mid(c.debutHote, c.debutLongueur - c.debutHote);
        suite += enVint(quint64(nouveau.size())) + nouveau;
        suite += archive.mid(c.finNom, b.finEnTete - c.finNom); // the extra area
        remplacerEnTete(archive, b, suite);
        return archive;
    }
    echec(QStringLiteral("no file header named ") + QString::fromUtf8(ancien));
}

} // namespace archives
