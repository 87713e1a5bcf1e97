#pragma once

// The processes that this one started and has not reaped yet, zombies included.

#include <QFile>
#include <QList>

#include <filesystem>

#include <sys/types.h>

inline QList<pid_t> enfants() {
    QList<pid_t> pids;
    for (const auto& tache : std::filesystem::directory_iterator("/proc/self/task")) {
        QFile f(QString::fromStdString((tache.path() / "children").string()));
        if (f.open(QIODevice::ReadOnly)) {
            for (const QByteArray& pid : f.readAll().split(' ')) {
                if (!pid.trimmed().isEmpty()) {
                    pids << pid_t(pid.trimmed().toInt());
                }
            }
        }
    }
    return pids;
}
