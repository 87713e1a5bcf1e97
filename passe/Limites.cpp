#include "Limites.h"

#include <sys/prctl.h>
#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <csignal>

namespace limites {

void appliquer() {
    const rlimit sansCoeur{0, 0};
    ::setrlimit(RLIMIT_CORE, &sansCoeur);
    if (!SousSanitiseur) {
        ::prctl(PR_SET_DUMPABLE, 0, 0, 0, 0);
    }
    // The window may die between starting us and this line: then its end of the pipes is closed,
    // and the first answer we write fails, which ends us too.
    ::prctl(PR_SET_PDEATHSIG, SIGKILL, 0, 0, 0);
    // A reader gone is an error to see, not a signal that kills without a word.
    std::signal(SIGPIPE, SIG_IGN);

    if (SousSanitiseur) {
        return;
    }
    const long pages = ::sysconf(_SC_PHYS_PAGES);
    const long taille = ::sysconf(_SC_PAGESIZE);
    if (pages > 0 && taille > 0) {
        constexpr rlim_t Plancher = rlim_t(1) << 30;
        rlimit espace{};
        ::getrlimit(RLIMIT_AS, &espace);
        const rlim_t voulu = std::max(rlim_t(pages) * rlim_t(taille) / 2, Plancher);
        espace.rlim_max = std::min(espace.rlim_max, voulu);
        espace.rlim_cur = espace.rlim_max;
        ::setrlimit(RLIMIT_AS, &espace);
    }
}

} // namespace limites
