#pragma once

// The processes that this one started and has not reaped yet, zombies included.

#include <QDir>
#include <QFile>
#include <QList>

#include <sys/types.h>

// Those of process `parent` (this one by default).
inline QList<pid_t> enfants(const QString& parent = QStringLiteral("self")) {
    QList<pid_t> pids;
    const QDir taches(QStringLiteral("/proc/%1/task").arg(parent));
    for (const QString& tache : taches.entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        QFile f(taches.filePath(tache + QStringLiteral("/children")));
        f.open(QIODevice::ReadOnly);
        for (const QString& pid :
             QString::fromLatin1(f.readAll()).simplified().split(' ', Qt::SkipEmptyParts)) {
            pids << pid_t(pid.toInt());
        }
    }
    return pids;
}

// The process that runs the helper program: a child of this one, or, in the sandbox, of
// bubblewrap; -1 when there is none.
inline pid_t assistantEnCours() {
    for (const pid_t enfant : enfants()) {
        QList<pid_t> candidats = enfants(QString::number(enfant));
        candidats << enfant;
        for (const pid_t p : candidats) {
            QFile nom(QStringLiteral("/proc/%1/comm").arg(p));
            if (nom.open(QIODevice::ReadOnly) && nom.readAll().trimmed() == "korvane-passe") {
                return p;
            }
        }
    }
    return -1;
}
