// The library's calls, as the guards do them (Gardes.h). None of them goes through the C
// library's functions of the same name, which are the helper's own: the *at() functions and the
// system calls do the work.

#include "Gardes.h"

#include <cerrno>

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

using namespace dessous;

int Gardes::ouvrir(const char* chemin, int drapeaux, mode_t mode) {
    const bool ecriture =
        (drapeaux & O_ACCMODE) != O_RDONLY || (drapeaux & (O_CREAT | O_TRUNC)) != 0;
    if (!ecriture) {
        if (chemin != nullptr && *chemin == '/') {
            return ouvrirVolume(chemin, drapeaux);
        }
        // The source of a copy: a file that this pass made, never one the user kept.
        if (!extraction_ || !destination_) {
            return echouer(ENOENT);
        }
        Descripteur fd(resoudre(destination_.get(), chemin, drapeaux | O_NOFOLLOW, Dessous));
        struct stat s {};
        if (!fd && (errno == EXDEV || errno == ELOOP)) {
            sortie_ = true;
            return echouer(ENOENT);
        }
        if (!fd || ::fstat(fd.get(), &s) != 0) {
            return -1;
        }
        if (!S_ISREG(s.st_mode) || !faitParLaPasse(s)) {
            return refuser(EACCES, Resultat::Ignore);
        }
        return fd.lacher();
    }
    // A new file costs the calls the library makes without guards, and one more. Its look at the
    // name (one fstatat in a folder reached without links, and kept) serves this open too; openat
    // beneath that folder, O_EXCL and O_NOFOLLOW, writes nothing outside, nothing through a link
    // and nothing into what appeared since the look; fstat on the new descriptor tells what was
    // made (noterEcrit), the one call more; the library's times and mode then go through that
    // descriptor, kept past the library's close until the entry's end (fermer), so that they
    // reach this file whatever its name has become.
    const std::optional<Place> p = place(chemin, true);
    if (!p || accordEntree_ == Accord::Non) {
        return echouer(EACCES);
    }
    if (p->existe()) {
        if (S_ISDIR(p->etat.st_mode)) {
            return echouer(EISDIR);
        }
        if (faitParLaPasse(p->etat) && S_ISREG(p->etat.st_mode)) {
            const int fd = ::openat(p->d(), p->n(), drapeaux | O_NOFOLLOW | O_CLOEXEC, mode);
            noterEcrit(fd, chemin, false);
            return fd;
        }
        // The user's file or link, or a link of the archive: a new file takes its place, so that
        // nothing is written through a link, nor into a file that has other names elsewhere.
        if (!faitParLaPasse(p->etat) && accord(chemin) == Accord::Non) {
            return echouer(EACCES);
        }
        if (::unlinkat(p->d(), p->n(), 0) != 0 && errno != ENOENT) {
            return echouer(EACCES);
        }
    }
    const int fd =
        ::openat(p->d(), p->n(), drapeaux | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, mode);
    noterEcrit(fd, chemin, true);
    return fd;
}

int Gardes::etat(const char* chemin, struct stat64* etat, bool suivre) {
    if (chemin != nullptr && *chemin == '/') {
        if (!volume(chemin)) {
            return echouer(ENOENT);
        }
        return ::fstatat64(AT_FDCWD, chemin, etat, suivre ? 0 : AT_SYMLINK_NOFOLLOW);
    }
    if (!extraction_ || !destination_) {
        return echouer(ENOENT);
    }
    // Most names lie in a folder reached without links, and are no link themselves.
    absent_.reset();
    const std::string c(chemin != nullptr ? chemin : "");
    const auto i = std::ptrdiff_t(c.rfind('/'));
    const std::string nom = c.substr(std::size_t(i + 1));
    if (!nulle(nom)) {
        const Dossier d = dossier(i < 0 ? std::string() : c.substr(0, std::size_t(i)));
        if (!d && errno != ELOOP) {
            return -1;
        }
        if (d && ::fstatat64(d->get(), nom.c_str(), etat, AT_SYMLINK_NOFOLLOW) == 0 &&
            (!suivre || !S_ISLNK(etat->st_mode))) {
            return 0;
        }
        if (d && errno == ENOENT) {
            absent_ = Absent{d, c}; // for the call that follows (place())
            return -1;
        }
    }
    // Else seen through links that stay beneath, like the kernel's own lookups; a link that leads
    // out shows nothing behind it.
    const Descripteur fd(
        resoudre(destination_.get(), chemin, O_PATH | (suivre ? 0 : O_NOFOLLOW), Dessous));
    if (!fd) {
        if (errno != EXDEV && errno != ELOOP) {
            return -1;
        }
        sortie_ = true;
        return echouer(ENOENT);
    }
    return ::fstatat64(fd.get(), "", etat, AT_EMPTY_PATH);
}

