#include "ExtraireIci.h"

#include "JournalIci.h"
#include "Restes.h"

#include <QRandomGenerator>

#include <cerrno>
#include <ctime>
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
    DIR* const d = restes::lireDossier(dossier, ".");
    if (d == nullptr) {
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

// Opens the folder `nom` of the folder open at `parent`, never through a link, if it is one that
// this process has just made: this user's, 0700 (but for the set-group-ID bit, which a folder
// inherits from its parent), empty, and born since `debut` (a file system that keeps times in
// whole seconds, or two, dates it a little earlier). Its identity in `s`; -1 when it is not.
int ouvrirNeuf(int parent, const QByteArray& nom, const timespec& debut, struct stat& s) {
    const int fd =
        ::openat(parent, nom.constData(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    struct statx x {};
    const bool neuf =
        fd >= 0 && ::fstat(fd, &s) == 0 &&
        ::statx(fd, "", AT_EMPTY_PATH, STATX_BTIME | STATX_CTIME, &x) == 0 &&
        s.st_uid == ::geteuid() && (s.st_mode & 07777 & ~mode_t(S_ISGID)) == 0700 &&
        ((x.stx_mask & STATX_BTIME) != 0 ? x.stx_btime : x.stx_ctime).tv_sec + 2 >= debut.tv_sec &&
        entrees(fd).nombre == 0;
    if (!neuf && fd >= 0) {
        ::close(fd);
    }
    return neuf ? fd : -1;
}

// What mkdtemp puts in the place of its "XXXXXX".
QByteArray suffixe() {
    static const char lettres[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
    QByteArray s(6, '0');
    for (char& c : s) {
        c = lettres[QRandomGenerator::system()->bounded(int(sizeof lettres - 1))];
    }
    return s;
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

bool porteLeNom(const QByteArray& fichier, const QByteArray& jeu) {
    const qsizetype point = fichier.lastIndexOf('.');
    return (point > 0 ? fichier.left(point) : fichier) == jeu;
}

std::unique_ptr<Preparation> Preparation::creer(const QByteArray& dossier, const QByteArray& nom,
                                                const QByteArray& journal, int& erreur) {
    // The clock that dates new files: a folder made from now on is born no earlier.
    timespec debut{};
    ::clock_gettime(CLOCK_REALTIME_COARSE, &debut);
    const int parent = ::open(dossier.constData(), O_PATH | O_DIRECTORY | O_CLOEXEC);
    if (parent < 0) {
        erreur = errno;
        return nullptr;
    }
    // Cut short enough for the file system's limit with what names add to it, never in the middle
    // of a character.
    QByteArray court = nom.left(200);
    while (court.size() < nom.size() && !court.isEmpty() &&
           (quint8(nom.at(court.size())) & 0xC0) == 0x80) {
        court.chop(1);
    }
    std::unique_ptr<Note> note = journal.isEmpty() ? nullptr : Note::ouvrir(journal);
    QByteArray temporaire;
    int fait = -1;
    for (int essai = 0; essai < 100 && fait != 0 && (essai == 0 || errno == EEXIST); ++essai) {
        temporaire = court + ".korvane-" + suffixe();
        if (note) {
            note->nommer((dossier == "/" ? QByteArray() : dossier) + '/' + temporaire);
        }
        fait = ::mkdirat(parent, temporaire.constData(), 0700);
    }
    struct stat identite {};
    int attente = -1;
    // Nothing made (the system's error), or what the new name led to was not the folder just
    // made (0): what is there is left alone.
    const auto abandon = [&](int e) {
        if (attente >= 0) {
            restes::retirerDans(attente, court.constData());
            restes::retirerVideSiMeme(parent, temporaire.constData(), identite);
            ::close(attente);
        }
        if (note) {
            note->retirer();
        }
        ::close(parent);
        erreur = e;
        return nullptr;
    };
    if (fait != 0) {
        return abandon(errno);
    }
    attente = ouvrirNeuf(parent, temporaire, debut, identite);
    if (attente < 0) {
        return abandon(0);
    }
    if (note) {
        note->identifier(identite);
    }
    // Nobody else can enter it: what is made inside is ours.
    if (::mkdirat(attente, court.constData(), 0700) != 0) {
        return abandon(errno);
    }
    struct stat interieur {};
    const int destination = ouvrirNeuf(attente, court, debut, interieur);
    if (destination < 0) {
        return abandon(0);
    }
    std::unique_ptr<Preparation> p(
        new Preparation(parent, attente, destination, temporaire, nom, court, std::move(note)));
    p->identite_ = identite;
    return p;
}

Preparation::Preparation(int dossier, int attente, int destination, QByteArray temporaire,
                         QByteArray nom, QByteArray court, std::unique_ptr<Note> note)
    : dossier_(dossier)
    , attente_(attente)
    , destination_(destination)
    , temporaire_(std::move(temporaire))
    , nom_(std::move(nom))
    , court_(std::move(court))
    , note_(std::move(note)) {}

Preparation::~Preparation() {
    for (const int fd : {destination_, attente_, dossier_}) {
        if (fd >= 0) {
            ::close(fd);
        }
    }
}

Preparation::Publication Preparation::publier(bool entier) {
    const Entrees e = entrees(destination_);
    Publication p;
    struct stat s {};
    if (e.nombre == 1 && entier &&
        ::fstatat(destination_, e.premiere.constData(), &s, AT_SYMLINK_NOFOLLOW) == 0 &&
        ((S_ISREG(s.st_mode) && !e.premiere.startsWith('.') && porteLeNom(e.premiere, nom_)) ||
         (S_ISDIR(s.st_mode) && e.premiere == nom_))) {
        if (::renameat2(destination_, e.premiere.constData(), dossier_, e.premiere.constData(),
                        RENAME_NOREPLACE) == 0) {
            p = {e.premiere, S_ISDIR(s.st_mode)};
        } else if (errno != EEXIST) {
            p.erreur = errno;
        }
    }
    if (e.nombre > 0 && p.nom.isEmpty() && p.erreur == 0) {
        // The folder keeps a set-group-ID bit that it took from the archive's, as a new folder
        // made there would.
        ::fstat(destination_, &s);
        ::fchmod(destination_, modeHabituel() | (s.st_mode & S_ISGID));
        // The rename decides, not a look beforehand: a name that appeared meanwhile is never
        // taken.
        const QByteArray base = entier ? court_ : court_ + " (incomplet)";
        for (int n = 1; p.nom.isEmpty() && p.erreur == 0; ++n) {
            const QByteArray nom = n == 1 ? base : base + " (" + QByteArray::number(n) + ')';
            if (::renameat2(attente_, court_.constData(), dossier_, nom.constData(),
                            RENAME_NOREPLACE) == 0) {
                p = {nom, true};
            } else if (errno != EEXIST || n == 10000) {
                p.erreur = errno;
            }
        }
    }
    retirer(); // what is left: nothing, or all of it when it could not be published
    return p;
}

void Preparation::jeter() {
    retirer();
}

void Preparation::retirer() {
    restes::retirerDans(attente_, court_.constData());
    restes::retirerVideSiMeme(dossier_, temporaire_.constData(), identite_);
    if (note_) {
        note_->retirer();
        note_.reset();
    }
}

} // namespace ici
