#include "DossierPasse.h"

#include <QList>

#include <sys/stat.h>
#include <sys/sysmacros.h>

namespace assistant {

void Dossier::retirerFichier(const PageEnCours::Fichier& f) const {
    if (fd_ < 0 || f.chemin.empty()) {
        return;
    }
    const QList<QByteArray> parties = QByteArray::fromStdString(f.chemin).split('/');
    // Down from the folder, never up, and never through a link.
    if (parties.contains("..")) {
        return;
    }
    int dossier = ::fcntl(fd_, F_DUPFD_CLOEXEC, 0);
    for (qsizetype i = 0; dossier >= 0 && i + 1 < parties.size(); ++i) {
        if (parties[i].isEmpty() || parties[i] == ".") {
            continue;
        }
        const int suivant = ::openat(dossier, parties[i].constData(),
                                     O_PATH | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
        ::close(dossier);
        dossier = suivant;
    }
    if (dossier < 0) {
        return;
    }
    // The file the helper made, by the identity it saw on its descriptor. A helper taken over
    // may name any file beneath the folder and give its identity too, but a file born before
    // the pass is never the pass's. Without a birth time, the change time stands in: the pass
    // could move it forward only on a file it could write anyway.
    const QByteArray& nom = parties.last();
    struct statx x {};
    if (::statx(dossier, nom.constData(), AT_SYMLINK_NOFOLLOW,
                STATX_TYPE | STATX_INO | STATX_BTIME | STATX_CTIME, &x) == 0 &&
        S_ISREG(x.stx_mode) && makedev(x.stx_dev_major, x.stx_dev_minor) == f.peripherique &&
        x.stx_ino == f.inode) {
        const statx_timestamp& ne = (x.stx_mask & STATX_BTIME) != 0 ? x.stx_btime : x.stx_ctime;
        const bool avant = ne.tv_sec < debut_.tv_sec ||
                           (ne.tv_sec == debut_.tv_sec && long(ne.tv_nsec) < debut_.tv_nsec);
        if (!avant) {
            ::unlinkat(dossier, nom.constData(), 0);
        }
    }
    ::close(dossier);
}

} // namespace assistant
