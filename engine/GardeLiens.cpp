#include "GardeLiens.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#ifdef Q_OS_UNIX
#include <climits>
#include <cstdlib>
#include <unistd.h>
#endif

namespace {

// The path with every link resolved by the system, or empty when some part of it is missing.
QString reel(const QString& chemin) {
#ifdef Q_OS_UNIX
    // Not QFileInfo: "g/.." must go through the link g, not be cut out of the text first.
    char tampon[PATH_MAX];
    return ::realpath(QFile::encodeName(chemin).constData(), tampon) != nullptr
               ? QFile::decodeName(tampon)
               : QString();
#else
    return QFileInfo(chemin).canonicalFilePath();
#endif
}

QString cibleEcrite(const QString& lien) {
#ifdef Q_OS_UNIX
    char tampon[PATH_MAX];
    const ssize_t n = ::readlink(QFile::encodeName(lien).constData(), tampon, sizeof tampon);
    return n < 0 ? QString() : QFile::decodeName(QByteArray(tampon, qsizetype(n)));
#else
    return QFileInfo(lien).symLinkTarget();
#endif
}

// Where a write through the link lands: its resolved target or, for a target not there yet, the
// file that the write would create in the target's resolved folder. Empty when nothing can be
// written through it now.
QString ouMene(const QString& lien) {
    const QString resolu = reel(lien);
    if (!resolu.isEmpty()) {
        return resolu;
    }
    const QString cible = cibleEcrite(lien);
    const QString complet =
        QDir::isAbsolutePath(cible) ? cible : QFileInfo(lien).path() + QLatin1Char('/') + cible;
    const qsizetype i = complet.lastIndexOf(QLatin1Char('/'));
    const QString nom = complet.mid(i + 1);
    if (i < 0 || nom.isEmpty() || nom == QLatin1String(".") || nom == QLatin1String("..")) {
        return QString();
    }
    const QString dossier = reel(i == 0 ? QStringLiteral("/") : complet.left(i));
    return dossier.isEmpty() ? QString() : dossier + QLatin1Char('/') + nom;
}

} // namespace

LienParent retirerLienParent(const QString& chemin) {
    for (qsizetype i = chemin.indexOf(QLatin1Char('/')); i > 0;
         i = chemin.indexOf(QLatin1Char('/'), i + 1)) {
        const QString dossier = chemin.left(i);
        if (QFileInfo(dossier).isSymLink()) {
            // The folders before it are real ones: the link removed lies inside the pass's folder.
            return QFile::remove(dossier) ? LienParent::Retire : LienParent::Echec;
        }
    }
    return LienParent::Aucun;
}

LiensDeLaPasse::LiensDeLaPasse(const QString& dossier)
    : dossier_(reel(dossier)) {}

bool LiensDeLaPasse::accepter(const QString& chemin, bool redirection) {
    const QFileInfo info(chemin);
    if (!info.isSymLink()) {
        // The library writes nothing, and says nothing, for a link it finds unsafe.
        return !redirection || info.exists();
    }
    if (!connus_.contains(chemin)) {
        connus_.insert(chemin);
        liens_ << chemin;
    }
    // Only a link to a folder, or to nothing yet, can lie on the way of another one and make that
    // one lead out; a link to a file is checked alone, so that the many of a system's backup do
    // not make the pass quadratic.
    if (info.isDir() || !info.exists()) {
        return retirerSortants(chemin);
    }
    if (sort(chemin)) {
        QFile::remove(chemin);
        return false;
    }
    return true;
}

void LiensDeLaPasse::verifierTous() {
    retirerSortants(QString());
}

bool LiensDeLaPasse::retirerSortants(const QString& nouveau) {
    bool garde = true;
    for (auto it = liens_.begin(); it != liens_.end();) {
        if (!QFileInfo(*it).isSymLink()) {
            connus_.remove(*it);
            it = liens_.erase(it); // replaced since, by a folder or a file
        } else if (sort(*it)) {
            // The library made it in that folder: removing it from there is allowed as well.
            QFile::remove(*it);
            garde = garde && *it != nouveau;
            connus_.remove(*it);
            it = liens_.erase(it);
        } else {
            ++it;
        }
    }
    return garde;
}

bool LiensDeLaPasse::sort(const QString& lien) const {
    const QString ou = ouMene(lien);
    return !ou.isEmpty() && ou != dossier_ && !ou.startsWith(dossier_ + QLatin1Char('/'));
}
