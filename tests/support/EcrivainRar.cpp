#include "EcrivainRar.h"

#include "Archives.h"

#include <QDateTime>

#include <cstdio>
#include <cstdlib>

namespace ecrivain {

namespace {

using Genre = Entree::Genre;

[[noreturn]] void echec(const char* message) {
    std::fprintf(stderr, "ecrivain: %s\n", message);
    std::abort();
}

void vint(QByteArray& sortie, quint64 valeur) {
    do {
        quint8 octet = valeur & 0x7f;
        valeur >>= 7;
        if (valeur != 0) {
            octet |= 0x80;
        }
        sortie.append(char(octet));
    } while (valeur != 0);
}

void ajouter16(QByteArray& sortie, quint32 valeur) {
    sortie.append(char(valeur & 0xff));
    sortie.append(char((valeur >> 8) & 0xff));
}

void ajouter32(QByteArray& sortie, quint32 valeur) {
    ajouter16(sortie, valeur & 0xffff);
    ajouter16(sortie, valeur >> 16);
}

bool redirige(Genre g) {
    return g == Genre::LienSymbolique || g == Genre::LienDur || g == Genre::Copie;
}

// What the library gives chmod on a Unix host, or sets as Windows attributes.
quint32 attributs(const Entree& e) {
    const bool dossier = e.genre == Genre::Dossier;
    if (e.hote == Hote::Windows) {
        return e.mode != 0 ? e.mode : (dossier ? 0x10u : 0x20u);
    }
    quint32 mode = e.mode;
    if (mode == 0) {
        mode = dossier ? 0755u : (e.genre == Genre::LienSymbolique ? 0777u : 0644u);
    }
    if ((mode & 0170000u) == 0) {
        mode |= dossier ? 0040000u : (e.genre == Genre::LienSymbolique ? 0120000u : 0100000u);
    }
    return mode;
}

// The size an earlier file named `cible` declared: a hard link or a copy repeats it, as rar does.
quint64 tailleDe(const QList<Entree>& entrees, qsizetype avant, const QByteArray& cible) {
    for (qsizetype i = avant - 1; i >= 0; --i) {
        if (entrees[i].genre == Genre::Fichier && entrees[i].nom == cible) {
            return quint64(entrees[i].contenu.size());
        }
    }
    return 0;
}

// A RAR 5 block: CRC32 of the header size and the header, the size, then the header itself.
QByteArray bloc5(const QByteArray& entete) {
    QByteArray taille;
    vint(taille, quint64(entete.size()));
    QByteArray bloc;
    ajouter32(bloc, archives::crc32(taille + entete));
    return bloc + taille + entete;
}

QByteArray fichier5(const Entree& e, quint64 tailleCible) {
    const bool dossier = e.genre == Genre::Dossier;
    QByteArray extra;
    if (redirige(e.genre)) {
        const quint64 type =
            e.genre == Genre::LienSymbolique ? 1 : (e.genre == Genre::LienDur ? 4 : 5);
        QByteArray redirection;
        vint(redirection, 5); // file system redirection record
        vint(redirection, type);
        vint(redirection, 0); // flags: the target is not a folder
        vint(redirection, quint64(e.contenu.size()));
        redirection += e.contenu;
        vint(extra, quint64(redirection.size()));
        extra += redirection;
    }
    const QByteArray donnees = e.genre == Genre::Fichier ? e.contenu : QByteArray();
    quint64 taille = tailleCible; // a hard link or a copy
    if (e.genre == Genre::Fichier || e.genre == Genre::LienSymbolique) {
        taille = quint64(e.contenu.size()); // a symbolic link: its target's, as rar writes it
    } else if (dossier) {
        taille = 0;
    }
    taille = e.taille >= 0 ? quint64(e.taille) : taille;
    QByteArray h;
    vint(h, 2);                           // file header
    vint(h, extra.isEmpty() ? 0x2 : 0x3); // data area, extra area
    if (!extra.isEmpty()) {
        vint(h, quint64(extra.size()));
    }
    vint(h, quint64(donnees.size()));
    vint(h, dossier ? 0x3 : 0x6); // folder or data CRC, and the Unix time
    vint(h, taille);
    vint(h, attributs(e));
    ajouter32(h, quint32(Date));
    if (!dossier) {
        ajouter32(h, archives::crc32(donnees));
    }
    vint(h, 0); // stored
    vint(h, e.hote == Hote::Windows ? 0 : 1);
    vint(h, quint64(e.nom.size()));
    h += e.nom;
    h += extra;
    return bloc5(h) + donnees;
}

// A RAR 1.5-4 block: the low 16 bits of the CRC32 of the header from its type on.
QByteArray bloc4(const QByteArray& entete) {
    QByteArray bloc;
    ajouter16(bloc, archives::crc32(entete) & 0xffff);
    return bloc + entete;
}

// MS-DOS date and time, in local time, as the library reads them back.
quint32 heureDos(qint64 date) {
    const QDateTime t = QDateTime::fromSecsSinceEpoch(date);
    const int annee = qBound(1980, t.date().year(), 2107);
    return quint32(annee - 1980) << 25 | quint32(t.date().month()) << 21 |
           quint32(t.date().day()) << 16 | quint32(t.time().hour()) << 11 |
           quint32(t.time().minute()) << 5 | quint32(t.time().second() / 2);
}

QByteArray fichier4(const Entree& e) {
    const bool dossier = e.genre == Genre::Dossier;
    if (e.genre == Genre::LienDur || e.genre == Genre::Copie) {
        echec("RAR 4 has no hard links or copies here");
    }
    if (e.genre == Genre::LienSymbolique && e.hote != Hote::Unix) {
        echec("a RAR 4 symbolic link needs a Unix host");
    }
    if (e.nom.size() > 0xffff - 32) {
        echec("a RAR 4 name has at most 65503 bytes");
    }
    const QByteArray donnees = dossier ? QByteArray() : e.contenu;
    QByteArray h;
    h.append(char(0x74));
    // Its data size follows; the window bits all set mean a folder.
    ajouter16(h, 0x8000u | (dossier ? 0xe0u : 0u));
    ajouter16(h, quint32(32 + e.nom.size()));
    ajouter32(h, quint32(donnees.size())); // packed
    ajouter32(h, quint32(donnees.size())); // unpacked
    h.append(char(e.hote == Hote::Windows ? 2 : 3));
    ajouter32(h, archives::crc32(donnees));
    ajouter32(h, heureDos(Date));
    h.append(char(dossier ? 20 : 29)); // version needed to extract
    h.append(char(0x30));              // stored
    ajouter16(h, quint32(e.nom.size()));
    ajouter32(h, attributs(e));
    h += e.nom;
    return bloc4(h) + donnees;
}

} // namespace

QByteArray rar5(const QList<Entree>& entrees) {
    QByteArray archive("Rar!\x1a\x07\x01\x00", 8);
    QByteArray principal;
    vint(principal, 1); // main header, no flags
    vint(principal, 0);
    vint(principal, 0);
    archive += bloc5(principal);
    for (qsizetype i = 0; i < entrees.size(); ++i) {
        const Entree& e = entrees[i];
        const bool renvoi = e.genre == Genre::LienDur || e.genre == Genre::Copie;
        archive += fichier5(e, renvoi ? tailleDe(entrees, i, e.contenu) : 0);
    }
    QByteArray fin;
    vint(fin, 5);
    vint(fin, 0x4); // skip if unknown, as rar writes it
    vint(fin, 0);
    return archive + bloc5(fin);
}

QByteArray rar4(const QList<Entree>& entrees) {
    QByteArray archive("Rar!\x1a\x07\x00", 7);
    QByteArray principal;
    principal.append(char(0x73));
    ajouter16(principal, 0);  // flags
    ajouter16(principal, 13); // header size
    ajouter16(principal, 0);  // reserved
    ajouter32(principal, 0);
    archive += bloc4(principal);
    for (const Entree& e : entrees) {
        archive += fichier4(e);
    }
    QByteArray fin;
    fin.append(char(0x7b));
    ajouter16(fin, 0x4000); // skip if unknown, as rar writes it
    ajouter16(fin, 7);
    return archive + bloc4(fin);
}

QString ecrire(const QString& chemin, const QByteArray& archive) {
    archives::ecrire(chemin, archive);
    return chemin;
}

} // namespace ecrivain
