#include "Ouverture.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QMimeDatabase>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <algorithm>
#include <iterator>

#include <sys/stat.h>

namespace ouverture {

namespace {

// What the desktop would run rather than show. Scripts are mostly kinds of application/x-executable
// in the database; names that a system's database does not know are simply never matched.
const char* const Refuses[] = {
    // programs and what holds them
    "application/x-executable", "application/x-pie-executable", "application/x-sharedlib",
    "application/x-object", "application/x-ms-dos-executable", "application/x-msdownload",
    "application/x-dosexec", "application/vnd.microsoft.portable-executable",
    "application/x-ms-ne-executable", "application/x-java-archive", "application/x-java",
    "application/x-java-jnlp-file", "application/vnd.appimage", "application/x-iso9660-appimage",
    // installers
    "application/x-msi", "application/vnd.debian.binary-package", "application/x-rpm",
    "application/vnd.flatpak", "application/vnd.flatpak.ref", "application/vnd.flatpak.repo",
    "application/vnd.snap",
    // scripts
    "application/x-shellscript", "application/x-shar", "application/javascript",
    "application/x-php", "text/tcl", "text/vbscript", "application/x-bat", "text/x-msdos-batch",
    "application/x-powershell", "text/x-ms-regedit",
    // desktop entries and shortcuts
    "application/x-desktop", "application/x-ms-shortcut", "application/x-mswinurl"};

bool refuse(const QMimeType& type) {
    // JSON is data, though the database files it under JavaScript.
    if (type.inherits(QStringLiteral("application/json"))) {
        return false;
    }
    return std::any_of(std::begin(Refuses), std::end(Refuses), [&type](const char* nom) {
        return type.inherits(QString::fromLatin1(nom));
    });
}

// The run's folder: its destructor, run when the program ends (std::exit too), removes it.
class DossierDuPassage {
public:
    DossierDuPassage()
        : dossier_(QStandardPaths::writableLocation(QStandardPaths::TempLocation) +
                   QStringLiteral("/korvane-XXXXXX")) {}
    ~DossierDuPassage() {
        if (!dossier_.isValid()) {
            return;
        }
        // What the library made may deny the user's own writes: they come back first.
        QDirIterator dossiers(dossier_.path(), QDir::Dirs | QDir::NoDotAndDotDot | QDir::Hidden,
                              QDirIterator::Subdirectories);
        while (dossiers.hasNext()) {
            const QString d = dossiers.next();
            if (!QFileInfo(d).isSymLink()) {
                ::chmod(QFile::encodeName(d).constData(), S_IRWXU);
            }
        }
    }
    QTemporaryDir& dossier() { return dossier_; }

private:
    QTemporaryDir dossier_; // made 0700
};

} // namespace

QString dossierNeuf() {
    static DossierDuPassage passage;
    if (!passage.dossier().isValid()) {
        return {};
    }
    QByteArray modele = QFile::encodeName(passage.dossier().path()) + "/entree-XXXXXX";
    if (::mkdtemp(modele.data()) == nullptr) { // 0700 too
        return {};
    }
    return QFile::decodeName(modele);
}

QString fichierExtrait(const QString& dossier) {
    QDirIterator i(dossier, QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System,
                   QDirIterator::Subdirectories);
    QString fichier;
    while (i.hasNext()) {
        const QString chemin = i.next();
        struct stat s {};
        if (::lstat(QFile::encodeName(chemin).constData(), &s) != 0 || S_ISDIR(s.st_mode)) {
            continue;
        }
        if (!S_ISREG(s.st_mode) || !fichier.isEmpty()) {
            return {};
        }
        fichier = chemin;
    }
    return fichier;
}

bool programme(const QString& chemin) {
    struct stat s {};
    if (::stat(QFile::encodeName(chemin).constData(), &s) != 0 ||
        (s.st_mode & (S_IXUSR | S_IXGRP | S_IXOTH)) != 0) {
        return true;
    }
    const QMimeDatabase types;
    return refuse(types.mimeTypeForFile(chemin, QMimeDatabase::MatchContent)) ||
           refuse(types.mimeTypeForFile(chemin, QMimeDatabase::MatchExtension));
}

} // namespace ouverture
