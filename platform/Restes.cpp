#include "Restes.h"

#include <QFile>
#include <QList>

#include <cstring>
#include <limits>

#include <fcntl.h>
#include <unistd.h>

namespace restes {

QString debutDuPassage(pid_t pid) {
    QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
    if (pid <= 0 || !stat.open(QIODevice::ReadOnly)) {
        return {};
    }
    // The command's name, between parentheses, may hold anything: the fields follow its last ")",
    // the state first (field 3), the start time, in clock ticks after boot, 19 further on.
    const QByteArray texte = stat.readAll();
    const qsizetype parenthese = texte.lastIndexOf(')');
    const QList<QByteArray> champs =
        parenthese < 0 ? QList<QByteArray>() : texte.mid(parenthese + 2).split(' ');
    if (champs.size() < 20 || champs[19].isEmpty()) {
        return {};
    }
    return QStringLiteral("korvane-%1-%2").arg(pid).arg(QString::fromLatin1(champs[19]));
}

bool passageVivant(const QString& passage) {
    const QStringList champs = passage.split(QLatin1Char('-'));
    bool ok = false;
    const qint64 pid = champs.size() == 3 ? champs[1].toLongLong(&ok) : 0;
    return ok && pid <= std::numeric_limits<pid_t>::max() && debutDuPassage(pid_t(pid)) == passage;
}

DIR* lireDossier(int parent, const char* nom, int drapeaux) {
    const int fd = ::openat(parent, nom, O_RDONLY | O_DIRECTORY | O_CLOEXEC | drapeaux);
    DIR* const d = fd < 0 ? nullptr : ::fdopendir(fd);
    if (d == nullptr && fd >= 0) {
        ::close(fd);
    }
    return d;
}

void vider(int dossier) {
    DIR* const d = lireDossier(dossier, ".");
    if (d == nullptr) {
        return;
    }
    while (const dirent* e = ::readdir(d)) {
        struct stat s {};
        if (std::strcmp(e->d_name, ".") == 0 || std::strcmp(e->d_name, "..") == 0 ||
            ::fstatat(::dirfd(d), e->d_name, &s, AT_SYMLINK_NOFOLLOW) != 0) {
            continue;
        }
        if (S_ISDIR(s.st_mode)) {
            retirerDans(::dirfd(d), e->d_name);
        } else {
            ::unlinkat(::dirfd(d), e->d_name, 0);
        }
    }
    ::closedir(d);
}

void retirerDans(int parent, const char* nom) {
    // What the library made may deny the user's own reads and writes: they come back first. A
    // name that takes no mode fails the open below.
    [[maybe_unused]] const int rendus = ::fchmodat(parent, nom, S_IRWXU, AT_SYMLINK_NOFOLLOW);
    const int fd = ::openat(parent, nom, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0) {
        return;
    }
    vider(fd);
    ::close(fd);
    ::unlinkat(parent, nom, AT_REMOVEDIR);
}

bool retirerVideSiMeme(int parent, const char* nom, const struct stat& identite) {
    struct stat s {};
    return ::fstatat(parent, nom, &s, AT_SYMLINK_NOFOLLOW) == 0 && S_ISDIR(s.st_mode) &&
           s.st_dev == identite.st_dev && s.st_ino == identite.st_ino &&
           ::unlinkat(parent, nom, AT_REMOVEDIR) == 0;
}

} // namespace restes
