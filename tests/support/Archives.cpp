#include "Archives.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <array>
#include <cstdio>
#include <cstdlib>
#include <unistd.h>

namespace archives {

namespace {

[[noreturn]] void echec(const QString& message) {
    std::fprintf(stderr, "archives: %s\n", qPrintable(message));
    std::abort();
}

// Runs rar in `dossier`: ends the test program when it is missing or fails, as the set-up installs
// it.
void lancerRar(const QString& dossier, const QStringList& arguments) {
    const QString rar = QStandardPaths::findExecutable(QStringLiteral("rar"));
    if (rar.isEmpty()) {
        echec(QStringLiteral("rar is missing: scripts/install-deps installs it"));
    }
    QProcess p;
    p.setWorkingDirectory(dossier);
    p.start(rar, arguments);
    if (!p.waitForFinished(300000) || p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0) {
        echec(QStringLiteral("rar failed: ") + QString::fromLocal8Bit(p.readAllStandardError()));
    }
}

} // namespace

QString creer(const QString& dossier, const QString& nom, const Fichiers& fichiers,
              const QStringList& options) {
    const QString source = dossier + QStringLiteral("/source-") + nom;
    QDir().mkpath(source);
    QStringList noms;
    for (const auto& [stocke, contenu] : fichiers) {
        if (stocke.endsWith(QLatin1Char('/'))) {
            QDir().mkpath(source + QLatin1Char('/') + stocke);
            noms << stocke.chopped(1);
        } else {
            ecrire(source + QLatin1Char('/') + stocke, contenu);
            noms << stocke;
        }
    }
    const QString archive = dossier + QLatin1Char('/') + nom;
    lancerRar(source, QStringList{QStringLiteral("a"), QStringLiteral("-idq")} + options +
                          QStringList{archive} + noms);
    return archive;
}

void ajouterZeros(const QString& archive, const QString& nom, qint64 taille) {
    QTemporaryDir source;
    QFile f(source.filePath(nom));
    if (!f.open(QIODevice::WriteOnly) || !f.resize(taille)) { // a hole, not bytes on disk
        echec(QStringLiteral("cannot make ") + f.fileName());
    }
    f.close();
    lancerRar(source.path(),
              {QStringLiteral("a"), QStringLiteral("-idq"), QStringLiteral("-m1"), archive, nom});
}

QString longue() {
    const QString chemin = QStringLiteral(KORVANE_ESSAIS "/longue.rar");
    if (QFileInfo::exists(chemin)) {
        return chemin;
    }
    QDir().mkpath(QStringLiteral(KORVANE_ESSAIS));
    QTemporaryDir d(QStringLiteral(KORVANE_ESSAIS "/longue-XXXXXX"));
    const QString faite = creer(d.path(), QStringLiteral("longue.rar"),
                                {{QStringLiteral("a.txt"), "a"}, {QStringLiteral("b.txt"), "bb"}});
    ajouterZeros(faite, QStringLiteral("gros.bin"), Q_INT64_C(3) << 30);
    // Whole or not at all, for a test program that would run beside this one.
    if (::rename(QFile::encodeName(faite).constData(), QFile::encodeName(chemin).constData()) !=
        0) {
        echec(QStringLiteral("cannot make ") + chemin);
    }
    return chemin;
}

QByteArray lire(const QString& chemin) {
    QFile f(chemin);
    if (!f.open(QIODevice::ReadOnly)) {
        return QByteArray();
    }
    return f.readAll();
}

void ecrire(const QString& chemin, const QByteArray& contenu) {
    QDir().mkpath(QFileInfo(chemin).path());
    QFile f(chemin);
    if (!f.open(QIODevice::WriteOnly) || f.write(contenu) != contenu.size()) {
        echec(QStringLiteral("cannot write ") + chemin);
    }
}

quint32 crc32(const QByteArray& octets) {
    static const std::array<quint32, 256> table = [] {
        std::array<quint32, 256> t{};
        for (quint32 i = 0; i < 256; ++i) {
            quint32 c = i;
            for (int k = 0; k < 8; ++k) {
                c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
            }
            t[i] = c;
        }
        return t;
    }();
    quint32 crc = 0xFFFFFFFFu;
    for (const char c : octets) {
        crc = table[(crc ^ quint8(c)) & 0xff] ^ (crc >> 8);
    }
    return crc ^ 0xFFFFFFFFu;
}

} // namespace archives
