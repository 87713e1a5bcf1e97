#include "Arbre.h"

#include <QFile>

#include <algorithm>
#include <memory>

#include <dirent.h>
#include <fcntl.h>
#include <ftw.h>
#include <sys/stat.h>
#include <unistd.h>

namespace arbre {

namespace {

void parcourir(int fd, const QByteArray& ici, QMap<QByteArray, QByteArray>& arbre, bool mode) {
    const std::unique_ptr<DIR, int (*)(DIR*)> d(::fdopendir(fd), ::closedir);
    while (const dirent* e = ::readdir(d.get())) {
        const QByteArray nom(e->d_name);
        if (nom == "." || nom == "..") {
            continue;
        }
        const QByteArray chemin = ici.isEmpty() ? nom : ici + '/' + nom;
        struct stat s {};
        ::fstatat(::dirfd(d.get()), nom.constData(), &s, AT_SYMLINK_NOFOLLOW);
        QByteArray ligne = QByteArray::number(s.st_mode & (mode ? 07777777 : S_IFMT), 8);
        if (mode) {
            ligne += ' ' + QByteArray::number(qint64(s.st_mtim.tv_sec)) + '.' +
                     QByteArray::number(qint64(s.st_mtim.tv_nsec));
        }
        if (mode || S_ISREG(s.st_mode)) {
            ligne += ' ' + QByteArray::number(qint64(s.st_nlink));
        }
        if (S_ISLNK(s.st_mode)) {
            char cible[4096];
            const ssize_t n = ::readlinkat(::dirfd(d.get()), nom.constData(), cible, sizeof cible);
            ligne += " -> " + QByteArray(cible, qsizetype(std::max<ssize_t>(n, 0)));
        } else if (S_ISREG(s.st_mode)) {
            const int f = ::openat(::dirfd(d.get()), nom.constData(), O_RDONLY | O_NOFOLLOW);
            QFile lu;
            lu.open(f, QIODevice::ReadOnly, QFile::AutoCloseHandle);
            ligne += ' ' + QByteArray::number(qHash(lu.readAll()));
        } else if (S_ISDIR(s.st_mode)) {
            parcourir(::openat(::dirfd(d.get()), nom.constData(), O_RDONLY | O_DIRECTORY), chemin,
                      arbre, mode);
        }
        arbre[chemin] = ligne;
    }
}

} // namespace

QMap<QByteArray, QByteArray> lire(const QString& dossier, bool mode) {
    QMap<QByteArray, QByteArray> a;
    parcourir(::open(QFile::encodeName(dossier).constData(), O_RDONLY | O_DIRECTORY), {}, a, mode);
    return a;
}

void dater(const QString& dossier) {
    const QByteArray racine = QFile::encodeName(dossier);
    const timespec dates[2] = {{Ancienne, 0}, {Ancienne, 0}};
    for (const QByteArray& chemin : lire(dossier, false).keys()) {
        ::utimensat(AT_FDCWD, (racine + '/' + chemin).constData(), dates, AT_SYMLINK_NOFOLLOW);
    }
}

void effacer(const QString& dossier) {
    const QByteArray racine = QFile::encodeName(dossier);
    // Folders first made enterable and writable, top down, then everything removed, bottom up.
    ::nftw(
        racine.constData(),
        [](const char* chemin, const struct stat* s, int type, FTW*) {
            if (type == FTW_D || type == FTW_DNR) {
                ::chmod(chemin, (s->st_mode & 07777) | S_IRWXU);
            }
            return 0;
        },
        16, FTW_PHYS);
    ::nftw(
        racine.constData(),
        [](const char* chemin, const struct stat*, int type, FTW*) {
            return type == FTW_DP ? ::rmdir(chemin) * 0 : ::unlink(chemin) * 0;
        },
        16, FTW_PHYS | FTW_DEPTH);
}

qint64 date(const QByteArray& ligne) {
    const QList<QByteArray> champs = ligne.split(' ');
    return champs.size() > 1 ? champs[1].split('.').first().toLongLong() : 0;
}

} // namespace arbre
