#include "PasseFenetre.h"

#include "CheminsPartages.h"
#include "CodesRAR.h"
#include "DemandeFermeture.h"
#include "Interaction.h"
#include "ListeResultats.h"
#include "Messages.h"
#include "Notification.h"
#include "TexteVisible.h"
#include "Titres.h"
#include "Volumes.h"

#include <QApplication>
#include <QDialog>
#include <QFile>
#include <QFileInfo>
#include <QScopeGuard>
#include <QStatusBar>
#include <QTimer>
#include <QWidget>

#include <algorithm>
#include <cstdlib>
#include <utility>

#include <sys/stat.h>

using namespace ModuleRAR;
using platform::interaction;

namespace {

// Rows appear while a pass runs, but telling the list of each row would cost more than the
// library's own work on a large archive: at most once in this interval, well under the tenth of a
// second in which a user sees the list as moving. The progress follows at the same pace.
constexpr int IntervalleRepeintMs = 80;

} // namespace

PasseFenetre::PasseFenetre(QWidget& fenetre, Fenetre& cote, ListeResultats& liste,
                           QStatusBar* barre, std::vector<PanneauEtat*> panneaux)
    : fenetre_(fenetre)
    , cote_(cote)
    , liste_(liste)
    , lignes_(&liste)
    , avancement_(std::make_unique<Avancement>(barre, std::move(panneaux)))
    , horloge_(new QTimer(&fenetre))
    , duree_(fenetre) {
    QObject::connect(horloge_, &QTimer::timeout, horloge_, [this] { battement(); });
    // A modal box keeps the window manager's close requests from the window: a pass must still end
    // on them.
    platform::suivreFermetureBloquee(&fenetre, [this] {
        if (enCours_) {
            demanderFin(Fin::Quitter);
        }
    });
}

PasseFenetre::~PasseFenetre() = default;

assistant::Issue PasseFenetre::traiter(int mode, const QString& chemin, const QString& motDePasse,
                                       const std::vector<quint32>& selection,
                                       ListeResultats* ailleurs) {
    chemin_ = chemin;
    lignes_ = ailleurs != nullptr ? ailleurs : &liste_;
    duree_.start();
    premiereLigneVue_ = false;
    premiereDemande_ = true;
    comptes_ = {};
    fin_ = Fin::Aucune;
    const bool prevue = prevu_ && prevu_->chemin == chemin && prevu_->selection == selection;
    avancement_->debut(mode, prevue ? prevu_->travail : prevoir(chemin, selection),
                       !selection.empty());
    prevu_.reset();
    enCours_ = true;
    notification::preparer();
    cote_.commandesDuPasse(true);
    horloge_->start(IntervalleRepeintMs);
    const auto finDePasse = [this] {
        horloge_->stop();
        lignes_ = &liste_;
        enCours_ = false;
        cote_.commandesDuPasse(false);
    };
    auto garde = qScopeGuard(finDePasse); // a failure ends the program through here too
    // The bytes kept for the archive's path when they are those of `chemin`: a name that is not
    // valid in the locale's encoding reaches the library as it is on disk.
    const QByteArray octets = QFile::decodeName(CheminArchiveOctets) == chemin
                                  ? CheminArchiveOctets
                                  : QFile::encodeName(chemin);
    const assistant::Issue issue =
        assistant::executer(*this, mode, octets, motDePasse, selection, &fenetre_);
    garde.dismiss();
    finDePasse();
    repeindre();
    if (fin_ == Fin::Quitter) {
        cote_.ranger(true);
        interaction().terminer(0); // as "Quitter" does, once the helper is gone
    }
    avancement_->fin(issue == assistant::Issue::Interrompue,
                     mode == ModeExtraction && ailleurs == nullptr ? cote_.dossierExtrait(issue)
                                                                   : QString());
    apresPasse(mode, issue);
    return issue;
}

