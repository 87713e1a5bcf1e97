#include "Gardes.h"

#include "CodesRAR.h"
#include "Lectures.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <utility>

#include <fcntl.h>
#include <unistd.h>

using namespace dessous;

namespace {

std::atomic<Gardes*> enServiceGlobal{nullptr};

std::uint64_t cle(const struct stat& s) {
    // Every file of a pass lies on the few file systems beneath the chosen folder: the device in
    // the high bits keeps their inodes apart.
    return (std::uint64_t(s.st_dev) << 44) ^ std::uint64_t(s.st_ino);
}

} // namespace

Gardes::Gardes(RetourMoteur& retour, int mode, std::vector<std::string> volumes)
    : retour_(retour)
    , extraction_(mode == ModeExtraction)
    , volumes_(std::move(volumes))
    , destination_(extraction_ ? ::open(".", O_PATH | O_DIRECTORY | O_CLOEXEC) : -1) {
    if (destination_) {
        reserve_.emplace(destination_.get());
    }
}

Gardes* Gardes::enService() {
    return enServiceGlobal.load(std::memory_order_relaxed);
}

// Only the thread that calls the library puts guards in service: a locked exchange at each of its
// three calls an entry was a fiftieth of a list.
Gardes::Service::Service(Gardes* gardes)
    : avant_(enServiceGlobal.load(std::memory_order_relaxed)) {
    enServiceGlobal.store(gardes, std::memory_order_relaxed);
}

Gardes::Service::~Service() {
    enServiceGlobal.store(avant_, std::memory_order_relaxed);
}

std::optional<Reserve::Manque> Gardes::debutEntree(Genre genre, std::int64_t taille) {
    genre_ = genre;
    lacherEcrit();
    accordEntree_.reset();
    verdict_.reset();
    fait_ = false;
    sortie_ = false;
    if (!reserve_) {
        return std::nullopt;
    }
    // Folders and links write no bytes: an entry that says it is one writes none.
    const bool donnees = genre == Genre::Fichier || genre == Genre::Copie;
    return reserve_->avant(donnees ? taille : 0);
}

std::optional<Gardes::Verdict> Gardes::finEntree(int code) {
    const std::string ecrit = ecrit_ ? ecrit_->chemin : std::string();
    lacherEcrit();
    if (verdict_) {
        // What the library began before a refusal (a copy whose source the user kept) goes.
        if (!ecrit.empty()) {
            if (const std::optional<Place> p = place(ecrit.c_str())) {
                ::unlinkat(p->d(), p->n(), 0);
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
    const std::string_view v(chemin);
    return std::any_of(volumes_.cbegin(), volumes_.cend(),
                       [v](const std::string& o) { return o == v; });
}

int Gardes::ouvrirVolume(const char* chemin, int drapeaux) {
    if (!volume(chemin)) {
        return echouer(ENOENT);
    }
    const int fd = ::openat(AT_FDCWD, chemin, drapeaux | O_CLOEXEC);
    if (Lectures* l = Lectures::duProcessus(); l != nullptr && fd >= 0) {
        l->suivre(fd);
    }
    if (fd >= 0 && std::find(ouverts_.begin(), ouverts_.end(), chemin) == ouverts_.end()) {
        ouverts_.emplace_back(chemin);
    }
    return fd;
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

void Gardes::noterFait(int dossier, const std::string& nom) {
    struct stat s {};
    if (::fstatat(dossier, nom.c_str(), &s, AT_SYMLINK_NOFOLLOW) == 0) {
        faits_.insert(cle(s));
    }
}

void Gardes::noterEcrit(int fd, const char* chemin, bool cree) {
    if (fd < 0) {
        return;
    }
    lacherEcrit();
    fait_ = fait_ || genre_ == Genre::Fichier || genre_ == Genre::Copie;
    ecrit_ = Ecrit{fd, false, std::string(chemin)};
    // The identity of what the open made, from its descriptor: no name can stand for another file
    // meanwhile. The window removes what is left of this file, and of no other, if the pass stops
    // before the entry's end.
    struct stat s {};
    if (::fstat(fd, &s) == 0) {
        if (cree) {
            faits_.insert(cle(s));
        }
        retour_.fichierEcrit(std::string_view(chemin), std::uint64_t(s.st_dev),
                             std::uint64_t(s.st_ino));
    }
}

int Gardes::ecrit(const char* chemin) const {
    return ecrit_ && chemin != nullptr && ecrit_->chemin == chemin ? ecrit_->fichier : -1;
}

void Gardes::lacherEcrit() {
    if (ecrit_ && ecrit_->ferme) {
        fermerDescripteur(ecrit_->fichier);
    }
    ecrit_.reset();
}

Gardes::Descripteur Gardes::ouvrirFait(const Place& p) {
    return Descripteur(
        ::openat(p.d(), p.n(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
}

Gardes::Dossier Gardes::dossier(const std::string& chemin) {
    if (dernier_ && chemin == cheminDernier_) {
        return dernier_;
    }
    Descripteur fd(resoudre(destination_.get(), chemin.empty() ? "." : chemin.c_str(),
                            O_PATH | O_DIRECTORY, SansLien));
    if (!fd) {
        return nullptr;
    }
    dernier_ = std::make_shared<const Descripteur>(std::move(fd));
    cheminDernier_ = chemin;
    return dernier_;
}

std::optional<Gardes::Place> Gardes::place(const char* chemin, bool exclusif) {
    // Good for the one call that follows the look, whatever it is.
    const std::optional<Absent> absent = std::exchange(absent_, std::nullopt);
    if (!extraction_ || !destination_ || chemin == nullptr || *chemin == '/') {
        refuser(EACCES, Resultat::Ignore);
        return std::nullopt;
    }
    const std::string c(chemin);
    const auto i = std::ptrdiff_t(c.rfind('/'));
    Place p;
    p.nom = c.substr(std::size_t(i + 1));
    p.cheminDossier = i < 0 ? std::string() : c.substr(0, std::size_t(i));
    // The chosen folder itself, or the one above: nothing of the archive goes there.
    if (nulle(p.nom)) {
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
    // The library looks whether a name exists before it removes or makes it: that look serves.
    if (exclusif && absent && absent->dossier == p.dossier && absent->chemin == c) {
        return p;
    }
    if (::fstatat(p.d(), p.n(), &p.etat, AT_SYMLINK_NOFOLLOW) != 0) {
        if (errno != ENOENT) {
            return std::nullopt;
        }
        p.etat = {};
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
        switch (retour_.remplacer(std::string_view(chemin))) {
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

bool Gardes::cibleSure(const std::string& dossier, const std::string& cible) const {
    if (cible.empty() || cible.front() == '/') {
        return false;
    }
    // The link's folder was reached without any link: its depth is that of its name.
    std::vector<std::string> lieu = parties(dossier);
    bool descend = false;
    for (const std::string& partie : parties(cible)) {
        if (partie == "..") {
            if (descend || lieu.empty()) {
                return false; // ".." after a name depends on what that name becomes
            }
            lieu.pop_back();
        } else {
            descend = true;
            lieu.push_back(partie);
        }
    }
    // Names that exist now must not lead out either: a link of the user's among them.
    std::string joint = lieu.empty() ? std::string(".") : lieu.front();
    for (std::size_t k = 1; k < lieu.size(); ++k) {
        joint += '/' + lieu[k];
    }
    const Descripteur fd(resoudre(destination_.get(), joint.c_str(), O_PATH, Dessous));
    return fd || errno == ENOENT;
}
