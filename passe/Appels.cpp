// The C library's file functions that the UnRAR library calls, defined by the helper itself and
// exported (CMakeLists.txt), so that the library, loaded later, binds its calls to them. While the
// library works for a pass, each call goes to the pass's guards (Gardes.h) with the exact bytes the
// library passed; any other call (Qt's, the C library's own go elsewhere anyway) is done as the C
// library would, through its *at() functions or the system call.
//
// The library's imports that reach the file system, from `nm -D --undefined-only libunrar.so.5`
// (6.2.6): open64, __open64_2, stat64, lstat64, access, mkdir, chmod, lchown, utimensat, link,
// symlink, remove, rename and close are here; read, lseek64, dup and isatty in AppelsLecture.cpp.
// getcwd, write, flock and ftruncate64 are left to the C library; so are getpwnam and getgrnam,
// which read the system's user database for archived owners. close is here so that the descriptor
// of the file being written outlives the library's close until the entry's end (Gardes::fermer),
// and so that a volume's descriptor is no longer served from memory once closed (Lectures.h):
// every other close of the process goes straight to the kernel.

#include "Gardes.h"
#include "Lectures.h"

#include <cerrno>
#include <cstdarg>

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace {

mode_t modeDe(int drapeaux, va_list& arguments) {
    return (drapeaux & O_CREAT) != 0 || (drapeaux & O_TMPFILE) == O_TMPFILE
               ? mode_t(va_arg(arguments, int))
               : 0;
}

int ouvrir(const char* chemin, int drapeaux, mode_t mode) {
    if (Gardes* g = Gardes::enService()) {
        return g->ouvrir(chemin, drapeaux, mode);
    }
    return ::openat(AT_FDCWD, chemin, drapeaux, mode);
}

} // namespace

extern "C" {

int open64(const char* chemin, int drapeaux, ...) {
    va_list arguments;
    va_start(arguments, drapeaux);
    const mode_t mode = modeDe(drapeaux, arguments);
    va_end(arguments);
    return ouvrir(chemin, drapeaux, mode);
}

// What open64 becomes under _FORTIFY_SOURCE when the flags are not known at compile time.
int __open64_2(const char* chemin, int drapeaux) {
    return ouvrir(chemin, drapeaux, 0);
}

int stat64(const char* chemin, struct stat64* etat) {
    if (Gardes* g = Gardes::enService()) {
        return g->etat(chemin, etat, true);
    }
    return ::fstatat64(AT_FDCWD, chemin, etat, 0);
}

int lstat64(const char* chemin, struct stat64* etat) {
    if (Gardes* g = Gardes::enService()) {
        return g->etat(chemin, etat, false);
    }
    return ::fstatat64(AT_FDCWD, chemin, etat, AT_SYMLINK_NOFOLLOW);
}

int access(const char* chemin, int mode) {
    if (Gardes* g = Gardes::enService()) {
        return g->acces(chemin, mode);
    }
    return ::faccessat(AT_FDCWD, chemin, mode, 0);
}

int mkdir(const char* chemin, mode_t mode) {
    if (Gardes* g = Gardes::enService()) {
        return g->creerDossier(chemin, mode);
    }
    return ::mkdirat(AT_FDCWD, chemin, mode);
}

int chmod(const char* chemin, mode_t mode) {
    if (Gardes* g = Gardes::enService()) {
        return g->changerMode(chemin, mode);
    }
    return ::fchmodat(AT_FDCWD, chemin, mode, 0);
}

int lchown(const char* chemin, uid_t uid, gid_t gid) {
    if (Gardes* g = Gardes::enService()) {
        return g->changerProprietaire(chemin, uid, gid);
    }
    return ::fchownat(AT_FDCWD, chemin, uid, gid, AT_SYMLINK_NOFOLLOW);
}

int utimensat(int base, const char* chemin, const struct timespec dates[2], int drapeaux) {
    if (Gardes* g = Gardes::enService()) {
        return g->changerDates(base, chemin, dates, drapeaux);
    }
    return int(::syscall(SYS_utimensat, base, chemin, dates, drapeaux));
}

int link(const char* existant, const char* nouveau) {
    if (Gardes* g = Gardes::enService()) {
        return g->lienDur(existant, nouveau);
    }
    return ::linkat(AT_FDCWD, existant, AT_FDCWD, nouveau, 0);
}

int symlink(const char* cible, const char* chemin) {
    if (Gardes* g = Gardes::enService()) {
        return g->lienSymbolique(cible, chemin);
    }
    return ::symlinkat(cible, AT_FDCWD, chemin);
}

int remove(const char* chemin) {
    if (Gardes* g = Gardes::enService()) {
        return g->retirer(chemin);
    }
    if (::unlinkat(AT_FDCWD, chemin, 0) == 0) {
        return 0;
    }
    return errno == EISDIR ? ::unlinkat(AT_FDCWD, chemin, AT_REMOVEDIR) : -1;
}

int rename(const char* ancien, const char* nouveau) {
    if (Gardes* g = Gardes::enService()) {
        return g->renommer(ancien, nouveau);
    }
    return ::renameat(AT_FDCWD, ancien, AT_FDCWD, nouveau);
}

int close(int fd) {
    if (Lectures* l = Lectures::duProcessus()) {
        l->oublier(fd);
    }
    if (Gardes* g = Gardes::enService()) {
        return g->fermer(fd);
    }
    return int(::syscall(SYS_close, fd));
}

} // extern "C"
