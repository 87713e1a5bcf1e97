// The archives the benchmark times, made with rar in a temporary folder.

#include "Banc.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRandomGenerator>
#include <QStandardPaths>

#include <linux/magic.h>
#include <sys/vfs.h>

namespace {

void lancer(const QStringList& commande, const QString& dossier = QString()) {
    QProcess p;
    if (!dossier.isEmpty()) {
        p.setWorkingDirectory(dossier);
    }
    p.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    p.start(commande.first(), commande.mid(1));
    if (!p.waitForFinished(-1) || p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0) {
        echec(QStringLiteral("failed: ") + commande.join(QLatin1Char(' ')).left(200));
    }
}

// `dossiers` folders of `parDossier` small files each.
} // namespace

QString archivePetitsFichiers(const QString& racine, const QString& arbres, int dossiers,
                              int parDossier) {
    const QString nom = QStringLiteral("petits_%1.rar").arg(dossiers * parDossier);
    const QString arbre = arbres + QStringLiteral("/arbre_%1").arg(dossiers * parDossier);
    for (int d = 0; d < dossiers; ++d) {
        const QString dossier =
            arbre + QStringLiteral("/dossier%1").arg(d, 3, 10, QLatin1Char('0'));
        QDir().mkpath(dossier);
        for (int i = 0; i < parDossier; ++i) {
            QFile f(dossier + QStringLiteral("/fichier%1.txt").arg(i, 4, 10, QLatin1Char('0')));
            if (!f.open(QIODevice::WriteOnly)) {
                echec(f.fileName());
            }
            f.write(QStringLiteral("contenu du fichier %1 du dossier %2\n").arg(i).arg(d).toUtf8());
        }
    }
    const QString rar = QStandardPaths::findExecutable(QStringLiteral("rar"));
    lancer({rar, QStringLiteral("a"), QStringLiteral("-idq"), QStringLiteral("-r"),
            QStringLiteral("-m1"), racine + QLatin1Char('/') + nom, QStringLiteral(".")},
           arbre);
    return racine + QLatin1Char('/') + nom;
}

// 1,000 folders of 1,000 small files each: one folder written, and 999 links to it, which rar
// follows, so that a million entries cost the disk a thousand files.
QString archiveMillion(const QString& racine, const QString& arbres) {
    const QString arbre = arbres + QStringLiteral("/arbre_1000000");
    const QString dossier = arbre + QStringLiteral("/dossier000");
    QDir().mkpath(dossier);
    for (int i = 0; i < 1000; ++i) {
        QFile f(dossier + QStringLiteral("/fichier%1.txt").arg(i, 4, 10, QLatin1Char('0')));
        if (!f.open(QIODevice::WriteOnly)) {
            echec(f.fileName());
        }
        f.write(QStringLiteral("contenu du fichier %1\n").arg(i).toUtf8());
    }
    for (int d = 1; d < 1000; ++d) {
        QFile::link(QStringLiteral("dossier000"),
                    arbre + QStringLiteral("/dossier%1").arg(d, 3, 10, QLatin1Char('0')));
    }
    const QString rar = QStandardPaths::findExecutable(QStringLiteral("rar"));
    lancer({rar, QStringLiteral("a"), QStringLiteral("-idq"), QStringLiteral("-r"),
            QStringLiteral("-m1"), racine + QStringLiteral("/petits_1001000.rar"),
            QStringLiteral(".")},
           arbre);
    return racine + QStringLiteral("/petits_1001000.rar");
}

// A few large files that compress to about half: words drawn at random.
QString archiveGrosFichiers(const QString& racine, const QString& arbres) {
    const QString arbre = arbres + QStringLiteral("/gros");
    QDir().mkpath(arbre);
    QRandomGenerator aleatoire(42);
    const QByteArrayList mots{"archive", "fichier", "dossier", "extraction",   "test", "liste",
                              "donnees", "volume",  "entete",  "bibliotheque", "\n"};
    for (int n = 0; n < 4; ++n) {
        QFile f(arbre + QStringLiteral("/gros%1.bin").arg(n));
        if (!f.open(QIODevice::WriteOnly)) {
            echec(f.fileName());
        }
        QByteArray bloc;
        bloc.reserve(1 << 20);
        for (int m = 0; m < 256; ++m) {
            bloc.clear();
            while (bloc.size() < (1 << 20)) {
                bloc += mots[int(aleatoire.bounded(mots.size()))];
                bloc += char('a' + aleatoire.bounded(26));
                quint32 bruit = aleatoire.generate();
                bloc.append(reinterpret_cast<const char*>(&bruit), 2);
            }
            f.write(bloc.left(1 << 20));
        }
    }
    const QString rar = QStandardPaths::findExecutable(QStringLiteral("rar"));
    lancer({rar, QStringLiteral("a"), QStringLiteral("-idq"), QStringLiteral("-m1"),
            racine + QStringLiteral("/gros.rar"), QStringLiteral(".")},
           arbre);
    return racine + QStringLiteral("/gros.rar");
}

// 4,000 symbolic links to files that are not there: each is checked once, when it is made.
QString archiveLiensVides(const QString& racine, const QString& arbres) {
    const QString arbre = arbres + QStringLiteral("/liens");
    QDir().mkpath(arbre);
    for (int i = 0; i < 4000; ++i) {
        QFile::link(QStringLiteral("absent/%1").arg(i), arbre + QStringLiteral("/lien%1").arg(i));
    }
    const QString rar = QStandardPaths::findExecutable(QStringLiteral("rar"));
    lancer({rar, QStringLiteral("a"), QStringLiteral("-idq"), QStringLiteral("-ol"),
            racine + QStringLiteral("/liens.rar"), QStringLiteral(".")},
           arbre);
    return racine + QStringLiteral("/liens.rar");
}

std::optional<QString> dossierEnMemoire(const QString& demande) {
    const QStringList candidats =
        demande.isEmpty()
            ? QStringList{QStringLiteral("/dev/shm"), qEnvironmentVariable("XDG_RUNTIME_DIR")}
            : QStringList{demande};
    for (const QString& c : candidats) {
        struct statfs s {};
        if (!c.isEmpty() && ::statfs(QFile::encodeName(c).constData(), &s) == 0 &&
            s.f_type == TMPFS_MAGIC && QFileInfo(c).isWritable()) {
            return c;
        }
    }
    return std::nullopt;
}
