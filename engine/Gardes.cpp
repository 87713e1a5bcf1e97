#include "Gardes.h"

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

bool LiensDeLaPasse::dedans(const QString& chemin) const {
    const QString ou = reel(chemin);
    return !ou.isEmpty() && (ou == dossier_ || ou.startsWith(dossier_ + QLatin1Char('/')));
}

bool LiensDeLaPasse::sort(const QString& lien) const {
    const QString ou = ouMene(lien);
    return !ou.isEmpty() && ou != dossier_ && !ou.startsWith(dossier_ + QLatin1Char('/'));
}

Gardes::Gardes(RetourPasse& retour, const QString& dossier)
    : retour_(retour)
    , liens_(dossier) {}

Gardes::Decision Gardes::avant(const QString& nom, const QString& chemin, bool dossier,
                               const std::optional<QString>& donnees) {
    // Nothing left of the name, or a name of the chosen folder or of the one above it: the
    // library has nothing to make there.
    const QString dernier = chemin.mid(chemin.lastIndexOf(QLatin1Char('/')) + 1);
    if (chemin.isEmpty() || dernier == QLatin1String(".") || dernier == QLatin1String("..")) {
        return Decision::Ignorer;
    }
    if (lienEnChemin(nom, chemin) == Lien::Garde) {
        return Decision::Ignorer;
    }
    // A hard link to a file outside would give it a second name here, and the library's changes of
    // mode and time would reach it; a copy would bring its contents in.
    if (donnees && !liens_.dedans(*donnees)) {
        return Decision::LienRefuse;
    }
    // After "Non" on that file, the user's old one stands there.
    if (donnees && !ecrits_.contains(qHash(*donnees))) {
        return Decision::Ignorer;
    }
    const QFileInfo cible(chemin);
    if (cible.isSymLink()) {
        // A folder of the archive in place of a link that the archive made: the folder wins, as
        // the library would have it. Anything else is asked first.
        if (!(dossier && liens_.faitParLaPasse(chemin)) && !accord(nom)) {
            return Decision::Ignorer;
        }
        retirer(chemin);
        return Decision::Extraire;
    }
    if (!cible.exists() || cible.isDir() || dossier) {
        return Decision::Extraire; // a folder merges; the library reports what it cannot create
    }
    if (!accord(nom)) {
        return Decision::Ignorer;
    }
    // Opened where it is, a file that is a hard link would take the data wherever it leads.
    retirer(chemin);
    return Decision::Extraire;
}

bool Gardes::apres(const QString& chemin, bool redirection) {
    if (redirection) {
        dernierDossierSur_.clear(); // links change what lies on the way
    } else {
        // The hash is seeded afresh in every process: nobody can make a name collide on purpose.
        ecrits_.insert(qHash(chemin));
    }
    return liens_.accepter(chemin, redirection);
}

Gardes::Lien Gardes::lienEnChemin(const QString& nom, const QString& chemin) {
    const qsizetype fin = chemin.lastIndexOf(QLatin1Char('/'));
    for (qsizetype i = chemin.indexOf(QLatin1Char('/')); i > 0 && i <= fin;
         i = chemin.indexOf(QLatin1Char('/'), i + 1)) {
        const QString dossier = chemin.left(i);
        if (dernierDossierSur_ == dossier ||
            dernierDossierSur_.startsWith(dossier + QLatin1Char('/'))) {
            continue; // found to be a real folder for an earlier entry
        }
        const QFileInfo info(dossier);
        if (info.isSymLink()) {
            dernierDossierSur_.clear();
            if (!liens_.faitParLaPasse(dossier) && !accord(nom)) {
                return Lien::Garde;
            }
            retirer(dossier);
            return Lien::Retire;
        }
        if (!info.exists()) {
            break; // nor does anything beneath it
        }
    }
    if (fin > 0) {
        dernierDossierSur_ = chemin.left(fin);
    }
    return Lien::Aucun;
}

bool Gardes::accord(const QString& nom) {
    if (pourTous_ != PourTous::Demander) {
        return pourTous_ == PourTous::Remplacer;
    }
    switch (retour_.remplacer(nom)) {
    case Remplacement::OuiPourTous:
        pourTous_ = PourTous::Remplacer;
        return true;
    case Remplacement::Oui:
        return true;
    case Remplacement::NonPourTous:
        pourTous_ = PourTous::Garder;
        return false;
    case Remplacement::Non:
        return false;
    }
    return false;
}

void Gardes::retirer(const QString& chemin) {
    if (!QFile::remove(chemin)) {
        retour_.echec({Messages::Echec::Genre::Fichier, ERAR_ECREATE});
    }
}