std::optional<Travail> PasseFenetre::prevoir(const QString& chemin,
                                             const std::vector<quint32>& selection) {
    prevu_.reset();
    if (selection.empty()) {
        if (!infos_.liste || infos_.chemin != chemin) {
            return std::nullopt;
        }
        return Travail{infos_.fichiers + infos_.dossiers, infos_.taille};
    }
    Travail t;
    for (int n = 0; n < liste_.nombreLignes(); ++n) {
        if (std::binary_search(selection.begin(), selection.end(), liste_.place(n))) {
            ++t.entrees;
            t.octets += std::max<qint64>(0, liste_.taille(n));
        }
    }
    if (t.entrees == 0) {
        return std::nullopt; // the rows are gone: nothing to tell
    }
    prevu_ = Prevu{chemin, selection, t};
    return t;
}

void PasseFenetre::demanderFin(Fin fin) {
    fin_ = std::max(fin_, fin);
    assistant::interrompre(fin_ != Fin::Quitter); // the rows matter only to a window that stays
    if (fin != Fin::Quitter) {
        return;
    }
    // The pass's loop lies beneath the boxes opened since it began: they go, each as if its user
    // had cancelled it, so that the program can end.
    for (int i = 0; i < 32; ++i) {
        QWidget* boite = QApplication::activeModalWidget();
        if (boite == nullptr) {
            break;
        }
        if (auto* dialogue = qobject_cast<QDialog*>(boite)) {
            dialogue->reject();
        } else {
            boite->close();
        }
    }
}

void PasseFenetre::apresPasse(int mode, assistant::Issue issue) {
    ++passes_;
    issue_ = issue;
    if (mode == ModeListe && issue == assistant::Issue::Terminee && infos_.chemin == chemin_) {
        InfosArchive& i = infos_;
        i.liste = true;
        i.fichiers = comptes_.fichiers;
        i.dossiers = comptes_.dossiers;
        i.taille = comptes_.taille;
        i.compressee = comptes_.compressee;
        if ((i.drapeaux & ROADF_VOLUME) != 0) {
            // A listing gives an entry split over volumes the packed size of its first part
            // only: a set weighs what its files weigh.
            i.compressee = 0;
            for (const QByteArray& v : volumes::duJeu(QFile::encodeName(chemin_))) {
                struct stat s {};
                i.compressee += ::stat(v.constData(), &s) == 0 ? s.st_size : 0;
            }
        }
    }
    if (duree_.elapsed() > notification::PasseLongueMs && !fenetre_.isActiveWindow() &&
        issue != assistant::Issue::Abandonnee) {
        notification::envoyer(notification::titre(chemin_),
                              notification::texte(mode, avancement_->texteBilan(),
                                                  issue == assistant::Issue::Interrompue,
                                                  liste_.nombreLignes()),
                              avancement_->dossierExtrait());
    }
}

void PasseFenetre::battement() {
    repeindre();
    avancement_->actualiser(QApplication::activeModalWidget() != nullptr);
}

void PasseFenetre::repeindre() {
    lignes_->publier();
}

void PasseFenetre::avantBoite() {
    repeindre();
    avancement_->cacher();
    cote_.avantBoite();
}

void PasseFenetre::commentaire(const QString& texte, bool tronque) {
    avantBoite();
    interaction().message(&fenetre_, tronque ? texte + Messages::CommentaireTronque : texte,
                          Messages::TitreCommentaire, platform::Icone::Information);
}

Remplacement PasseFenetre::remplacer(const QString& nom) {
    avantBoite(); // the row of the entry in question is in sight
    const QMessageBox::StandardButton reponse = interaction().question(
        &fenetre_,
        QStringLiteral("Le fichier « %1 » existe déjà. Voulez-vous le remplacer ?")
            .arg(nomVisible(nom)),
        QStringLiteral("Confirmation"),
        QMessageBox::Yes | QMessageBox::YesToAll | QMessageBox::No | QMessageBox::NoToAll);
    return remplacementDe(reponse);
}

void PasseFenetre::montrerFenetre() {
    fenetre_.show();
}

void PasseFenetre::enTeteResultat(const QString& libelle) {
    lignes_->definirEnTeteResultat(libelle);
}

void PasseFenetre::detailsLigne(const DetailsEntree& details) {
    details_ = details;
}

