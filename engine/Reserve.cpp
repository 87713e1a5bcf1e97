#include "Reserve.h"

#include <algorithm>

#include <sys/statvfs.h>

namespace {

// Declared bytes after which the file system is read again, whatever the credit says: others
// may be filling it too.
constexpr std::int64_t Relire = std::int64_t(256) << 20;

} // namespace

Reserve::Reserve(int dossier)
    : dossier_(dossier) {
    ::getrlimit(RLIMIT_FSIZE, &plafond_);
}

Reserve::~Reserve() {
    borner(-1);
}

void Reserve::lire() {
    struct statvfs s {};
    if (::fstatvfs(dossier_, &s) != 0) {
        credit_.reset(); // nothing to go by: the library says it if the disk fills up
        return;
    }
    const auto total = std::int64_t(s.f_blocks * s.f_frsize);
    const auto libre = std::int64_t(s.f_bavail * s.f_frsize);
    credit_ = libre - std::min(total / 20, MargeMax);
    lus_ = 0;
}

std::optional<Reserve::Manque> Reserve::avant(std::int64_t taille) {
    const std::int64_t voulu = std::max<std::int64_t>(taille, 0);
    if (!credit_ || voulu > *credit_ || lus_ + voulu > Relire) {
        lire();
    }
    if (!credit_) {
        borner(taille);
        return std::nullopt;
    }
    if (voulu > *credit_) {
        return Manque{voulu, std::max<std::int64_t>(*credit_, 0)};
    }
    *credit_ -= voulu;
    lus_ += voulu;
    borner(taille < 0 ? *credit_ + voulu : taille);
    return std::nullopt;
}

void Reserve::borner(std::int64_t octets) {
    // The soft limit only: the kernel refuses a write past it (EFBIG, the signal it also sends
    // being ignored), and it can be raised again for the next entry.
    rlimit r = plafond_;
    if (octets >= 0) {
        r.rlim_cur = std::min<rlim_t>(rlim_t(octets), plafond_.rlim_cur);
    }
    ::setrlimit(RLIMIT_FSIZE, &r);
}