int Gardes::acces(const char* chemin, int mode) {
    struct stat64 s {};
    if (etat(chemin, &s, true) != 0) {
        return -1;
    }
    // The helper owns what it reads and writes here; the owner's bits tell.
    const bool permis = ((mode & R_OK) == 0 || (s.st_mode & S_IRUSR) != 0) &&
                        ((mode & W_OK) == 0 || (s.st_mode & S_IWUSR) != 0) &&
                        ((mode & X_OK) == 0 || (s.st_mode & S_IXUSR) != 0);
    return permis ? 0 : echouer(EACCES);
}

int Gardes::creerDossier(const char* chemin, mode_t mode) {
    const std::optional<Place> p = place(chemin);
    if (!p) {
        return -1;
    }
    if (p->existe()) {
        if (S_ISDIR(p->etat.st_mode)) {
            fait_ = fait_ || genre_ == Genre::Dossier; // the archive's folder merges into it
            return echouer(EEXIST);
        }
        // A folder where a link stands: the link gives way, as the library has it beneath a link,
        // after the question when it is the user's.
        if (!S_ISLNK(p->etat.st_mode) ||
            (!faitParLaPasse(p->etat) && accord(chemin) == Accord::Non) ||
            ::unlinkat(p->d(), p->n(), 0) != 0) {
            return echouer(EEXIST);
        }
    }
    if (::mkdirat(p->d(), p->n(), mode & 07777) != 0) {
        return -1;
    }
    noterFait(p->d(), p->nom);
    fait_ = fait_ || genre_ == Genre::Dossier;
    return 0;
}

int Gardes::changerMode(const char* chemin, mode_t mode) {
    // The file just written, through the library's own descriptor: no look at the name needed.
    if (const int f = ecrit(chemin); f >= 0) {
        return ::fchmod(f, mode & 07777);
    }
    const std::optional<Place> p = place(chemin);
    if (!p || !p->existe()) {
        return p ? echouer(ENOENT) : -1;
    }
    if (!faitParLaPasse(p->etat)) {
        if (S_ISDIR(p->etat.st_mode)) {
            return 0; // a folder of the user's keeps its mode: the archive's merges into it
        }
        // The library's chmod before it replaces a file: the question comes here, and "Oui"
        // removes the user's file at once, so that its mode, shared with its other names, stays.
        if (accord(chemin) == Accord::Non) {
            return echouer(EPERM);
        }
        return ::unlinkat(p->d(), p->n(), 0) == 0 ? 0 : echouer(EACCES);
    }
    if (S_ISLNK(p->etat.st_mode)) {
        return 0; // a link's mode means nothing
    }
    // Through a descriptor, so that the system-call filter may refuse every chmod by name; by name
    // only for a file of the pass whose own mode no longer lets it open.
    const Descripteur fd = ouvrirFait(*p);
    return fd ? ::fchmod(fd.get(), mode & 07777) : ::fchmodat(p->d(), p->n(), mode & 07777, 0);
}

int Gardes::changerProprietaire(const char*, uid_t, gid_t) {
    // Owners are restored only when asked for, and nobody asks.
    return echouer(EPERM);
}

int Gardes::changerDates(int base, const char* chemin, const struct timespec dates[2],
                         int drapeaux) {
    if (chemin == nullptr) {
        return ::futimens(base, dates); // a descriptor the library opened through us
    }
    if (base != AT_FDCWD) {
        return echouer(EACCES);
    }
    if (const int f = ecrit(chemin); f >= 0) {
        return ::futimens(f, dates);
    }
    const std::optional<Place> p = place(chemin);
    if (!p || !p->existe()) {
        return p ? echouer(ENOENT) : -1;
    }
    if (!faitParLaPasse(p->etat)) {
        return 0; // the user's files and folders keep their times
    }
    if (!S_ISLNK(p->etat.st_mode)) {
        if (const Descripteur fd = ouvrirFait(*p)) {
            return ::futimens(fd.get(), dates);
        }
    } else if ((drapeaux & AT_SYMLINK_NOFOLLOW) == 0) {
        return 0; // through the link: never
    }
    // A link cannot be opened for its times: by name, where the filter allows. The system call
    // itself: the C library's utimensat is ours in the helper.
    return int(::syscall(SYS_utimensat, p->d(), p->n(), dates, AT_SYMLINK_NOFOLLOW));
}

