#include "SignauxDeFin.h"

#include <QCoreApplication>
#include <QSocketNotifier>

#include <cerrno>
#include <csignal>

#include <fcntl.h>
#include <unistd.h>

namespace platform {

namespace {

int tube[2] = {-1, -1};
pid_t processus = 0;

// Only what a signal handler may call: the byte wakes the event loop, which does the rest.
void recu(int signal) {
    const int erreur = errno;
    if (::getpid() != processus) {
        // A child between fork and exec, which shares the pipe: it ends as the signal says.
        ::signal(signal, SIG_DFL);
        ::raise(signal);
    } else {
        const char octet = char(signal);
        [[maybe_unused]] const ssize_t ecrit = ::write(tube[1], &octet, 1);
    }
    errno = erreur;
}

} // namespace

void suivreSignauxDeFin(std::function<void()> fin) {
    if (tube[0] >= 0 || ::pipe2(tube, O_CLOEXEC | O_NONBLOCK) != 0) {
        return;
    }
    processus = ::getpid();
    auto* lecteur = new QSocketNotifier(tube[0], QSocketNotifier::Read, qApp);
    QObject::connect(lecteur, &QSocketNotifier::activated, lecteur, [fin = std::move(fin)] {
        char octets[16];
        while (::read(tube[0], octets, sizeof octets) > 0) {
        }
        fin();
    });
    struct sigaction action {};
    action.sa_handler = recu;
    action.sa_flags = SA_RESTART;
    ::sigemptyset(&action.sa_mask);
    const int signaux[] = {SIGTERM, SIGHUP, SIGINT};
    for (const int s : signaux) {
        ::sigaddset(&action.sa_mask, s);
    }
    for (const int s : signaux) {
        struct sigaction avant {};
        if (::sigaction(s, nullptr, &avant) == 0 && avant.sa_handler != SIG_IGN) {
            ::sigaction(s, &action, nullptr);
        }
    }
}

} // namespace platform
