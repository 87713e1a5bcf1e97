#include "Gardes.h"

#include "CodesRAR.h"

#include <QFile>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstring>
#include <utility>

#include <fcntl.h>
#include <linux/openat2.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace {

std::atomic<Gardes*> enServiceGlobal{nullptr};

// The kernel resolves every name beneath the chosen folder: absolute names, ".." above it, a link
// that leads out or a magic link of /proc all fail (EXDEV, ELOOP).
constexpr std::uint64_t Dessous = RESOLVE_BENEATH | RESOLVE_NO_MAGICLINKS;
// Where something is written, no link at all is followed on the way.
constexpr std::uint64_t DessousSansLien = Dessous | RESOLVE_NO_SYMLINKS;

int resoudre(int base, const char* chemin, int drapeaux, std::uint64_t resolution) {
    open_how comment{};
    comment.flags = std::uint64_t(drapeaux | O_CLOEXEC);
    comment.resolve = resolution;
    for (int essai = 0;; ++essai) {
        const int fd = int(::syscall(SYS_openat2, base, chemin, &comment, sizeof comment));
        // A rename elsewhere during a ".." makes the kernel ask for a new try.
        if (fd >= 0 || errno != EAGAIN || essai == 8) {
            return fd;
        }
    }
}

std::uint64_t cle(const struct stat& s) {
    // Every file of a pass lies on the few file systems beneath the chosen folder: the device in
    // the high bits keeps their inodes apart.
    return (std::uint64_t(s.st_dev) << 44) ^ std::uint64_t(s.st_ino);
}

int echouer(int erreur) {
    errno = erreur;
    return -1;
}

// The name's parts, without empty ones and ".".
QList<QByteArray> parties(const QByteArray& chemin) {
    QList<QByteArray> p = chemin.split('/');
    p.removeIf([](const QByteArray& x) { return x.isEmpty() || x == "."; });
    return p;
}

} // namespace

Gardes::Descripteur::~Descripteur() {
    if (fd_ >= 0) {
        ::close(fd_);
    }
}

Gardes::Descripteur::Descripteur(Descripteur&& autre) noexcept
    : fd_(std::exchange(autre.fd_, -1)) {}

Gardes::Descripteur& Gardes::Descripteur::operator=(Descripteur&& autre) noexcept {
    std::swap(fd_, autre.fd_);
    return *this;
}

Gardes::Gardes(RetourPasse& retour, int mode, std::vector<QByteArray> volumes)
    : retour_(retour)
    , extraction_(mode == ModeExtraction)
    , volumes_(std::move(volumes)) {
    if (extraction_) {
        destination_ = ::open(".", O_PATH | O_DIRECTORY | O_CLOEXEC);
    }
}

Gardes::~Gardes() {
    if (destination_ >= 0) {
        ::close(destination_);
    }
}

Gardes* Gardes::enService() {
    return enServiceGlobal.load(std::memory_order_relaxed);
}

Gardes::Service::Service(Gardes* gardes)
    : avant_(enServiceGlobal.exchange(gardes, std::memory_order_relaxed)) {}

Gardes::Service::~Service() {
    enServiceGlobal.store(avant_, std::memory_order_relaxed);
}

void Gardes::debutEntree(Genre genre) {
    genre_ = genre;
    ecrit_.reset();
    accordEntree_.reset();
    verdict_.reset();
    fait_ = false;
    sortie_ = false;
}

std::optional<Gardes::Verdict> Gardes::finEntree(int code) {
    const std::optional<Ecrit> ecrit = std::exchange(ecrit_, std::nullopt);
    if (verdict_) {
        // What the library began before a refusal (a copy whose source the user kept) goes.
        if (ecrit) {
            if (const std::optional<Place> p = place(ecrit->chemin.constData())) {
                ::unlinkat(p->d(), p->nom.constData(), 0);
            }
        }
        return Verdict{*verdict_};
    }
    // A name the library looked for led out through a link: what it then missed is refused.
    if (sortie_ && (!fait_ || code != 0)) {
        return Verdict{Resultat::LienRefuse};
    }
    if (code != 0) {
        return std::nullopt;
    }
    if (fait_) {
        return Verdict{Resultat::OK};
    }
    // The library said nothing, but made nothing: a link it found unsafe itself, a hard link to a
    // file that is not there.
    switch (genre_) {
    case Genre::LienSymbolique:
        return Verdict{Resultat::LienRefuse};
    case Genre::LienDur:
        return Verdict{Resultat::Code, ERAR_EREFERENCE};
    default:
        return Verdict{Resultat::Ignore};
    }
}

