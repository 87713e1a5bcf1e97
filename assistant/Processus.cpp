#include "Processus.h"

#include "Protocole.h"

#include <QDeadlineTimer>

#include <cerrno>
#include <csignal>
#include <cstring>
#include <vector>

#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

extern char** environ;

namespace {

constexpr int FermetureMs = 2000; // for the helper to end once bubblewrap has

// A pipe with both ends above the helper's fixed descriptors, so that placing one end at 3 or 4
// never overwrites the other.
bool tuyau(int (&bouts)[2]) {
    int brut[2];
    if (::pipe2(brut, O_CLOEXEC) != 0) {
        return false;
    }
    for (int i = 0; i < 2; ++i) {
        bouts[i] = ::fcntl(brut[i], F_DUPFD_CLOEXEC, 10);
        ::close(brut[i]);
    }
    return bouts[0] >= 0 && bouts[1] >= 0;
}

// Whether `pid` ends within `delaiMs`, without reaping it.
bool finiDans(pid_t pid, int delaiMs) {
    if (delaiMs <= 0) {
        return false;
    }
    const int fd = int(::syscall(SYS_pidfd_open, pid, 0));
    if (fd >= 0) {
        pollfd p{fd, POLLIN, 0};
        int r = 0;
        while ((r = ::poll(&p, 1, delaiMs)) < 0 && errno == EINTR) {
        }
        ::close(fd);
        return r > 0;
    }
    siginfo_t info{};
    for (int attendu = 0; attendu < delaiMs; ++attendu) {
        if (::waitid(P_PID, id_t(pid), &info, WEXITED | WNOHANG | WNOWAIT) == 0 &&
            info.si_pid == pid) {
            return true;
        }
        const timespec pause{0, 1'000'000};
        ::nanosleep(&pause, nullptr);
    }
    return false;
}

void fermerSiOuvert(int& fd) {
    if (fd >= 0) {
        ::close(fd);
        fd = -1;
    }
}

// Drops what is left in the pipe `fd` until its writing end is closed everywhere, for at most
// `delaiMs`.
void attendreFermeture(int fd, int delaiMs) {
    const QDeadlineTimer limite(delaiMs);
    char tampon[4096];
    for (;;) {
        pollfd p{fd, POLLIN, 0};
        const int r = ::poll(&p, 1, int(limite.remainingTime()));
        if (r < 0 && errno == EINTR) {
            continue;
        }
        if (r <= 0 || ::read(fd, tampon, sizeof tampon) <= 0) {
            return;
        }
    }
}

} // namespace

Processus::~Processus() {
    tuer();
    fermer();
}

void Processus::fermer() {
    fermerSiOuvert(ecriture_);
    fermerSiOuvert(lecture_);
}

std::optional<QString> Processus::demarrer(std::vector<QByteArray> commande, int partage) {
    // A helper gone while we answer it must be an error to handle, not a signal that kills the
    // window.
    static const bool sansSigpipe = (std::signal(SIGPIPE, SIG_IGN), true);
    Q_UNUSED(sansSigpipe);

    int versLui[2] = {-1, -1};
    int deLui[2] = {-1, -1};
    if (!tuyau(versLui) || !tuyau(deLui)) {
        const QString raison = QString::fromLocal8Bit(std::strerror(errno));
        for (int fd : {versLui[0], versLui[1], deLui[0], deLui[1]}) {
            if (fd >= 0) {
                ::close(fd);
            }
        }
        return raison;
    }
    // Rows of a large list arrive in fewer, larger reads.
    ::fcntl(deLui[1], F_SETPIPE_SZ, 1024 * 1024);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, versLui[0], protocole::DescripteurDemandes);
    posix_spawn_file_actions_adddup2(&actions, deLui[1], protocole::DescripteurRetour);
    posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_adddup2(&actions, STDERR_FILENO, STDOUT_FILENO);
    int dernier = protocole::DescripteurRetour;
    if (partage >= 0) {
        posix_spawn_file_actions_adddup2(&actions, partage, protocole::DescripteurEnCours);
        dernier = protocole::DescripteurEnCours;
    }
    posix_spawn_file_actions_addclosefrom_np(&actions, dernier + 1);

    posix_spawnattr_t attributs;
    posix_spawnattr_init(&attributs);
    sigset_t aucun;
    sigset_t tous;
    sigemptyset(&aucun);
    sigfillset(&tous);
    posix_spawnattr_setsigmask(&attributs, &aucun);
    posix_spawnattr_setsigdefault(&attributs, &tous);
    // Its own session: no terminal of ours reaches it.
    posix_spawnattr_setflags(&attributs,
                             POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF | POSIX_SPAWN_SETSID);

    std::vector<char*> argv;
    for (QByteArray& o : commande) {
        argv.push_back(o.data());
    }
    argv.push_back(nullptr);

    const int erreur = ::posix_spawn(&pid_, argv[0], &actions, &attributs, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    posix_spawnattr_destroy(&attributs);
    ::close(versLui[0]);
    ::close(deLui[1]);
    ecriture_ = versLui[1];
    lecture_ = deLui[0];
    if (erreur != 0) {
        pid_ = -1;
        fermer();
        return QString::fromLocal8Bit(std::strerror(erreur));
    }
    return std::nullopt;
}

bool Processus::ecrire(QByteArrayView octets) {
    return ecriture_ >= 0 && protocole::ecrireTout(ecriture_, octets);
}

int Processus::attendreFin(int delaiMs) {
    int statut = 0;
    if (pid_ > 0) {
        if (!finiDans(pid_, delaiMs)) {
            ::kill(pid_, SIGKILL);
        }
        // Its session's group goes with it, whatever it started, while its pid still holds the
        // group's number: it is reaped only after.
        ::kill(-pid_, SIGKILL);
        while (::waitpid(pid_, &statut, 0) < 0 && errno == EINTR) {
        }
        pid_ = -1;
        // In the sandbox the helper is bubblewrap's child, not ours, and is killed only once
        // bubblewrap is gone: for a moment it may still write, and create a file after its partial
        // one was removed. It holds the other end of this pipe until it has ended.
        if (lecture_ >= 0) {
            attendreFermeture(lecture_, FermetureMs);
        }
    }
    fermer();
    return statut;
}

void Processus::tuer() {
    if (pid_ > 0) {
        ::kill(pid_, SIGKILL);
        attendreFin(0);
    }
}
