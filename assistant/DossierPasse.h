#pragma once

#include "PageEnCours.h"

#include <fcntl.h>
#include <time.h>
#include <unistd.h>

namespace assistant {

// The folder the helper extracts into, held open: the partial file of an entry is removed from
// there, whatever the current directory has become.
class Dossier {
public:
    // Only an extraction has a folder where a file may be left half written. Made before the
    // helper is given its pass, before which it creates nothing: the kernel dates a new file from
    // a clock that never runs ahead of this one, so what was made before carries an earlier time.
    explicit Dossier(bool extraction)
        : fd_(extraction ? ::open(".", O_PATH | O_DIRECTORY | O_CLOEXEC) : -1) {
        ::clock_gettime(CLOCK_REALTIME, &debut_);
    }
    ~Dossier() {
        if (fd_ >= 0) {
            ::close(fd_);
        }
    }
    Dossier(const Dossier&) = delete;
    Dossier& operator=(const Dossier&) = delete;

    // Removes the file that the page names, once the helper is gone, if it still is the one the
    // pass made: the page comes from the helper, which runs what the archive made of the library,
    // and a file of the user's must never go, nor this process be led anywhere by a link.
    void retirerFichier(const PageEnCours::Fichier& f) const;

private:
    int fd_;
    timespec debut_{};
};

} // namespace assistant