bool Gardes::volume(const char* chemin) const {
    const QByteArrayView v(chemin);
    for (const QByteArray& o : volumes_) {
        if (o == v) {
            return true;
        }
    }
    return false;
}

int Gardes::refuser(int erreur, std::optional<Resultat> verdict) {
    if (verdict && !verdict_) {
        verdict_ = verdict;
    }
    return echouer(erreur);
}

bool Gardes::faitParLaPasse(const struct stat& s) const {
    return faits_.count(cle(s)) != 0;
}

void Gardes::noterEcrit(int fd, const char* chemin) {
    if (fd < 0) {
        return;
    }
    fait_ = fait_ || genre_ == Genre::Fichier || genre_ == Genre::Copie;
    ecrit_ = Ecrit{Descripteur(::fcntl(fd, F_DUPFD_CLOEXEC, 0)), QByteArray(chemin)};
}

const Gardes::Descripteur* Gardes::ecrit(const char* chemin) const {
    return ecrit_ && ecrit_->fichier && ecrit_->chemin == QByteArrayView(chemin) ? &ecrit_->fichier
                                                                                 : nullptr;
}

Gardes::Dossier Gardes::dossier(const QByteArray& chemin) {
    if (dernier_ && chemin == cheminDernier_) {
        return dernier_;
    }
    Descripteur fd(resoudre(destination_, chemin.isEmpty() ? "." : chemin.constData(),
                            O_PATH | O_DIRECTORY, DessousSansLien));
    if (!fd) {
        return nullptr;
    }
    dernier_ = std::make_shared<const Descripteur>(std::move(fd));
    cheminDernier_ = chemin;
    return dernier_;
}

void Gardes::noterFait(int dossier, const QByteArray& nom) {
    struct stat s {};
    if (::fstatat(dossier, nom.constData(), &s, AT_SYMLINK_NOFOLLOW) == 0) {
        faits_.insert(cle(s));
    }
}

std::optional<Gardes::Place> Gardes::place(const char* chemin) {
    if (!extraction_ || destination_ < 0 || chemin == nullptr || *chemin == '/') {
        refuser(EACCES, Resultat::Ignore);
        return std::nullopt;
    }
    const QByteArray c(chemin);
    const qsizetype i = c.lastIndexOf('/');
    Place p;
    p.nom = c.mid(i + 1);
    p.cheminDossier = i < 0 ? QByteArray() : c.left(i);
    // The chosen folder itself, or the one above: nothing of the archive goes there.
    if (p.nom.isEmpty() || p.nom == "." || p.nom == "..") {
        refuser(EACCES, Resultat::Ignore);
        return std::nullopt;
    }
    p.dossier = dossier(p.cheminDossier);
    if (!p.dossier) {
        // A folder not made yet is the library's to make; a link on the way, or a way out, means
        // that the entry is not made there.
        const int erreur = errno;
        if (erreur == ENOENT || erreur == ENOTDIR) {
            echouer(erreur);
        } else {
            refuser(EACCES, Resultat::Ignore);
        }
        return std::nullopt;
    }
    return p;
}

Gardes::Accord Gardes::accord(const char* chemin) {
    if (accordEntree_) {
        return *accordEntree_;
    }
    Accord a = Accord::Non;
    if (pourTous_ != PourTous::Demander) {
        a = pourTous_ == PourTous::Remplacer ? Accord::Oui : Accord::Non;
    } else {
        // The library is not at work while the user answers.
        const Service pause(nullptr);
        switch (retour_.remplacer(QFile::decodeName(QByteArray(chemin)))) {
        case Remplacement::OuiPourTous:
            pourTous_ = PourTous::Remplacer;
            a = Accord::Oui;
            break;
        case Remplacement::Oui:
            a = Accord::Oui;
            break;
        case Remplacement::NonPourTous:
            pourTous_ = PourTous::Garder;
            break;
        case Remplacement::Non:
            break;
        }
    }
    accordEntree_ = a;
    if (a == Accord::Non) {
        verdict_ = Resultat::Ignore;
    }
    return a;
}

