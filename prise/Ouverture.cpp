#include "Ouverture.h"

#include "Restes.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QMimeDatabase>
#include <QRegularExpression>

#include <algorithm>
#include <iterator>

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace ouverture {

namespace {

// The kinds that a viewer shows, named as the desktop's MIME database names them. Each counts
// exactly, never through the kinds the database files under it: scripts, web pages and desktop
// entries are all text/plain there, and a macro-enabled workbook is an OOXML spreadsheet. Names
// that a system's database does not know are simply never matched.
const char* const Montrables[] = {
    // text
    "text/plain", "text/x-readme", "text/x-log",
    // images, but SVG, which can hold scripts, and EPS, which is PostScript
    "image/png", "image/jpeg", "image/gif", "image/bmp", "image/webp", "image/tiff",
    "image/x-tiff-multipage", "image/avif", "image/heif", "image/jxl", "image/vnd.microsoft.icon",
    "image/x-portable-anymap", "image/x-portable-bitmap", "image/x-portable-graymap",
    "image/x-portable-pixmap", "image/x-tga", "image/jp2",
    // sounds, but playlists, which send the player to other files and addresses
    "audio/mpeg", "audio/ogg", "audio/x-vorbis+ogg", "audio/x-opus+ogg", "audio/x-flac+ogg",
    "audio/flac", "audio/x-wav", "audio/aac", "audio/mp4", "audio/x-m4b", "audio/webm",
    "audio/x-ms-wma", "audio/midi", "audio/x-aiff", "audio/x-matroska", "audio/AMR", "audio/x-ape",
    "audio/x-wavpack",
    // videos
    "video/mp4", "video/webm", "video/x-matroska", "video/x-msvideo", "video/quicktime",
    "video/mpeg", "video/ogg", "video/x-theora+ogg", "video/x-flv", "video/x-ms-wmv", "video/mp2t",
    "video/3gpp", "video/3gpp2",
    // PDF, OpenDocument and office documents, but their macro-enabled kinds
    "application/pdf", "application/vnd.oasis.opendocument.text",
    "application/vnd.oasis.opendocument.spreadsheet",
    "application/vnd.oasis.opendocument.presentation",
    "application/vnd.oasis.opendocument.graphics", "application/msword", "application/vnd.ms-excel",
    "application/vnd.ms-powerpoint",
    "application/vnd.openxmlformats-officedocument.wordprocessingml.document",
    "application/vnd.openxmlformats-officedocument.spreadsheetml.sheet",
    "application/vnd.openxmlformats-officedocument.presentationml.presentation", "application/rtf",
    // e-books
    "application/epub+zip", "application/x-mobipocket-ebook", "application/vnd.amazon.mobi8-ebook",
    "application/x-fictionbook+xml", "image/vnd.djvu", "image/vnd.djvu+multipage",
    // an empty file, whose name alone says what it is
    "application/x-zerosize"};

bool estMontrable(const QMimeDatabase& types, const QMimeType& type) {
    return std::any_of(std::begin(Montrables), std::end(Montrables), [&](const char* nom) {
        return types.mimeTypeForName(QString::fromLatin1(nom)) == type; // through aliases
    });
}

// The run's folder: its destructor, run when the program ends (std::exit too), removes it.
class DossierDuPassage {
public:
    DossierDuPassage() {
        const QString debut = restes::debutDuPassage(::getpid());
        // Without its start, no later run could tell this one alive: a name that none removes.
        QByteArray modele = QFile::encodeName(
            QDir::tempPath() + QLatin1Char('/') +
            (debut.isEmpty() ? QStringLiteral("korvane") : debut) + QStringLiteral("-XXXXXX"));
        if (::mkdtemp(modele.data()) != nullptr) { // 0700
            chemin_ = QFile::decodeName(modele);
        }
    }
    ~DossierDuPassage() {
        if (!chemin_.isEmpty()) {
            retirer(chemin_);
        }
    }
    const QString& chemin() const { return chemin_; }

private:
    QString chemin_;
};

} // namespace

QString dossierNeuf() {
    static DossierDuPassage passage;
    if (passage.chemin().isEmpty()) {
        return {};
    }
    QByteArray modele = QFile::encodeName(passage.chemin()) + "/entree-XXXXXX";
    if (::mkdtemp(modele.data()) == nullptr) { // 0700 too
        return {};
    }
    return QFile::decodeName(modele);
}

void retirer(const QString& dossier) {
    restes::retirerDans(AT_FDCWD, QFile::encodeName(dossier).constData());
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

bool montrable(const QString& chemin) {
    struct stat s {};
    if (::stat(QFile::encodeName(chemin).constData(), &s) != 0 || !S_ISREG(s.st_mode) ||
        (s.st_mode & (S_IXUSR | S_IXGRP | S_IXOTH)) != 0) {
        return false;
    }
    const QMimeDatabase types;
    const QMimeType nom = types.mimeTypeForFile(chemin, QMimeDatabase::MatchExtension);
    const QMimeType contenu = types.mimeTypeForFile(chemin, QMimeDatabase::MatchContent);
    // The content may read as no more than what the named kind is made of: a .docx as a zip, a
    // .doc as OLE storage, a sound without a header as bytes.
    return estMontrable(types, nom) &&
           (estMontrable(types, contenu) || nom.inherits(contenu.name()));
}

void retirerPassagesMorts(const QString& temporaire) {
    DIR* const dossier = restes::lireDossier(AT_FDCWD, QFile::encodeName(temporaire).constData());
    if (dossier == nullptr) {
        return;
    }
    static const QRegularExpression passage(
        QStringLiteral("^(korvane-[0-9]{1,10}-[0-9]+)-[A-Za-z0-9]{6}$"));
    while (const dirent* e = ::readdir(dossier)) {
        const QRegularExpressionMatch m = passage.match(QFile::decodeName(e->d_name));
        if (!m.hasMatch() || restes::passageVivant(m.captured(1))) {
            continue;
        }
        // Another user's, or a link, is not ours to remove. In the temporary folder, whose
        // sticky bit lets no one else rename what is ours, what is seen here is what goes.
        struct stat s {};
        if (::fstatat(::dirfd(dossier), e->d_name, &s, AT_SYMLINK_NOFOLLOW) == 0 &&
            S_ISDIR(s.st_mode) && s.st_uid == ::geteuid()) {
            restes::retirerDans(::dirfd(dossier), e->d_name);
        }
    }
    ::closedir(dossier);
}

} // namespace ouverture
