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
    // `partage`, when given, becomes its descriptor 5.
    std::optional<QString> demarrer(std::vector<QByteArray> commande, int partage = -1);

    bool ecrire(QByteArrayView octets);
    int lecture() const { return lecture_; }

    // Waits for the end of the process, killing it after `delaiMs`, and for the end of whatever
    // holds the other end of lecture(): its wait status. What was not read yet is dropped.
    int attendreFin(int delaiMs);
    void tuer();
    pid_t pid() const { return pid_; }

private:
    void fermer();

    pid_t pid_ = -1;
    int ecriture_ = -1;
    int lecture_ = -1;
};
