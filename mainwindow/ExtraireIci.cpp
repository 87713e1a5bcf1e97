#include "ExtraireIci.h"

#include <cerrno>
#include <cstdio>
#include <utility>

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace ici {

namespace {

// The name's length without the volume mark at its end, or the whole length when it has none.
qsizetype sansMarque(const QByteArray& nom) {
    const QByteArray bas = nom.toLower();
    if (bas.endsWith(".rar")) {
        // The new numbering first: "x.part2.rar" is "x", not "x.part2".
        qsizetype debut = bas.size() - 4;
        qsizetype chiffres = debut;
        while (chiffres > 0 && bas.at(chiffres - 1) >= '0' && bas.at(chiffres - 1) <= '9') {
            --chiffres;
        }
        if (chiffres < debut && chiffres >= 6 && bas.mid(chiffres - 5, 5) == ".part") {
            debut = chiffres - 5;
        }
        return debut;
    }
    const qsizetype n = bas.size();
    const auto chiffre = [&bas](qsizetype i) { return bas.at(i) >= '0' && bas.at(i) <= '9'; };
    if (n >= 5 && bas.at(n - 4) == '.' && bas.at(n - 3) >= 'r' && bas.at(n - 3) <= 'z' &&
        chiffre(n - 2) && chiffre(n - 1)) {
        return n - 4;
    }
    return n;
}

struct Entrees {
    int nombre = 0;        // counted up to 2
    QByteArray premiere{}; // the name of the first one
};

Entrees entrees(int dossier) {
    Entrees e;
    const int fd = ::openat(dossier, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    DIR* d = fd >= 0 ? ::fdopendir(fd) : nullptr;
    if (d == nullptr) {
        if (fd >= 0) {
            ::close(fd);
        }
        e.nombre = 2; // unreadable: kept whole in its folder
        return e;
    }
    while (const dirent* entree = ::readdir(d)) {
        const QByteArray nom(entree->d_name);
        if (nom == "." || nom == "..") {
            continue;
        }
        if (e.nombre++ == 0) {
            e.premiere = nom;
        }
        if (e.nombre == 2) {
            break;
        }
    }
    ::closedir(d);
    return e;
}

mode_t modeHabituel() {
    const mode_t masque = ::umask(0);
    ::umask(masque);
    return 0777 & ~masque;
}

} // namespace

QByteArray nomDuJeu(const QByteArray& fichier) {
    const qsizetype fin = sansMarque(fichier);
    QByteArray nom = fin > 0 ? fichier.left(fin) : fichier;
    qsizetype points = 0;
    while (points < nom.size() && nom.at(points) == '.') {
        ++points;
    }
    nom.remove(0, points);
    return nom.isEmpty() ? QByteArrayLiteral("archive") : nom;
}

std::unique_ptr<Preparation> Preparation::creer(const QByteArray& dossier, const QByteArray& nom) {
    const int parent = ::open(dossier.constData(), O_PATH | O_DIRECTORY | O_CLOEXEC);
    if (parent < 0) {
        return nullptr;
    }
    // The set's name, so that the user knows what is being extracted there; cut short enough for
    // the file system's limit, never in the middle of a character.
    QByteArray debut = nom.left(200);
    while (debut.size() < nom.size() && !debut.isEmpty() &&
           (quint8(nom.at(debut.size())) & 0xC0) == 0x80) {
        debut.chop(1);
    }
    QByteArray modele = dossier + '/' + debut + ".korvane-XXXXXX";
    if (::mkdtemp(modele.data()) == nullptr) {
        ::close(parent);
        return nullptr;
    }
    const QByteArray temporaire = modele.mid(modele.lastIndexOf('/') + 1);
    return std::unique_ptr<Preparation>(new Preparation(parent, modele, nom, temporaire));
}

Preparation::Preparation(int parent, QByteArray dossier, QByteArray nom, QByteArray temporaire)
    : parent_(parent)
    , chemin_(std::move(dossier))
    , nom_(std::move(nom))
    , temporaire_(std::move(temporaire)) {}

Preparation::~Preparation() {
    ::close(parent_);
}

QByteArray Preparation::publier() {
    const int dossier =
        ::openat(parent_, temporaire_.constData(), O_PATH | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (dossier < 0) {
        return QByteArray();
    }
    const Entrees e = entrees(dossier);
    QByteArray publie;
    if (e.nombre == 0) {
        ::unlinkat(parent_, temporaire_.constData(), AT_REMOVEDIR);
    } else if (e.nombre == 1) {
        struct stat s {};
        const bool seule =
            ::fstatat(dossier, e.premiere.constData(), &s, AT_SYMLINK_NOFOLLOW) == 0 &&
            ((S_ISREG(s.st_mode) && !e.premiere.startsWith('.')) ||
             (S_ISDIR(s.st_mode) && e.premiere == nom_));
        if (seule && ::renameat2(dossier, e.premiere.constData(), parent_, e.premiere.constData(),
                                 RENAME_NOREPLACE) == 0) {
            ::unlinkat(parent_, temporaire_.constData(), AT_REMOVEDIR);
            publie = e.premiere;
        }
    }
    if (e.nombre > 0 && publie.isEmpty()) {
        const int lu = ::openat(dossier, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (lu >= 0) {
            ::fchmod(lu, modeHabituel());
            ::close(lu);
        }
        // The rename decides, not a look beforehand: a name that appeared meanwhile is never
        // taken.
        publie = temporaire_;
        for (int n = 1; n < 10000; ++n) {
            const QByteArray nom = n == 1 ? nom_ : nom_ + " (" + QByteArray::number(n) + ')';
            if (::renameat2(parent_, temporaire_.constData(), parent_, nom.constData(),
                            RENAME_NOREPLACE) == 0) {
                publie = nom;
                break;
            }
            if (errno != EEXIST) {
                break; // kept under its own name, which is new too
            }
        }
    }
    ::close(dossier);
    return publie;
}

} // namespace ici