int Gardes::ouvrir(const char* chemin, int drapeaux, mode_t mode) {
    const bool ecriture =
        (drapeaux & O_ACCMODE) != O_RDONLY || (drapeaux & (O_CREAT | O_TRUNC)) != 0;
    if (!ecriture) {
        if (chemin != nullptr && *chemin == '/') {
            if (!volume(chemin)) {
                return echouer(ENOENT);
            }
            const int fd = ::openat(AT_FDCWD, chemin, drapeaux | O_CLOEXEC);
            if (fd >= 0 && std::find(ouverts_.begin(), ouverts_.end(), chemin) == ouverts_.end()) {
                ouverts_.emplace_back(chemin);
            }
            return fd;
        }
        // The source of a copy: a file that this pass made, never one the user kept.
        if (!extraction_ || destination_ < 0) {
            return echouer(ENOENT);
        }
        Descripteur fd(resoudre(destination_, chemin, (drapeaux & ~O_CREAT) | O_NOFOLLOW, Dessous));
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
        return ::fcntl(fd.get(), F_DUPFD_CLOEXEC, 0);
    }
    std::optional<Place> p = place(chemin);
    if (!p || accordEntree_ == Accord::Non) {
        return echouer(EACCES);
    }
    const int d = p->d();
    const char* nom = p->nom.constData();
    struct stat s {};
    if (::fstatat(d, nom, &s, AT_SYMLINK_NOFOLLOW) == 0) {
        if (S_ISDIR(s.st_mode)) {
            return echouer(EISDIR);
        }
        if (faitParLaPasse(s) && S_ISREG(s.st_mode)) {
            retour_.extractionDe(QByteArrayView(chemin));
            const int fd = ::openat(d, nom, drapeaux | O_NOFOLLOW | O_CLOEXEC, mode);
            noterEcrit(fd, chemin);
            return fd;
        }
        // The user's file or link, or a link of the archive: a new file takes its place, so that
        // nothing is written through a link, nor into a file that has other names elsewhere.
        if (!faitParLaPasse(s) && accord(chemin) == Accord::Non) {
            return echouer(EACCES);
        }
        if (::unlinkat(d, nom, 0) != 0 && errno != ENOENT) {
            return echouer(EACCES);
        }
    }
    retour_.extractionDe(QByteArrayView(chemin));
    const int fd = ::openat(d, nom, drapeaux | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, mode);
    if (fd >= 0) {
        noterFait(d, p->nom);
    }
    noterEcrit(fd, chemin);
    return fd;
}

int Gardes::etat(const char* chemin, struct stat64* etat, bool suivre) {
    if (chemin != nullptr && *chemin == '/') {
        if (!volume(chemin)) {
            return echouer(ENOENT);
        }
        return ::fstatat64(AT_FDCWD, chemin, etat, suivre ? 0 : AT_SYMLINK_NOFOLLOW);
    }
    if (!extraction_ || destination_ < 0) {
        return echouer(ENOENT);
    }
    // Most names lie in a folder reached without links, and are no link themselves.
    const QByteArray c(chemin);
    const qsizetype i = c.lastIndexOf('/');
    const QByteArray nom = c.mid(i + 1);
    if (!nom.isEmpty() && nom != "." && nom != "..") {
        const Dossier d = dossier(i < 0 ? QByteArray() : c.left(i));
        if (!d && errno != ELOOP) {
            return -1;
        }
        if (d && ::fstatat64(d->get(), nom.constData(), etat, AT_SYMLINK_NOFOLLOW) == 0 &&
            (!suivre || !S_ISLNK(etat->st_mode))) {
            return 0;
        }
        if (d && errno == ENOENT) {
            return -1;
        }
    }
    // Else seen through links that stay beneath, like the kernel's own lookups; a link that leads
    // out shows nothing behind it.
    const int drapeaux = O_PATH | (suivre ? 0 : O_NOFOLLOW);
    Descripteur fd(resoudre(destination_, chemin, drapeaux, Dessous));
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
    if (mode == F_OK) {
        return 0;
    }
    // The helper owns what it reads and writes here; the owner's bits tell.
    const bool permis = ((mode & R_OK) == 0 || (s.st_mode & S_IRUSR) != 0) &&
                        ((mode & W_OK) == 0 || (s.st_mode & S_IWUSR) != 0) &&
                        ((mode & X_OK) == 0 || (s.st_mode & S_IXUSR) != 0);
    return permis ? 0 : echouer(EACCES);
}

