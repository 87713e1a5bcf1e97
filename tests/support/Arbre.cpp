#include "Arbre.h"

#include <QFile>

#include <fcntl.h>
#include <ftw.h>
#include <sys/stat.h>
#include <unistd.h>

namespace arbre {

namespace {

// What lire() fills in while nftw() walks, which takes no state of its own.
QMap<QByteArray, QByteArray>* lu = nullptr;
bool avecModes = false;
qsizetype racine = 0; // the length of the walked folder's path with its slash

int noter(const char* chemin, const struct stat* s, int, FTW*) {
    const QByteArray nom = QByteArray(chemin).mid(racine);
    if (nom.isEmpty()) {
        return 0;
    }
    QByteArray ligne = QByteArray::number(s->st_mode & (avecModes ? 07777777 : S_IFMT), 8);
    if (avecModes) {
        ligne += ' ' + QByteArray::number(qint64(s->st_mtim.tv_sec)) + '.' +
                 QByteArray::number(qint64(s->st_mtim.tv_nsec));
    }
    if (avecModes || S_ISREG(s->st_mode)) {
        ligne += ' ' + QByteArray::number(qint64(s->st_nlink));
    }
    if (S_ISLNK(s->st_mode)) {
        char cible[4096];
        ligne +=
            " -> " + QByteArray(cible, qMax<ssize_t>(::readlink(chemin, cible, sizeof cible), 0));
    } else if (S_ISREG(s->st_mode)) {
        QFile f;
        f.open(::open(chemin, O_RDONLY | O_NOFOLLOW), QIODevice::ReadOnly, QFile::AutoCloseHandle);
        // Beyond 64 MiB (a sparse file larger than the room on its disk), its first 4 KiB.
        constexpr qint64 Entier = qint64(64) << 20;
        ligne += ' ' + QByteArray::number(qHash(f.read(s->st_size <= Entier ? s->st_size : 4096))) +
                 ' ' + QByteArray::number(qint64(s->st_size));
    }
    (*lu)[nom] = ligne;
    return 0;
}

} // namespace

QMap<QByteArray, QByteArray> lire(const QString& dossier, bool mode) {
    QMap<QByteArray, QByteArray> a;
    const QByteArray chemin = QFile::encodeName(dossier);
    lu = &a;
    avecModes = mode;
    racine = chemin.size() + 1;
    ::nftw(chemin.constData(), noter, 16, FTW_PHYS);
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
            return type == FTW_D || type == FTW_DNR
                       ? ::chmod(chemin, (s->st_mode & 07777) | S_IRWXU) * 0
                       : 0;
        },
        16, FTW_PHYS);
    ::nftw(
        racine.constData(),
        [](const char* chemin, const struct stat*, int type, FTW*) {
            return (type == FTW_DP ? ::rmdir(chemin) : ::unlink(chemin)) * 0;
        },
        16, FTW_PHYS | FTW_DEPTH);
}

qint64 date(const QByteArray& ligne) {
    const QList<QByteArray> champs = ligne.split(' ');
    return champs.size() > 1 ? champs[1].split('.').first().toLongLong() : 0;
}

} // namespace arbre
