#pragma once

// One helper process, started from a program file with exec (never a fork of this process), with
// two pipes to it. The helper does not outlive this object: it is killed and reaped at the latest
// when the object goes, however the pass that owns it ends.

#include <QByteArray>
#include <QString>

#include <optional>
#include <vector>

#include <sys/types.h>

class Processus {
public:
    Processus() = default;
    ~Processus();
    Processus(const Processus&) = delete;
    Processus& operator=(const Processus&) = delete;

    // Starts the program `commande` names first, with the rest as its arguments, in a session of
    // its own; its descriptor 3 reads what ecrire() sends, its descriptor 4 writes what lecture()
    // gives, its standard input is empty and its standard output goes where our errors go. Other
    // descriptors of ours are not inherited. Nothing, or why it could not start.
    // `partage`, when given, becomes its descriptor 5. `bac`: the program is bubblewrap, told to
    // write on descriptor bac::DescripteurInfo which process of its runs the helper, and to find
    // on bac::DescripteurDestination the folder `destination`, when given.
    std::optional<QString> demarrer(std::vector<QByteArray> commande, int partage = -1,
                                    bool bac = false, int destination = -1);

    bool ecrire(QByteArrayView octets);
    int lecture() const { return lecture_; }

    // Learns which process runs the helper itself: the one started, or, in the sandbox,
    // bubblewrap's child, once bubblewrap has said it. Done once a pass is given to it, while
    // bubblewrap is alive: it may wait for bubblewrap's first word.
    void connaitreAssistant();
    // The helper's own process; -1 before connaitreAssistant() or when it never started.
    pid_t assistant() const { return assistantPid_; }
    // Whether the helper's own process stands in our current directory, or is known to run no
    // more (or never to have started), after connaitreAssistant().
    bool assistantIci() const;

    // Waits for the end of the process, killing it after `delaiMs`, then kills the helper itself
    // and waits for its end, whatever holds the pipes: its wait status. What was not read yet is
    // dropped.
    int attendreFin(int delaiMs);
    void tuer();
    // No process of the helper's can write anything any more: it is known to be gone, or it never
    // started.
    bool parti() const { return parti_; }
    pid_t pid() const { return pid_; }

private:
    void fermer();

    pid_t pid_ = -1;
    int pidfd_ = -1;     // of pid_
    int info_ = -1;      // bubblewrap's word on the helper's process, until it is read
    int assistant_ = -1; // pidfd of the helper's own process, once known
    pid_t assistantPid_ = -1;
    bool enfantInconnu_ = false; // bubblewrap named a process that could not be checked
    bool parti_ = true;
    int ecriture_ = -1;
    int lecture_ = -1;
};