int Gardes::creerDossier(const char* chemin, mode_t mode) {
    std::optional<Place> p = place(chemin);
    if (!p) {
        return -1;
    }
    const int d = p->d();
    const char* nom = p->nom.constData();
    struct stat s {};
    if (::fstatat(d, nom, &s, AT_SYMLINK_NOFOLLOW) == 0) {
        if (S_ISDIR(s.st_mode)) {
            fait_ = fait_ || genre_ == Genre::Dossier; // the archive's folder merges into it
            return echouer(EEXIST);
        }
        // A folder where a link stands: the link gives way, as the library has it beneath a link,
        // after the question when it is the user's.
        if (!S_ISLNK(s.st_mode) || (!faitParLaPasse(s) && accord(chemin) == Accord::Non) ||
            ::unlinkat(d, nom, 0) != 0) {
            return echouer(EEXIST);
        }
    }
    if (::mkdirat(d, nom, mode & 07777) != 0) {
        return -1;
    }
    noterFait(d, p->nom);
    fait_ = fait_ || genre_ == Genre::Dossier;
    return 0;
}

int Gardes::changerMode(const char* chemin, mode_t mode) {
    if (const Descripteur* f = ecrit(chemin)) {
        return ::fchmod(f->get(), mode & 07777);
    }
    std::optional<Place> p = place(chemin);
    if (!p) {
        return -1;
    }
    const int d = p->d();
    const char* nom = p->nom.constData();
    struct stat s {};
    if (::fstatat(d, nom, &s, AT_SYMLINK_NOFOLLOW) != 0) {
        return -1;
    }
    if (!faitParLaPasse(s)) {
        if (S_ISDIR(s.st_mode)) {
            return 0; // a folder of the user's keeps its mode: the archive's merges into it
        }
        // The library's chmod before it replaces a file: the question comes here, and "Oui"
        // removes the user's file at once, so that its mode, shared with its other names, stays.
        if (accord(chemin) == Accord::Non) {
            return echouer(EPERM);
        }
        return ::unlinkat(d, nom, 0) == 0 ? 0 : echouer(EACCES);
    }
    if (S_ISLNK(s.st_mode)) {
        return 0; // a link's mode means nothing
    }
    // Through a descriptor, so that the system-call filter may refuse every chmod by name.
    Descripteur fd(::openat(d, nom, O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
    if (fd) {
        return ::fchmod(fd.get(), mode & 07777);
    }
    // A file of the pass that its own mode no longer lets open: by name, where the filter allows.
    return ::fchmodat(d, nom, mode & 07777, 0);
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
    if (const Descripteur* f = ecrit(chemin)) {
        return ::futimens(f->get(), dates);
    }
    std::optional<Place> p = place(chemin);
    if (!p) {
        return -1;
    }
    const int d = p->d();
    const char* nom = p->nom.constData();
    struct stat s {};
    if (::fstatat(d, nom, &s, AT_SYMLINK_NOFOLLOW) != 0) {
        return -1;
    }
    if (!faitParLaPasse(s)) {
        return 0; // the user's files and folders keep their times
    }
    if (!S_ISLNK(s.st_mode)) {
        Descripteur fd(::openat(d, nom, O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
        if (fd) {
            return ::futimens(fd.get(), dates);
        }
    } else if ((drapeaux & AT_SYMLINK_NOFOLLOW) == 0) {
        return 0; // through the link: never
    }
    // A link cannot be opened for its times: by name, where the filter allows. The system call
    // itself: the C library's utimensat is ours in the helper.
    return int(::syscall(SYS_utimensat, d, nom, dates, AT_SYMLINK_NOFOLLOW));
}

int Gardes::lienDur(const char* existant, const char* nouveau) {
    if (!extraction_ || destination_ < 0 || existant == nullptr || *existant == '/') {
        return refuser(EACCES, Resultat::LienRefuse);
    }
    // The file it names, beneath the chosen folder through links that stay beneath.
    const QByteArray source(existant);
    const qsizetype i = source.lastIndexOf('/');
    const QByteArray nomSource = source.mid(i + 1);
    if (nomSource.isEmpty() || nomSource == "." || nomSource == "..") {
        return refuser(EACCES, Resultat::LienRefuse);
    }
    Descripteur dossierSource(resoudre(destination_, i < 0 ? "." : source.left(i).constData(),
                                       O_PATH | O_DIRECTORY, Dessous));
    if (!dossierSource) {
        return errno == ENOENT || errno == ENOTDIR ? -1 : refuser(EACCES, Resultat::LienRefuse);
    }
    struct stat s {};
    if (::fstatat(dossierSource.get(), nomSource.constData(), &s, AT_SYMLINK_NOFOLLOW) != 0) {
        return -1;
    }
    if (!S_ISREG(s.st_mode) || !faitParLaPasse(s)) {
        // A second name for a file of the user's would let the library's changes reach it.
        return refuser(EACCES, Resultat::Ignore);
    }
    std::optional<Place> p = place(nouveau);
    if (!p || accordEntree_ == Accord::Non) {
        return echouer(EACCES);
    }
    if (::linkat(dossierSource.get(), nomSource.constData(), p->d(), p->nom.constData(), 0) != 0) {
        return -1;
    }
    fait_ = true;
    return 0;
}

bool Gardes::cibleSure(const QByteArray& dossier, const QByteArray& cible) const {
    if (cible.isEmpty() || cible.startsWith('/')) {
        return false;
    }
    // The link's folder was reached without any link: its depth is that of its name.
    QList<QByteArray> lieu = parties(dossier);
    bool descend = false;
    for (const QByteArray& partie : parties(cible)) {
        if (partie == "..") {
            if (descend || lieu.isEmpty()) {
                return false; // ".." after a name depends on what that name becomes
            }
            lieu.removeLast();
        } else {
            descend = true;
            lieu.append(partie);
        }
    }
    // Names that exist now must not lead out either: a link of the user's among them.
    Descripteur fd(
        resoudre(destination_, lieu.isEmpty() ? "." : lieu.join('/').constData(), O_PATH, Dessous));
    return fd || errno == ENOENT;
}

int Gardes::lienSymbolique(const char* cible, const char* chemin) {
    std::optional<Place> p = place(chemin);
    if (!p) {
        return -1;
    }
    if (accordEntree_ == Accord::Non) {
        return echouer(EACCES);
    }
    if (cible == nullptr || !cibleSure(p->cheminDossier, QByteArray(cible))) {
        return refuser(EACCES, Resultat::LienRefuse);
    }
    if (::symlinkat(cible, p->d(), p->nom.constData()) != 0) {
        return -1;
    }
    noterFait(p->d(), p->nom);
    fait_ = true;
    return 0;
}

int Gardes::retirer(const char* chemin) {
    std::optional<Place> p = place(chemin);
    if (!p) {
        return -1;
    }
    const int d = p->d();
    const char* nom = p->nom.constData();
    struct stat s {};
    if (::fstatat(d, nom, &s, AT_SYMLINK_NOFOLLOW) != 0) {
        return -1;
    }
    const int drapeau = S_ISDIR(s.st_mode) ? AT_REMOVEDIR : 0;
    if (!faitParLaPasse(s)) {
        if (S_ISDIR(s.st_mode)) {
            return refuser(EACCES, Resultat::Ignore); // never a folder of the user's
        }
        if (accord(chemin) == Accord::Non) {
            return echouer(EACCES);
        }
    }
    if (drapeau != 0) {
        oublierDossiers();
    }
    return ::unlinkat(d, nom, drapeau);
}

int Gardes::renommer(const char* ancien, const char* nouveau) {
    std::optional<Place> a = place(ancien);
    std::optional<Place> n = place(nouveau);
    if (!a || !n) {
        return -1;
    }
    struct stat s {};
    if (::fstatat(a->d(), a->nom.constData(), &s, AT_SYMLINK_NOFOLLOW) != 0) {
        return -1;
    }
    struct stat t {};
    const bool occupe = ::fstatat(n->d(), n->nom.constData(), &t, AT_SYMLINK_NOFOLLOW) == 0;
    // Only what this pass made moves, and only over what it made.
    if (!faitParLaPasse(s) || (occupe && !faitParLaPasse(t))) {
        return refuser(EACCES, Resultat::Ignore);
    }
    oublierDossiers();
    return ::renameat(a->d(), a->nom.constData(), n->d(), n->nom.constData());
}
