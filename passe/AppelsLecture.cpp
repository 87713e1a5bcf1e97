// The C library's functions with which the UnRAR library reads its volumes, defined by the helper
// and exported (CMakeLists.txt), as Appels.cpp does for the file system's: read and lseek64 are
// served from memory on the volumes' descriptors (Lectures.h), and dup, which would share a
// volume's offset, makes it exact and leaves the volume to the system. Any other descriptor goes
// straight to the system call; the library's flock and ftruncate64 neither read nor move an
// offset, and are left to the C library. isatty, which the library asks of every file it opens, is
// answered without a system call for the files known to be regular: the volumes, and the file that
// the guards have just made.

#include "Gardes.h"
#include "Lectures.h"

#include <cerrno>

#include <sys/ioctl.h>
#include <sys/syscall.h>
#include <termios.h>
#include <unistd.h>

extern "C" {

ssize_t read(int fd, void* tampon, size_t taille) {
    if (Lectures* l = Lectures::duProcessus()) {
        return l->lire(fd, tampon, taille);
    }
    return ssize_t(::syscall(SYS_read, fd, tampon, taille));
}

off64_t lseek64(int fd, off64_t decalage, int depuis) noexcept {
    if (Lectures* l = Lectures::duProcessus()) {
        return l->deplacer(fd, decalage, depuis);
    }
    return off64_t(::syscall(SYS_lseek, fd, decalage, depuis));
}

// Two descriptors would share one offset: the volume is read by the system from then on.
int dup(int fd) noexcept {
    if (Lectures* l = Lectures::duProcessus()) {
        l->oublier(fd);
    }
    return int(::syscall(SYS_dup, fd));
}

int isatty(int fd) noexcept {
    const Lectures* l = Lectures::duProcessus();
    const Gardes* g = Gardes::enService();
    if ((l != nullptr && l->servi(fd)) || (g != nullptr && g->ecritSur(fd))) {
        errno = ENOTTY;
        return 0;
    }
    struct termios t {};
    return ::ioctl(fd, TCGETS, &t) == 0 ? 1 : 0;
}

} // extern "C"
