#include "Lectures.h"

#include <algorithm>
#include <cerrno>
#include <cstring>

#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace {

std::atomic<Lectures*> duProcessusGlobal{nullptr};

// The most one read moves, as the kernel has it.
constexpr std::size_t LectureMax = 0x7ffff000;
// A refill starts this far back at most: the library goes back to the header it has just read
// when it processes the entry.
constexpr off64_t Alignement = 4096;

// The system calls themselves: in the helper, read and lseek64 are ours.
ssize_t lireSysteme(int fd, void* tampon, std::size_t taille) {
    return ssize_t(::syscall(SYS_read, fd, tampon, taille));
}

off64_t deplacerSysteme(int fd, off64_t decalage, int depuis) {
    return off64_t(::syscall(SYS_lseek, fd, decalage, depuis));
}

ssize_t lireA(int fd, unsigned char* tampon, std::size_t taille, off64_t position) {
    ssize_t n = 0;
    while ((n = ::pread64(fd, tampon, taille, position)) < 0 && errno == EINTR) {
    }
    return n;
}

// What tells that a file changed.
struct Empreinte {
    off64_t taille = 0;
    timespec modification{};
    timespec changement{};

    static bool de(int fd, Empreinte& e) {
        struct stat s {};
        if (::fstat(fd, &s) != 0) {
            return false;
        }
        e = {s.st_size, s.st_mtim, s.st_ctim};
        return true;
    }
    bool operator==(const Empreinte& a) const {
        return taille == a.taille && modification.tv_sec == a.modification.tv_sec &&
               modification.tv_nsec == a.modification.tv_nsec &&
               changement.tv_sec == a.changement.tv_sec &&
               changement.tv_nsec == a.changement.tv_nsec;
    }
};

} // namespace

struct Lectures::Volume {
    std::unique_ptr<unsigned char[]> fenetre; // given at the first refill
    off64_t debut = 0;                        // the file's offset of fenetre[0]
    std::size_t plein = 0;                    // bytes of the file that the window holds
    off64_t position = 0;                     // where the library believes the offset is
    bool ecart = false;                       // the descriptor's own offset is elsewhere
    bool change = false;                      // the file changed: every read fails
    Empreinte empreinte;                      // when it was opened

    bool tient(off64_t p) const { return p >= debut && p - debut < off64_t(plein); }
    // The file is as it was opened; EIO otherwise, for good.
    bool intact(int fd) {
        Empreinte maintenant;
        change = change || !Empreinte::de(fd, maintenant) || !(maintenant == empreinte);
        if (change) {
            plein = 0;
            errno = EIO;
        }
        return !change;
    }
};

Lectures::Lectures(std::size_t taille)
    : taille_(taille) {}

Lectures::~Lectures() {
    for (std::atomic<Volume*>& v : table_) {
        delete v.exchange(nullptr);
    }
}

Lectures* Lectures::duProcessus() {
    return duProcessusGlobal.load(std::memory_order_relaxed);
}

void Lectures::mettreEnService(Lectures* lectures) {
    duProcessusGlobal.store(lectures, std::memory_order_relaxed);
}

void Lectures::suivre(int fd) {
    struct stat s {};
    if (fd < 0 || fd >= MaxDescripteurs || ::fstat(fd, &s) != 0 || !S_ISREG(s.st_mode)) {
        return;
    }
    // Just opened, at offset 0. A volume served under this number before was closed unseen.
    auto* v = new Volume;
    v->empreinte = {s.st_size, s.st_mtim, s.st_ctim};
    delete table_[std::size_t(fd)].exchange(v, std::memory_order_relaxed);
}

void Lectures::oublier(int fd) {
    Volume* v = volume(fd);
    if (v == nullptr) {
        return;
    }
    accorder(fd);
    table_[std::size_t(fd)].store(nullptr, std::memory_order_relaxed);
    if (v->fenetre) {
        reserve_ = std::move(v->fenetre);
    }
    delete v;
}

void Lectures::accorder(int fd) {
    if (Volume* v = volume(fd); v != nullptr && v->ecart) {
        v->ecart = deplacerSysteme(fd, v->position, SEEK_SET) != v->position;
    }
}

bool Lectures::remplir(int fd, Volume& v) {
    if (!v.fenetre) {
        v.fenetre = reserve_ ? std::move(reserve_) : std::make_unique<unsigned char[]>(taille_);
    }
    const off64_t debut = v.position - v.position % Alignement;
    const ssize_t n = lireA(fd, v.fenetre.get(), taille_, debut);
    v.plein = 0;
    if (n < 0 || !v.intact(fd)) {
        return false;
    }
    v.debut = debut;
    v.plein = std::size_t(n);
    return true;
}

ssize_t Lectures::lire(int fd, void* tampon, std::size_t taille) {
    Volume* v = volume(fd);
    if (v == nullptr) {
        return lireSysteme(fd, tampon, taille);
    }
    auto* sortie = static_cast<unsigned char*>(tampon);
    const std::size_t voulu = std::min(taille, LectureMax);
    const off64_t depart = v->position;
    std::size_t fait = 0;
    bool erreur = v->change;
    while (fait < voulu && !erreur) {
        if (v->tient(v->position)) {
            const auto dans = std::size_t(v->position - v->debut);
            const std::size_t n = std::min(voulu - fait, v->plein - dans);
            std::memcpy(sortie + fait, v->fenetre.get() + dans, n);
            fait += n;
            v->position += off64_t(n);
            continue;
        }
        if (voulu - fait < taille_) {
            erreur = !remplir(fd, *v);
            if (!erreur && !v->tient(v->position)) {
                break; // the end of the file
            }
            continue;
        }
        // As large as the window: into the caller's buffer, as far as the file goes.
        ssize_t n = 0;
        while (fait < voulu && (n = lireA(fd, sortie + fait, voulu - fait, v->position)) > 0) {
            fait += std::size_t(n);
            v->position += n;
        }
        erreur = n < 0 || !v->intact(fd);
        break;
    }
    if (v->change) {
        volumeChange_ = true;
        v->position = depart;
        errno = EIO;
        return -1;
    }
    v->ecart = v->ecart || v->position != depart;
    // As the kernel does: what was read before a failure, else the failure.
    return fait > 0 || !erreur ? ssize_t(fait) : -1;
}

off64_t Lectures::deplacer(int fd, off64_t decalage, int depuis) {
    Volume* v = volume(fd);
    if (v == nullptr) {
        return deplacerSysteme(fd, decalage, depuis);
    }
    off64_t cible = 0;
    switch (depuis) {
    case SEEK_SET:
        cible = decalage;
        break;
    case SEEK_CUR:
        if (__builtin_add_overflow(v->position, decalage, &cible)) {
            errno = EOVERFLOW;
            return -1;
        }
        break;
    default: {
        // From the end, or a hole: the kernel knows, and its offset is then exact.
        const off64_t r = deplacerSysteme(fd, decalage, depuis);
        if (r >= 0) {
            v->position = r;
            v->ecart = false;
        }
        return r;
    }
    }
    if (cible < 0) {
        errno = EINVAL;
        return -1;
    }
    v->ecart = v->ecart || cible != v->position;
    v->position = cible;
    return cible;
}
