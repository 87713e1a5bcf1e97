#include "Processus.h"

#include "BacASable.h"
#include "OctetsQt.h"
#include "Protocole.h"

#include <QFile>

#include <cerrno>
#include <csignal>
#include <cstring>
#include <vector>

#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

extern char** environ;

namespace {

// A pipe with both ends above the helper's fixed descriptors, so that placing one end at 3 to 6
// never overwrites another.
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

int pidfd(pid_t pid) {
    return int(::syscall(SYS_pidfd_open, pid, 0));
}

void tuerPar(int pidfd) {
    ::syscall(SYS_pidfd_send_signal, pidfd, SIGKILL, nullptr, 0);
}

// Whether the process behind `pidfd` ends within `delaiMs` (-1: however long it takes), without
// reaping it.
bool finiDans(int pidfd, int delaiMs) {
    pollfd p{pidfd, POLLIN, 0};
    int r = 0;
    while ((r = ::poll(&p, 1, delaiMs)) < 0 && errno == EINTR) {
    }
    return r > 0;
}

// The parent of `pid` as /proc says it, or -1.
pid_t parentDe(pid_t pid) {
    QFile f(QStringLiteral("/proc/%1/stat").arg(pid));
    if (!f.open(QIODevice::ReadOnly)) {
        return -1;
    }
    // "pid (name) state ppid ...", where the name may hold anything, parentheses too.
    const QByteArray stat = f.readAll();
    const QList<QByteArray> champs = stat.mid(stat.lastIndexOf(')') + 1).simplified().split(' ');
    bool ok = false;
    const int parent = champs.size() > 1 ? champs[1].toInt(&ok) : -1;
    return ok ? pid_t(parent) : -1;
}

// bubblewrap's word on its sandbox, read to its end: the process it started, "child-pid" of its
// JSON object, or -1.
pid_t enfantDit(int fd) {
    QByteArray texte;
    char tampon[512];
    ssize_t n = 0;
    while ((n = ::read(fd, tampon, sizeof tampon)) > 0 || (n < 0 && errno == EINTR)) {
        texte.append(tampon, std::max<ssize_t>(n, 0));
    }
    const QByteArray cle = "\"child-pid\"";
    const qsizetype i = texte.indexOf(cle);
    if (i < 0) {
        return -1;
    }
    qsizetype debut = i + cle.size();
    while (debut < texte.size() && (texte[debut] == ':' || texte[debut] == ' ')) {
        ++debut;
    }
    qsizetype fin = debut;
    while (fin < texte.size() && texte[fin] >= '0' && texte[fin] <= '9') {
        ++fin;
    }
    bool ok = false;
    const int pid = texte.mid(debut, fin - debut).toInt(&ok);
    return ok && pid > 0 ? pid_t(pid) : -1;
}

void fermerSiOuvert(int& fd) {
    if (fd >= 0) {
        ::close(fd);
        fd = -1;
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
    fermerSiOuvert(info_);
    fermerSiOuvert(pidfd_);
    fermerSiOuvert(assistant_);
}

std::optional<QString> Processus::demarrer(std::vector<QByteArray> commande, int partage, bool bac,
                                           int destination) {
    // A helper gone while we answer it must be an error to handle, not a signal that kills the
    // window.
    static const bool sansSigpipe = (std::signal(SIGPIPE, SIG_IGN), true);
    Q_UNUSED(sansSigpipe);

    int versLui[2] = {-1, -1};
    int deLui[2] = {-1, -1};
    int info[2] = {-1, -1};
    const auto fermerTout = [&] {
        for (int fd : {versLui[0], versLui[1], deLui[0], deLui[1], info[0], info[1]}) {
            if (fd >= 0) {
                ::close(fd);
            }
        }
    };
    if (!tuyau(versLui) || !tuyau(deLui) || (bac && !tuyau(info))) {
        const QString raison = QString::fromLocal8Bit(std::strerror(errno));
        fermerTout();
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
    if (bac) {
        posix_spawn_file_actions_adddup2(&actions, info[1], bac::DescripteurInfo);
        dernier = bac::DescripteurInfo;
        if (destination >= 0) {
            posix_spawn_file_actions_adddup2(&actions, destination, bac::DescripteurDestination);
            dernier = bac::DescripteurDestination;
        }
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
    if (info[1] >= 0) {
        ::close(info[1]);
    }
    ecriture_ = versLui[1];
    lecture_ = deLui[0];
    info_ = info[0];
    if (erreur != 0) {
        pid_ = -1;
        fermer();
        return QString::fromLocal8Bit(std::strerror(erreur));
    }
    // Our own child, not reaped yet: its number cannot name another process meanwhile.
    pidfd_ = pidfd(pid_);
    parti_ = false;
    return std::nullopt;
}

bool Processus::ecrire(QByteArrayView octets) {
    return ecriture_ >= 0 && protocole::ecrireTout(ecriture_, assistant::vue(octets));
}

void Processus::connaitreAssistant() {
    if (assistantPid_ > 0 || pid_ <= 0) {
        return;
    }
    if (info_ < 0) {
        assistant_ = ::fcntl(pidfd_, F_DUPFD_CLOEXEC, 0);
        assistantPid_ = assistant_ >= 0 ? pid_ : -1;
        return;
    }
    // bubblewrap writes the number of its child as soon as it has made it, before letting it run.
    const pid_t enfant = enfantDit(info_);
    fermerSiOuvert(info_);
    if (enfant <= 0) {
        return; // no sandbox was made, and no helper started
    }
    // That number names the helper while the process it opens is bubblewrap's child and still
    // running once that is seen: a number freed meanwhile would name another process.
    const int fd = pidfd(enfant);
    if (fd >= 0 && parentDe(enfant) == pid_ && !finiDans(fd, 0)) {
        assistant_ = fd;
        assistantPid_ = enfant;
        return;
    }
    if (fd >= 0) {
        ::close(fd);
    }
    enfantInconnu_ = true;
}

bool Processus::assistantIci() const {
    struct stat la {};
    struct stat ici {};
    const QByteArray cwd = "/proc/" + QByteArray::number(assistantPid_) + "/cwd";
    if (assistantPid_ <= 0 || (::stat(cwd.constData(), &la) != 0 && errno == ENOENT)) {
        return true; // none, or gone already: it writes nothing, and its end tells why
    }
    return ::stat(".", &ici) == 0 && la.st_dev == ici.st_dev && la.st_ino == ici.st_ino;
}

int Processus::attendreFin(int delaiMs) {
    int statut = 0;
    if (pid_ > 0) {
        if (pidfd_ < 0 || !finiDans(pidfd_, delaiMs)) {
            if (assistant_ >= 0) {
                tuerPar(assistant_);
            }
            ::kill(pid_, SIGKILL);
        }
        // Its session's group goes with it, whatever it started, while its pid still holds the
        // group's number: it is reaped only after.
        ::kill(-pid_, SIGKILL);
        while (::waitpid(pid_, &statut, 0) < 0 && errno == EINTR) {
        }
        pid_ = -1;
        // In the sandbox the helper is bubblewrap's child, not ours, and bubblewrap's end does not
        // wait for it: it is killed and waited for itself, so that nothing of it can create a file
        // once the window has removed the one it left. Without knowing it, only a sandbox never
        // made is known to have left nothing running.
        if (assistant_ >= 0) {
            tuerPar(assistant_);
            parti_ = finiDans(assistant_, -1);
        } else if (info_ >= 0) {
            parti_ = enfantDit(info_) <= 0;
        } else {
            parti_ = !enfantInconnu_; // else the helper was the process reaped above
        }
    }
    fermer();
    return statut;
}

void Processus::tuer() {
    if (pid_ > 0) {
        attendreFin(0);
    }
}
