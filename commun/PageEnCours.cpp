#include "PageEnCours.h"

#include "Protocole.h"

#include <cstring>
#include <utility>

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// A 32-bit length, the device and the inode, 64 bits each, then that many bytes of the path; the
// stop's 32 bits end the page.
constexpr std::size_t Taille = std::size_t(protocole::TailleEnCours);
constexpr std::size_t Peripherique = sizeof(std::uint32_t);
constexpr std::size_t Inode = Peripherique + sizeof(std::uint64_t);
constexpr std::size_t Entete = Inode + sizeof(std::uint64_t);
constexpr std::size_t Arret = Taille - sizeof(std::uint32_t);
constexpr std::size_t CheminMax = Arret - Entete;

unsigned char* projeter(int fd) {
    void* p = ::mmap(nullptr, Taille, PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
    return p == MAP_FAILED ? nullptr : static_cast<unsigned char*>(p);
}

} // namespace

PageEnCours PageEnCours::creer() {
    PageEnCours page;
    const int brut = ::memfd_create("korvane-en-cours", MFD_CLOEXEC);
    if (brut < 0) {
        return page;
    }
    // Above the helper's fixed descriptors, so that placing it at its own never overwrites them.
    page.fd_ = ::fcntl(brut, F_DUPFD_CLOEXEC, 10);
    ::close(brut);
    if (page.fd_ >= 0 && ::ftruncate(page.fd_, off_t(Taille)) == 0) {
        page.page_ = projeter(page.fd_);
    }
    return page;
}

PageEnCours PageEnCours::ouvrir(int fd) {
    PageEnCours page;
    struct stat s {};
    if (::fstat(fd, &s) == 0 && s.st_size >= off_t(Taille)) {
        page.page_ = projeter(fd);
    }
    ::close(fd);
    return page;
}

PageEnCours::~PageEnCours() {
    if (page_ != nullptr) {
        ::munmap(page_, Taille);
    }
    if (fd_ >= 0) {
        ::close(fd_);
    }
}

PageEnCours::PageEnCours(PageEnCours&& autre) noexcept
    : page_(std::exchange(autre.page_, nullptr))
    , fd_(std::exchange(autre.fd_, -1)) {}

PageEnCours& PageEnCours::operator=(PageEnCours&& autre) noexcept {
    std::swap(page_, autre.page_);
    std::swap(fd_, autre.fd_);
    return *this;
}

void PageEnCours::ecrire(std::string_view chemin, std::uint64_t peripherique, std::uint64_t inode) {
    if (page_ == nullptr) {
        return;
    }
    // A path too long for the page is said as none: better leave a partial file than remove
    // another one.
    const bool tient = std::size_t(chemin.size()) <= CheminMax;
    effacer();
    if (tient) {
        std::memcpy(page_ + Peripherique, &peripherique, sizeof peripherique);
        std::memcpy(page_ + Inode, &inode, sizeof inode);
        std::memcpy(page_ + Entete, chemin.data(), std::size_t(chemin.size()));
    }
    // The bytes before their length: the window reads only once we are gone, but a helper killed
    // between the stores must not leave a length over stale bytes.
    __atomic_store_n(reinterpret_cast<std::uint32_t*>(page_),
                     tient ? std::uint32_t(chemin.size()) : 0U, __ATOMIC_RELEASE);
}

void PageEnCours::effacer() {
    if (page_ != nullptr) {
        __atomic_store_n(reinterpret_cast<std::uint32_t*>(page_), 0U, __ATOMIC_RELEASE);
    }
}

PageEnCours::Fichier PageEnCours::lire() const {
    if (page_ == nullptr) {
        return {};
    }
    const std::uint32_t n =
        __atomic_load_n(reinterpret_cast<const std::uint32_t*>(page_), __ATOMIC_ACQUIRE);
    Fichier f;
    std::memcpy(&f.peripherique, page_ + Peripherique, sizeof f.peripherique);
    std::memcpy(&f.inode, page_ + Inode, sizeof f.inode);
    // No file has inode 0: a helper that knew no identity said none.
    if (n == 0 || n > CheminMax || f.inode == 0) {
        return {};
    }
    f.chemin.assign(reinterpret_cast<const char*>(page_ + Entete), n);
    return f;
}

bool PageEnCours::demanderArret() {
    if (page_ == nullptr) {
        return false;
    }
    __atomic_store_n(reinterpret_cast<std::uint32_t*>(page_ + Arret), 1U, __ATOMIC_RELEASE);
    return true;
}

bool PageEnCours::arretDemande() const {
    return page_ != nullptr &&
           __atomic_load_n(reinterpret_cast<const std::uint32_t*>(page_ + Arret),
                           __ATOMIC_RELAXED) != 0;
}
