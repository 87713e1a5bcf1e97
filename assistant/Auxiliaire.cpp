#include "Auxiliaire.h"

#include "OctetsQt.h"
#include "Protocole.h"

#include <cerrno>

#include <fcntl.h>
#include <poll.h>
#include <sys/prctl.h>
#include <unistd.h>

extern char** environ;

namespace assistant {

namespace {

constexpr qsizetype Lecture = 256 * 1024;

// Outside the sandbox the helper runs as our own user: for as long as one lives, started ahead
// or at its pass, this process is not dumpable, so that the helper can neither trace it nor open
// its memory (/proc/PID/mem).
int indumpables = 0;
int dumpableAvant = 0;

void rendreIndumpable() {
    if (indumpables++ == 0) {
        dumpableAvant = ::prctl(PR_GET_DUMPABLE, 0, 0, 0, 0);
        if (dumpableAvant > 0) {
            ::prctl(PR_SET_DUMPABLE, 0, 0, 0, 0);
        }
    }
}

void rendreDumpable() {
    if (--indumpables == 0 && dumpableAvant == 1) {
        ::prctl(PR_SET_DUMPABLE, 1, 0, 0, 0);
    }
}

} // namespace

QByteArray environnementActuel() {
    QByteArray tout;
    for (char** v = environ; v != nullptr && *v != nullptr; ++v) {
        tout.append(*v).append('\0');
    }
    return tout;
}

Auxiliaire::Auxiliaire(Cle cle)
    : cle_(std::move(cle)) {}

Auxiliaire::~Auxiliaire() {
    processus_.tuer(); // before this process may be dumpable again
    if (indumpable_) {
        rendreDumpable();
    }
}

std::unique_ptr<Auxiliaire> Auxiliaire::demarrer(Cle cle, QString& raison) {
    std::unique_ptr<Auxiliaire> a(new Auxiliaire(std::move(cle)));
    if (!a->cle_.bac) {
        rendreIndumpable();
        a->indumpable_ = true;
    }
    // Where an extraction names the file it leaves half written, and where every pass is asked
    // to stop.
    a->page_ = PageEnCours::creer();
    // The destination is our current directory: bubblewrap mounts that folder, not what its
    // path may lead to by then. Above the helper's fixed descriptors, which placing it at its own
    // would otherwise overwrite.
    int destination = -1;
    if (a->cle_.bac && !a->cle_.dossier.isEmpty()) {
        const int ici = ::open(".", O_PATH | O_DIRECTORY | O_CLOEXEC);
        destination = ici < 0 ? -1 : ::fcntl(ici, F_DUPFD_CLOEXEC, 10);
        if (ici >= 0) {
            ::close(ici);
        }
    }
    const std::optional<QString> r =
        a->processus_.demarrer(a->cle_.commande, a->page_.descripteur(), a->cle_.bac, destination);
    if (destination >= 0) {
        ::close(destination);
    }
    if (r) {
        raison = *r;
        return nullptr;
    }
    return a;
}

bool Auxiliaire::lire() {
    const qsizetype avant = tampon_.size();
    tampon_.resize(avant + Lecture);
    ssize_t n = 0;
    while ((n = ::read(processus_.lecture(), tampon_.data() + avant, std::size_t(Lecture))) < 0 &&
           errno == EINTR) {
    }
    tampon_.resize(avant + std::max<qsizetype>(0, qsizetype(n)));
    ouvert_ = n > 0 || (n < 0 && errno == EAGAIN);
    return ouvert_;
}

bool Auxiliaire::bonjour() {
    std::size_t position = 0;
    bool rompu = false;
    std::optional<protocole::Trame> t;
    while (!(t = protocole::suivante(vue(tampon_), position, rompu,
                                     std::size_t(protocole::TailleMaxRetour))) &&
           !rompu && ouvert_) {
        pollfd p{processus_.lecture(), POLLIN, 0};
        if (::poll(&p, 1, -1) < 0 && errno == EINTR) {
            continue;
        }
        lire();
    }
    return t && t->type == protocole::Type::Bonjour &&
           protocole::Lecture(t->charge).u32() == protocole::Version;
}

} // namespace assistant
