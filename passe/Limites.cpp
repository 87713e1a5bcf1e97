#include "Limites.h"

#include <linux/capability.h>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <algorithm>
#include <csignal>

namespace limites {

namespace {

// The sandbox leaves the helper no capability, and neither does this outside it: root's helper
// would otherwise still read and trace what it likes, the window's memory included, whatever the
// window's dumpability says.
void sansCapacites() {
    // Only a helper that holds CAP_SETPCAP (root's) can empty its bounding set; for every other
    // the set is already out of reach, since the helper never executes anything.
    for (int c = 0; ::prctl(PR_CAPBSET_READ, c, 0, 0, 0) >= 0; ++c) {
        ::prctl(PR_CAPBSET_DROP, c, 0, 0, 0);
    }
    ::prctl(PR_CAP_AMBIENT, PR_CAP_AMBIENT_CLEAR_ALL, 0, 0, 0);
    __user_cap_header_struct entete{_LINUX_CAPABILITY_VERSION_3, 0};
    __user_cap_data_struct aucune[_LINUX_CAPABILITY_U32S_3]{};
    ::syscall(SYS_capset, &entete, aucune);
}

} // namespace

void appliquer() {
    sansCapacites();
    const rlimit sansCoeur{0, 0};
    ::setrlimit(RLIMIT_CORE, &sansCoeur);
    if (!SousSanitiseur) {
        ::prctl(PR_SET_DUMPABLE, 0, 0, 0, 0);
    }
    // The window may die between starting us and this line: then its end of the pipes is closed,
    // and the first answer we write fails, which ends us too.
    ::prctl(PR_SET_PDEATHSIG, SIGKILL, 0, 0, 0);
    // A reader gone is an error to see, not a signal that kills without a word; so is a file
    // held to the size its entry declared (Reserve).
    std::signal(SIGPIPE, SIG_IGN);
    std::signal(SIGXFSZ, SIG_IGN);

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
