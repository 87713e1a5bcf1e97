#include "Lecteurs.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QSet>
#include <QStorageInfo>

#include <algorithm>
#include <limits>

#ifdef Q_OS_UNIX
#include <dirent.h>
#include <sys/statvfs.h>
#endif

namespace platform {

namespace {

#ifdef Q_OS_WIN
constexpr Qt::CaseSensitivity casse = Qt::CaseInsensitive;
#else
constexpr Qt::CaseSensitivity casse = Qt::CaseSensitive;
#endif

std::function<QList<Lecteur>()> sourceInstallee;

// Folder last made current on each drive during this run, by drive root.
QHash<QString, QString> derniersDossiers;

// Qt already leaves out proc, sysfs and their kind; these are the system's own mounts that it
// still lists on some machines and that hold no user data.
bool estSysteme(const QStorageInfo& volume) {
    static const QSet<QByteArray> types{
        "autofs", "binfmt_misc", "bpf",        "cgroup",     "cgroup2",   "configfs", "debugfs",
        "devpts", "devtmpfs",    "efivarfs",   "fusectl",    "hugetlbfs", "mqueue",   "nsfs",
        "proc",   "pstore",      "rpc_pipefs", "securityfs", "squashfs",  "sysfs",    "tracefs"};
    if (types.contains(volume.fileSystemType())) {
        return true;
    }
    const QString racine = volume.rootPath();
    for (const char* systeme : {"/proc", "/sys", "/dev", "/run", "/snap", "/var/lib/docker"}) {
        const QString prefixe = QString::fromLatin1(systeme);
        if (racine == prefixe || racine.startsWith(prefixe + QLatin1Char('/'))) {
            // Removable media are mounted under /run/media on some systems.
            return !racine.startsWith(QStringLiteral("/run/media/"));
        }
    }
    return false;
}

QList<Lecteur> volumesMontes() {
    QList<Lecteur> liste;
    QSet<QString> vus;
    for (const QStorageInfo& volume : QStorageInfo::mountedVolumes()) {
        if (estSysteme(volume) || vus.contains(volume.rootPath())) {
            continue;
        }
        vus.insert(volume.rootPath());
        liste.append({volume.rootPath(), volume.name()});
    }
#ifndef Q_OS_WIN
    if (!vus.contains(QStringLiteral("/"))) {
        liste.append({QStringLiteral("/"), QString()});
    }
#endif
    return liste;
}

QString absolu(const QString& chemin) {
    return QDir::cleanPath(QFileInfo(chemin).absoluteFilePath());
}

bool contient(const QString& racine, const QString& chemin) {
    const QString prefixe = racine.endsWith(QLatin1Char('/')) ? racine : racine + QLatin1Char('/');
    return (chemin + QLatin1Char('/')).startsWith(prefixe, casse);
}

// The process's current directory, or empty when it has been removed under our feet.
QString repertoireDuProcessus() {
    const QString courant = QDir::currentPath();
    return courant.isEmpty() ? courant : QDir::cleanPath(courant);
}

void memoriser(const QString& dossier) {
    if (!dossier.isEmpty()) {
        derniersDossiers.insert(lecteurDe(dossier), dossier);
    }
}

} // namespace

QList<Lecteur> lecteurs() {
    QList<Lecteur> liste = sourceInstallee ? sourceInstallee() : volumesMontes();
    std::sort(liste.begin(), liste.end(), [](const Lecteur& a, const Lecteur& b) {
        return a.racine.compare(b.racine, casse) < 0;
    });
    return liste;
}

QString texteLecteur(const Lecteur& lecteur) {
    if (lecteur.nom.isEmpty()) {
        return lecteur.racine;
    }
    return QStringLiteral("%1 [%2]").arg(lecteur.racine, lecteur.nom);
}

QString lecteurDe(const QString& chemin) {
    const QString complet = absolu(chemin);
    QString trouve;
    for (const Lecteur& lecteur : lecteurs()) {
        if (contient(lecteur.racine, complet) && lecteur.racine.size() > trouve.size()) {
            trouve = lecteur.racine;
        }
    }
    return trouve;
}

bool dossierLisible(const QString& chemin) {
    if (chemin.isEmpty()) {
        return false;
    }
#ifdef Q_OS_UNIX
    // Opening the directory is the only sound test: permission bits say nothing to root, and a
    // stale mount answers stat() from its cache.
    DIR* dossier = ::opendir(QFile::encodeName(chemin).constData());
    if (dossier == nullptr) {
        return false;
    }
    ::closedir(dossier);
    return true;
#else
    const QFileInfo info(chemin);
    return info.isDir() && info.isReadable();
#endif
}

#ifdef Q_OS_UNIX
namespace {

std::optional<qint64> octetsLibres(int lu, const struct statvfs& fs) {
    if (lu != 0) {
        return std::nullopt;
    }
    qint64 octets = 0;
    if (__builtin_mul_overflow(fs.f_bavail, fs.f_frsize, &octets)) {
        octets = std::numeric_limits<qint64>::max(); // a file system that says more than can be
    }
    return octets;
}

} // namespace

std::optional<qint64> espaceLibre(int dossier) {
    struct statvfs fs {};
    return octetsLibres(::fstatvfs(dossier, &fs), fs);
}
#endif

std::optional<qint64> espaceLibre(const QString& chemin) {
#ifdef Q_OS_UNIX
    struct statvfs fs {};
    return octetsLibres(::statvfs(QFile::encodeName(chemin).constData(), &fs), fs);
#else
    const QStorageInfo volume(chemin);
    return volume.isValid() ? std::optional<qint64>(volume.bytesAvailable()) : std::nullopt;
#endif
}

bool estPret(const QString& racine) {
    return dossierLisible(racine);
}

QString dossierCourant(const QString& racine) {
    const QString courant = repertoireDuProcessus();
    if (!courant.isEmpty() && lecteurDe(courant).compare(racine, casse) == 0) {
        return courant;
    }
    const QString dernier = derniersDossiers.value(racine);
    if (!dernier.isEmpty() && QFileInfo(dernier).isDir()) {
        return dernier;
    }
    return racine;
}

void rendreLecteurCourant(const QString& racine) {
    if (!estPret(racine)) {
        throw ErreurDossier("lecteur non prêt");
    }
    const QString dossier = dossierCourant(racine);
    try {
        changerDossierCourant(dossier);
    } catch (const ErreurDossier&) {
        // The folder last current on the drive may have gone; its root is still there.
        if (dossier == racine) {
            throw;
        }
        changerDossierCourant(racine);
    }
}

void changerDossierCourant(const QString& chemin) {
    const QString avant = repertoireDuProcessus();
    if (chemin.isEmpty() || !QDir::setCurrent(chemin)) {
        throw ErreurDossier("dossier inaccessible");
    }
    // The folder we leave stays the current folder of its own drive.
    memoriser(avant);
    memoriser(repertoireDuProcessus());
}

void creerDossier(const QString& nom) {
    if (nom.isEmpty() || !QDir().mkdir(nom)) {
        throw ErreurDossier("création impossible");
    }
}

void installerVolumes(std::function<QList<Lecteur>()> source) {
    sourceInstallee = std::move(source);
}

} // namespace platform