int Gardes::lienDur(const char* existant, const char* nouveau) {
    if (!extraction_ || !destination_ || existant == nullptr || *existant == '/') {
        return refuser(EACCES, Resultat::LienRefuse);
    }
    // The file it names, beneath the chosen folder through links that stay beneath.
    const std::string source(existant);
    const auto i = std::ptrdiff_t(source.rfind('/'));
    const std::string nomSource = source.substr(std::size_t(i + 1));
    if (nulle(nomSource)) {
        return refuser(EACCES, Resultat::LienRefuse);
    }
    const Descripteur dossierSource(resoudre(destination_.get(),
                                             i < 0 ? "." : source.substr(0, std::size_t(i)).c_str(),
                                             O_PATH | O_DIRECTORY, Dessous));
    if (!dossierSource) {
        return errno == ENOENT || errno == ENOTDIR ? -1 : refuser(EACCES, Resultat::LienRefuse);
    }
    struct stat s {};
    if (::fstatat(dossierSource.get(), nomSource.c_str(), &s, AT_SYMLINK_NOFOLLOW) != 0) {
        return -1;
    }
    if (!S_ISREG(s.st_mode) || !faitParLaPasse(s)) {
        // A second name for a file of the user's would let the library's changes reach it.
        return refuser(EACCES, Resultat::Ignore);
    }
    const std::optional<Place> p = place(nouveau, true);
    if (!p || accordEntree_ == Accord::Non) {
        return echouer(EACCES);
    }
    if (::linkat(dossierSource.get(), nomSource.c_str(), p->d(), p->n(), 0) != 0) {
        return -1;
    }
    fait_ = true;
    return 0;
}

int Gardes::lienSymbolique(const char* cible, const char* chemin) {
    const std::optional<Place> p = place(chemin, true);
    if (!p) {
        return -1;
    }
    if (accordEntree_ == Accord::Non) {
        return echouer(EACCES);
    }
    if (cible == nullptr || !cibleSure(p->cheminDossier, std::string(cible))) {
        return refuser(EACCES, Resultat::LienRefuse);
    }
    if (::symlinkat(cible, p->d(), p->n()) != 0) {
        return -1;
    }
    noterFait(p->d(), p->nom);
    fait_ = true;
    return 0;
}

int Gardes::retirer(const char* chemin) {
    const std::optional<Place> p = place(chemin, true);
    if (!p || !p->existe()) {
        return p ? echouer(ENOENT) : -1;
    }
    const bool dossier = S_ISDIR(p->etat.st_mode);
    if (!faitParLaPasse(p->etat)) {
        if (dossier) {
            return refuser(EACCES, Resultat::Ignore); // never a folder of the user's
        }
        if (accord(chemin) == Accord::Non) {
            return echouer(EACCES);
        }
    }
    if (dossier) {
        oublierDossiers();
    }
    return ::unlinkat(p->d(), p->n(), dossier ? AT_REMOVEDIR : 0);
}

int Gardes::renommer(const char* ancien, const char* nouveau) {
    const std::optional<Place> a = place(ancien);
    const std::optional<Place> n = place(nouveau);
    if (!a || !n || !a->existe()) {
        return a && n ? echouer(ENOENT) : -1;
    }
    // Only what this pass made moves, and only over what it made.
    if (!faitParLaPasse(a->etat) || (n->existe() && !faitParLaPasse(n->etat))) {
        return refuser(EACCES, Resultat::Ignore);
    }
    oublierDossiers();
    return ::renameat(a->d(), a->n(), n->d(), n->n());
}

int Gardes::fermer(int fd) {
    // The library is done writing its file, but not with the file: its times and mode come next,
    // by name. The descriptor stays open until the entry's end and serves those calls; closed
    // then, it costs no call of its own. A second close of it fails, as the kernel's would.
    if (ecrit_ && ecrit_->fichier == fd) {
        if (ecrit_->ferme) {
            return echouer(EBADF);
        }
        ecrit_->ferme = true;
        return 0;
    }
    return int(::syscall(SYS_close, fd));
}
