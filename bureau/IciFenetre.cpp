#include "IciFenetre.h"

#include "CheminsPartages.h"
#include "Interaction.h"
#include "JournalIci.h"
#include "ListeResultats.h"
#include "Messages.h"
#include "PasseFenetre.h"
#include "TexteVisible.h"

#include <QDir>
#include <QFile>
#include <QScopeGuard>

#include <cerrno>
#include <cstring>

#include <unistd.h>

using namespace ModuleRAR;
using platform::interaction;

namespace {

// Why "Extraire ici" could not prepare its folder in `dossier`, in one sentence: `erreur` is the
// system's error, 0 when the folder made there was replaced before it was used.
QString refusIci(int erreur, const QString& dossier) {
    const QString nom = nomVisible(dossier);
    switch (erreur) {
    case 0:
        return QStringLiteral("Impossible d'extraire ici : le dossier préparé dans « %1 » a été "
                              "remplacé par un autre avant l'extraction, et rien n'a été extrait.")
            .arg(nom);
    case EROFS:
        return QStringLiteral("Impossible d'extraire ici : le dossier « %1 » est en lecture "
                              "seule.")
            .arg(nom);
    case EACCES:
    case EPERM:
        return QStringLiteral("Impossible d'extraire ici : vous n'avez pas le droit d'écrire dans "
                              "le dossier « %1 ».")
            .arg(nom);
    default:
        return QStringLiteral("Impossible d'extraire ici dans le dossier « %1 » : %2.")
            .arg(nom, QString::fromLocal8Bit(std::strerror(erreur)));
    }
}

} // namespace

IciFenetre::IciFenetre(QWidget* parent, const PasseFenetre& passe, const ListeResultats& modele,
                       Fenetre& fenetre)
    : parent_(parent)
    , passe_(passe)
    , modele_(modele)
    , fenetre_(fenetre) {}

IciFenetre::~IciFenetre() = default;

void IciFenetre::extraire(const QByteArray& texteArguments) {
    finSiToutOK_ = true;
    const auto garde = qScopeGuard([this] { finSiToutOK_ = false; });
    fenetre_.prendreArchive(texteArguments);
    const QByteArray archive =
        CheminArchiveOctets.isEmpty() ? QFile::encodeName(CheminArchive) : CheminArchiveOctets;
    const qsizetype barre = archive.lastIndexOf('/');
    dossier_ = barre > 0 ? archive.left(barre) : QByteArray("/");
    const QString dossier = QFile::decodeName(dossier_);
    int erreur = 0;
    ici_ = ici::Preparation::creer(dossier_, ici::nomDuJeu(archive.mid(barre + 1)),
                                   ici::dossierJournal(true), erreur);
    // Never another folder than the archive's: nothing is written when it takes no new folder.
    if (!ici_) {
        interaction().message(parent_, refusIci(erreur, dossier), Messages::TitreErreur,
                              platform::Icone::Exclamation);
        interaction().terminer(1);
    }
    if (!fenetre_.assezDePlace(dossier, ici_->dossier())) {
        ici_->jeter();
        ici_.reset();
        interaction().terminer(0);
    }
    // The helper starts in our current directory, which it holds as we do, whatever becomes of
    // the names that lead there.
    if (::fchdir(ici_->destination()) != 0) {
        const int e = errno;
        ici_->jeter();
        ici_.reset();
        interaction().message(parent_, refusIci(e, dossier), Messages::TitreErreur,
                              platform::Icone::Exclamation);
        interaction().terminer(1);
    }
    const int avant = passe_.passes();
    fenetre_.extraireArchive();
    // The rows that are not "OK" stay in sight.
    if (passe_.passes() != avant && passe_.issue() == assistant::Issue::Terminee &&
        lignesToutesOK()) {
        platform::interaction().terminer(0);
    }
}

bool IciFenetre::lignesToutesOK() const {
    const QString ok = Messages::texteResultat(Resultat::OK, 0);
    for (int n = 0; n < modele_.nombreLignes(); ++n) {
        if (modele_.texte(n, ListeResultats::ColonneResultat) != ok) {
            return false;
        }
    }
    return true;
}

QString IciFenetre::ranger(bool garder) {
    if (!ici_ || garder) {
        return ici_ ? phrase(publier(false)) : QString();
    }
    ici_->jeter();
    lacher();
    return QStringLiteral("Rien de ce qui a été extrait n'a été gardé.");
}

QString IciFenetre::destination() const {
    // "Extraire ici" extracts into a folder of its own, beside the archive: the user knows the
    // archive's.
    return ici_ ? QFile::decodeName(dossier_) : QDir::currentPath();
}

QString IciFenetre::dossierExtrait(assistant::Issue issue) {
    if (!ici_) {
        return QDir::currentPath();
    }
    const ici::Preparation::Publication p = publier(issue == assistant::Issue::Terminee);
    if (p.erreur != 0) {
        interaction().message(parent_, phrase(p), Messages::TitreErreur,
                              platform::Icone::Exclamation);
        interaction().terminer(1);
    }
    // The program ends with this pass: nothing to show.
    if (p.nom.isEmpty() ||
        (finSiToutOK_ && issue == assistant::Issue::Terminee && lignesToutesOK())) {
        return QString();
    }
    // A folder shows itself; a single file, among the archive's neighbours.
    const QByteArray dossier = dossier_ == "/" ? QByteArray() : dossier_;
    return QFile::decodeName(p.dossier ? dossier + '/' + p.nom : dossier_);
}

ici::Preparation::Publication IciFenetre::publier(bool entier) {
    const ici::Preparation::Publication p = ici_->publier(entier);
    lacher();
    return p;
}

void IciFenetre::lacher() {
    // The folder extracted into is gone or renamed: the archive's folder, where what was
    // extracted now lies, is the current one.
    if (::fchdir(ici_->dossier()) != 0 && ::chdir("/") != 0) {
        qWarning("Korvane: no current directory left");
    }
    ici_.reset();
}

QString IciFenetre::phrase(const ici::Preparation::Publication& p) const {
    if (p.erreur != 0) {
        return QStringLiteral("Ce qui a été extrait n'a pas pu être placé dans le dossier « %1 » "
                              "(%2) : rien n'en est resté.")
            .arg(nomVisible(QFile::decodeName(dossier_)),
                 QString::fromLocal8Bit(std::strerror(p.erreur)));
    }
    return p.nom.isEmpty() ? QString()
                           : QStringLiteral("Ce qui a été extrait est dans « %1 ».")
                                 .arg(nomVisible(QFile::decodeName(p.nom)));
}
