#include "Confinement.h"

#include "Limites.h"

#include <linux/landlock.h>
#include <sched.h>
#include <seccomp.h>
#include <sys/ioctl.h>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <fcntl.h>
#include <initializer_list>

namespace confinement {

namespace {

// Landlock's ruleset as the newer ABIs know it: each ABI reads the fields it knows of.
struct Regles {
    std::uint64_t fichiers = 0; // handled_access_fs
    std::uint64_t reseau = 0;   // handled_access_net, ABI 4
    std::uint64_t portee = 0;   // scoped, ABI 6
};

constexpr std::uint64_t Lire = LANDLOCK_ACCESS_FS_READ_FILE | LANDLOCK_ACCESS_FS_READ_DIR;
constexpr std::uint64_t Ecrire = LANDLOCK_ACCESS_FS_WRITE_FILE | LANDLOCK_ACCESS_FS_REMOVE_DIR |
                                 LANDLOCK_ACCESS_FS_REMOVE_FILE | LANDLOCK_ACCESS_FS_MAKE_CHAR |
                                 LANDLOCK_ACCESS_FS_MAKE_DIR | LANDLOCK_ACCESS_FS_MAKE_REG |
                                 LANDLOCK_ACCESS_FS_MAKE_SOCK | LANDLOCK_ACCESS_FS_MAKE_FIFO |
                                 LANDLOCK_ACCESS_FS_MAKE_BLOCK | LANDLOCK_ACCESS_FS_MAKE_SYM;
constexpr std::uint64_t Tronquer = 1ULL << 14;       // LANDLOCK_ACCESS_FS_TRUNCATE, ABI 3
constexpr std::uint64_t IoctlAppareil = 1ULL << 15;  // LANDLOCK_ACCESS_FS_IOCTL_DEV, ABI 5
constexpr std::uint64_t PorteeSocketAbstrait = 1ULL; // LANDLOCK_SCOPE_ABSTRACT_UNIX_SOCKET
constexpr std::uint64_t PorteeSignal = 2ULL;         // LANDLOCK_SCOPE_SIGNAL

// Argument `n` masked with `masque` equals `valeur`; built by hand, as libseccomp's SCMP_A0()
// macros are C compound literals, which C++ compilers warn about.
scmp_arg_cmp comparaison(unsigned n, scmp_datum_t masque, scmp_datum_t valeur) {
    return scmp_arg_cmp{n, SCMP_CMP_MASKED_EQ, masque, valeur};
}

void sansNouveauxPrivileges() {
    ::prctl(PR_SET_NO_NEW_PRIVS, 1, 0, 0, 0);
}

// Lets `acces` through at `chemin`: beneath it when it is a folder, for the file alone when it is
// a regular file, and then only the accesses that concern a file, the only ones Landlock takes
// there. Nothing when it is not there or of the other kind: a folder where a file was meant would
// open all that it holds.
bool permettre(int jeu, const char* chemin, std::uint64_t acces, bool dossier) {
    landlock_path_beneath_attr regle{};
    regle.parent_fd = ::open(chemin, O_PATH | O_CLOEXEC);
    if (regle.parent_fd < 0) {
        return false;
    }
    struct stat s {};
    constexpr std::uint64_t DUnFichier = LANDLOCK_ACCESS_FS_EXECUTE |
                                         LANDLOCK_ACCESS_FS_WRITE_FILE |
                                         LANDLOCK_ACCESS_FS_READ_FILE | Tronquer | IoctlAppareil;
    regle.allowed_access = dossier ? acces : acces & DUnFichier;
    const bool fait =
        ::fstat(regle.parent_fd, &s) == 0 && (dossier ? S_ISDIR(s.st_mode) : S_ISREG(s.st_mode)) &&
        ::syscall(SYS_landlock_add_rule, jeu, LANDLOCK_RULE_PATH_BENEATH, &regle, 0) == 0;
    ::close(regle.parent_fd);
    return fait;
}

} // namespace

int abiLandlock(int plafond) {
    const long abi =
        ::syscall(SYS_landlock_create_ruleset, nullptr, 0, LANDLOCK_CREATE_RULESET_VERSION);
    if (abi < 1) {
        return 0;
    }
    return plafond > 0 ? std::min(int(abi), plafond) : int(abi);
}

bool restreindre(const std::vector<std::string>& volumes, bool ecrire, int abi) {
    if (abi < 1) {
        return false;
    }
    Regles regles;
    regles.fichiers = Lire | LANDLOCK_ACCESS_FS_EXECUTE | Ecrire;
    std::size_t taille = sizeof(regles.fichiers);
    if (abi >= 2) {
        regles.fichiers |= LANDLOCK_ACCESS_FS_REFER; // hard links within the destination
    }
    if (abi >= 3) {
        regles.fichiers |= Tronquer;
    }
    if (abi >= 4) {
        taille = offsetof(Regles, portee);
    }
    if (abi >= 5) {
        regles.fichiers |= IoctlAppareil;
    }
    if (abi >= 6) {
        // Nothing of the user's outside the sandbox can be signalled or reached through an
        // abstract socket.
        regles.portee = PorteeSocketAbstrait | PorteeSignal;
        taille = sizeof(Regles);
    }
    const int jeu = int(::syscall(SYS_landlock_create_ruleset, &regles, taille, 0));
    if (jeu < 0) {
        return false;
    }
    // What the C library still reads once the library works: its messages and conversions under
    // /usr (the root's lib folders are links into it), the time zone, the number of processors,
    // which the library sizes its threads by. Nothing is executed, even there.
    permettre(jeu, "/usr", Lire, true);
    for (const char* fichier :
         {"/etc/ld.so.cache", "/etc/localtime", "/sys/devices/system/cpu/online"}) {
        permettre(jeu, fichier, Lire, false);
    }
    // The leak checker of a sanitized build reads this process's maps and threads at its end.
    if (limites::SousSanitiseur) {
        permettre(jeu, "/proc/self", Lire, true);
    }
    for (const std::string& volume : volumes) {
        permettre(jeu, volume.c_str(), Lire, false);
    }
    // Everything beneath the destination but running programs and commanding devices.
    const bool fait =
        !ecrire ||
        permettre(jeu, ".",
                  regles.fichiers & ~std::uint64_t(LANDLOCK_ACCESS_FS_EXECUTE | IoctlAppareil),
                  true);
    sansNouveauxPrivileges();
    const bool restreint = fait && ::syscall(SYS_landlock_restrict_self, jeu, 0) == 0;
    ::close(jeu);
    return restreint;
}

namespace {

// Outside the sandbox, what code taken over in the library could still do to the user's other
// files and processes, and that no pass needs: the guards change modes, owners and times through
// descriptors, and the library makes threads, never processes.
bool filtrerHorsBac(scmp_filter_ctx filtre) {
    const auto refuser = [filtre](int appel) {
        return seccomp_rule_add(filtre, SCMP_ACT_ERRNO(EPERM), appel, 0) == 0;
    };
    bool fait = true;
    for (const int appel :
         {SCMP_SYS(fork), SCMP_SYS(vfork), SCMP_SYS(truncate), SCMP_SYS(chmod), SCMP_SYS(fchmodat),
          SCMP_SYS(chown), SCMP_SYS(lchown), SCMP_SYS(fchownat), SCMP_SYS(utime), SCMP_SYS(utimes),
          SCMP_SYS(futimesat), SCMP_SYS(pidfd_send_signal)}) {
        fait = fait && refuser(appel);
    }
    // Newer kernels' fchmodat2, which this libseccomp may not know by name.
    constexpr int Fchmodat2 = 452;
    fait = fait && seccomp_rule_add(filtre, SCMP_ACT_ERRNO(EPERM), Fchmodat2, 0) == 0;
    // utimensat on a descriptor (no name) is futimens.
    fait = fait && seccomp_rule_add(filtre, SCMP_ACT_ERRNO(EPERM), SCMP_SYS(utimensat), 1,
                                    scmp_arg_cmp{1, SCMP_CMP_NE, 0, 0}) == 0;
    // A process, never a thread: clone without CLONE_THREAD; but the leak checker of a sanitized
    // build stops the world from a task of that kind.
    if (!limites::SousSanitiseur) {
        fait = fait && seccomp_rule_add(filtre, SCMP_ACT_ERRNO(EPERM), SCMP_SYS(clone), 1,
                                        comparaison(0, CLONE_THREAD, 0)) == 0;
    }
    // Signals: to this process only, as abort() and the sanitizers send them.
    const auto soi = scmp_datum_t(::getpid());
    for (const int appel : {SCMP_SYS(kill), SCMP_SYS(tgkill), SCMP_SYS(rt_sigqueueinfo),
                            SCMP_SYS(rt_tgsigqueueinfo), SCMP_SYS(tkill)}) {
        fait = fait && seccomp_rule_add(filtre, SCMP_ACT_ERRNO(EPERM), appel, 1,
                                        scmp_arg_cmp{0, SCMP_CMP_NE, soi, 0}) == 0;
    }
    // Nor through a descriptor that signals its owner, any process of the user's, once it is
    // ready: Landlock scopes that from ABI 6 only.
    for (const unsigned long commande : {F_SETOWN, F_SETOWN_EX}) {
        fait = fait && seccomp_rule_add(filtre, SCMP_ACT_ERRNO(EPERM), SCMP_SYS(fcntl), 1,
                                        comparaison(1, 0xFFFFFFFFUL, commande)) == 0;
    }
    return fait;
}

} // namespace

bool filtrerAppels(bool horsBac) {
    scmp_filter_ctx filtre = seccomp_init(SCMP_ACT_ALLOW);
    if (filtre == nullptr) {
        return false;
    }
    // Every system call of the library goes through the filter, reads by the hundred thousand:
    // a binary tree finds the allowed ones in a few comparisons instead of one per rule.
    seccomp_attr_set(filtre, SCMP_FLTATR_CTL_OPTIMIZE, 2);
    const auto refuser = [filtre](const char* appel) {
        if (limites::SousSanitiseur && std::strcmp(appel, "ptrace") == 0) {
            return true;
        }
        const int n = seccomp_syscall_resolve_name(appel);
        return n == __NR_SCMP_ERROR || seccomp_rule_add(filtre, SCMP_ACT_ERRNO(EPERM), n, 0) == 0;
    };
    bool fait = true;
    for (const char* appel :
         {// the network
          "socket", "socketpair", "connect", "bind", "listen", "accept", "accept4",
          // other programs and other processes
          "execve", "execveat", "ptrace", "process_vm_readv", "process_vm_writev", "pidfd_getfd",
          "kcmp",
          // mounts and namespaces
          "mount", "umount2", "pivot_root", "chroot", "move_mount", "open_tree", "fsopen",
          "fsconfig", "fsmount", "fspick", "mount_setattr", "unshare", "setns",
          // the kernel's keyrings, programs and modules
          "keyctl", "add_key", "request_key", "bpf", "perf_event_open", "userfaultfd", "kexec_load",
          "kexec_file_load", "init_module", "finit_module", "delete_module",
          // the machine itself
          "reboot", "swapon", "swapoff", "acct", "quotactl", "syslog", "iopl", "ioperm",
          "settimeofday", "clock_settime", "clock_adjtime", "adjtimex", "personality", "vhangup",
          "uselib", "ustat", "sysfs", "lookup_dcookie", "nfsservctl",
          // a way around this filter, and files by handle, around the mounts
          "io_uring_setup", "io_uring_enter", "io_uring_register", "name_to_handle_at",
          "open_by_handle_at"}) {
        fait = fait && refuser(appel);
    }
    // Threads only: a clone that would make new namespaces is refused. clone3 hides its flags
    // from the filter; refused as unknown, it makes the C library fall back to clone.
    for (const unsigned long espace : {CLONE_NEWNS, CLONE_NEWUSER, CLONE_NEWPID, CLONE_NEWNET,
                                       CLONE_NEWIPC, CLONE_NEWUTS, CLONE_NEWCGROUP}) {
        fait = fait && seccomp_rule_add(filtre, SCMP_ACT_ERRNO(EPERM), SCMP_SYS(clone), 1,
                                        comparaison(0, espace, espace)) == 0;
    }
    fait = fait && seccomp_rule_add(filtre, SCMP_ACT_ERRNO(ENOSYS), SCMP_SYS(clone3), 0) == 0;
    // Typing into a terminal, should one be reachable.
    for (const unsigned long requete : {TIOCSTI, TIOCLINUX}) {
        fait = fait && seccomp_rule_add(filtre, SCMP_ACT_ERRNO(EPERM), SCMP_SYS(ioctl), 1,
                                        comparaison(1, 0xFFFFFFFFUL, requete)) == 0;
    }
    if (horsBac) {
        fait = fait && filtrerHorsBac(filtre);
    }
    sansNouveauxPrivileges();
    fait = fait && seccomp_load(filtre) == 0;
    seccomp_release(filtre);
    return fait;
}

} // namespace confinement
