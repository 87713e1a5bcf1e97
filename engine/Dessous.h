#pragma once

// Names resolved by the kernel beneath a folder held open: what the guards do every call through.

#include <cerrno>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include <fcntl.h>
#include <linux/openat2.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace dessous {

// The kernel resolves every name beneath the folder: absolute names, ".." above it, a link that
// leads out or a magic link of /proc all fail (EXDEV, ELOOP).
inline constexpr std::uint64_t Dessous = RESOLVE_BENEATH | RESOLVE_NO_MAGICLINKS;
// Where something is written, no link at all is followed on the way.
inline constexpr std::uint64_t SansLien = Dessous | RESOLVE_NO_SYMLINKS;

inline int resoudre(int base, const char* chemin, int drapeaux, std::uint64_t resolution) {
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

// As the C library's functions fail.
inline int echouer(int erreur) {
    errno = erreur;
    return -1;
}

// A name that is nowhere to make anything: empty, the folder itself or the one above.
inline bool nulle(const std::string& nom) {
    return nom.empty() || nom == "." || nom == "..";
}

// The name's parts, without empty ones and ".".
inline std::vector<std::string> parties(const std::string& chemin) {
    std::vector<std::string> p;
    std::size_t debut = 0;
    while (debut <= chemin.size()) {
        std::size_t fin = chemin.find('/', debut);
        if (fin == std::string::npos) {
            fin = chemin.size();
        }
        std::string x = chemin.substr(debut, fin - debut);
        if (!x.empty() && x != ".") {
            p.push_back(std::move(x));
        }
        debut = fin + 1;
    }
    return p;
}

// The system call itself: in the helper the C library's close is the guards' own (Gardes::fermer).
inline void fermerDescripteur(int fd) {
    ::syscall(SYS_close, fd);
}

// A descriptor that closes itself.
class Descripteur {
public:
    explicit Descripteur(int fd = -1)
        : fd_(fd) {}
    ~Descripteur() {
        if (fd_ >= 0) {
            fermerDescripteur(fd_);
        }
    }
    Descripteur(Descripteur&& autre) noexcept
        : fd_(std::exchange(autre.fd_, -1)) {}
    Descripteur& operator=(Descripteur&& autre) noexcept {
        std::swap(fd_, autre.fd_);
        return *this;
    }
    Descripteur(const Descripteur&) = delete;
    Descripteur& operator=(const Descripteur&) = delete;
    int get() const { return fd_; }
    explicit operator bool() const { return fd_ >= 0; }
    // Hands the descriptor over to the caller, who closes it.
    int lacher() { return std::exchange(fd_, -1); }

private:
    int fd_;
};

} // namespace dessous