void PasseFenetre::nouvelleLigne(const QString& nom, qint64 taille) {
    lignes_->ajouterEnTete(nom, taille, details_);
    ligneAjoutee(taille);
}

void PasseFenetre::nouvelleLigneAscii(QByteArrayView nom, qint64 taille) {
    lignes_->ajouterEnTete(nom, taille, details_);
    ligneAjoutee(taille);
}

void PasseFenetre::ligneAjoutee(qint64 taille) {
    ++(details_.dossier() ? comptes_.dossiers : comptes_.fichiers);
    comptes_.taille += std::max<qint64>(0, taille);
    comptes_.compressee += std::max<qint64>(0, details_.compressee);
    details_ = {};
    avancement_->entree(taille);
    if (!premiereLigneVue_) {
        premiereLigneVue_ = true;
        lignes_->publier(); // the first row shows at once, the others at the window's pace
    }
}

void PasseFenetre::resultat(Resultat r, int code) {
    lignes_->ecrireResultat(Messages::texteResultat(r, code));
    avancement_->resultat(r);
}

void PasseFenetre::progression(qint64 octets) {
    avancement_->octets(octets);
}

void PasseFenetre::entreeSautee(qint64 taille) {
    avancement_->sautee(taille);
}

std::optional<QString> PasseFenetre::motDePasse(bool incorrect) {
    fenetre_.show(); // at start-up, the names of an archive are read after its password
    avantBoite();
    // A password kept from another archive was only tried: that it does not fit this one is no
    // news to the user.
    const QString archive = cote_.archiveDuMotDePasse();
    if (premiereDemande_ && !archive.isEmpty() && archive != chemin_) {
        incorrect = false;
    }
    premiereDemande_ = false;
    const QString libelle = QStringLiteral("Mot de passe de l'archive « %1 » :")
                                .arg(nomVisible(QFileInfo(chemin_).fileName()));
    std::optional<QString> saisi = interaction().motDePasse(
        &fenetre_, TitreMotDePasse,
        incorrect ? QStringLiteral("Mot de passe incorrect. ") + libelle : libelle);
    if (!saisi || saisi->isEmpty()) {
        return std::nullopt;
    }
    cote_.motDePasseSaisi(*saisi, chemin_);
    return saisi;
}

void PasseFenetre::archive(quint32 drapeaux, int format) {
    if (infos_.chemin != chemin_) {
        infos_ = InfosArchive{};
        infos_.chemin = chemin_;
    }
    infos_.ouverte = true;
    infos_.drapeaux = drapeaux;
    infos_.format = format;
}

void PasseFenetre::volumesLus(int nombre) {
    if (infos_.chemin == chemin_) {
        infos_.volumes = nombre;
    }
}

void PasseFenetre::echec(const Messages::Echec& echec) {
    const QString dossier = cote_.destination();
    const QString nom = QFileInfo(dossier).fileName();
    erreurFatale(
        Messages::texte(echec, nomVisible(chemin_), nomVisible(nom.isEmpty() ? dossier : nom)),
        echec.genre != Messages::Echec::Genre::Place);
}

void PasseFenetre::erreurFatale(const QString& message, bool garder) {
    // The helper is gone: what it wrote is in its place while the box is up.
    const QString range = cote_.ranger(garder);
    avantBoite(); // the rows written so far stay in sight behind the box
    interaction().message(&fenetre_, range.isEmpty() ? message : message + '\n' + range,
                          Messages::TitreErreur, platform::Icone::Exclamation);
    interaction().terminer(1);
    std::abort(); // terminer() never returns; this only tells the compiler so
}

Remplacement remplacementDe(QMessageBox::StandardButton bouton) {
    switch (bouton) {
    case QMessageBox::Yes:
        return Remplacement::Oui;
    case QMessageBox::YesToAll:
        return Remplacement::OuiPourTous;
    case QMessageBox::NoToAll:
        return Remplacement::NonPourTous;
    default:
        return Remplacement::Non; // a box closed otherwise keeps the user's file
    }
}
