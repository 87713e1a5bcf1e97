// The window's side of a pass: what the helper's pass writes into the window, and how the user
// keeps the window meanwhile, to stop the pass or to leave.

#include "FUnRAR.h"

#include "Assistant.h"
#include "Avancement.h"
#include "Interaction.h"
#include "ListeResultats.h"
#include "Messages.h"
#include "PanneauEtat.h"
#include "TexteVisible.h"
#include "Titres.h"

#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QDialog>
#include <QFile>
#include <QFileInfo>
#include <QScopeGuard>
#include <QSignalBlocker>
#include <QTableView>
#include <QTimer>

#include <cstdlib>

#include <sys/stat.h>

using namespace ModuleRAR;
using platform::interaction;

namespace {

// Rows appear while a pass runs, but telling the list of each row would cost more than the
// library's own work on a large archive: at most once in this interval, well under the tenth of a
// second in which a user sees the list as moving. The progress follows at the same pace.
constexpr int IntervalleRepeintMs = 80;

} // namespace

void FUnRAR::TraiterArchive(int mode, const QString& chemin, const QString& motDePasse,
                            const std::vector<quint32>& selection, ListeResultats* ailleurs) {
    cheminPasse_ = chemin;
    // Typed before any archive was open, a password belongs to the first one it is given to.
    if (motDePasseDe_.isEmpty() && !motDePasse.isEmpty()) {
        motDePasseDe_ = chemin;
    }
    ailleurs_ = ailleurs;
    dureePasse_.start();
    premiereLigneVue_ = false;
    premiereDemande_ = true;
    tailleListee_ = 0;
    fin_ = Fin::Aucune;
    avancement_->debut(mode, chemin == totalDe_ ? total_ : 0, !selection.empty());
    passeEnCours_ = true;
    commandesDuPasse(true);
    horloge_->start(IntervalleRepeintMs);
    const auto finDePasse = [this] {
        horloge_->stop();
        ailleurs_ = nullptr;
        passeEnCours_ = false;
        commandesDuPasse(false);
    };
    auto garde = qScopeGuard(finDePasse); // a failure ends the program through here too
    // The bytes kept for the archive's path when they are those of `chemin`: a name that is not
    // valid in the locale's encoding reaches the library as it is on disk.
    const QByteArray octets = QFile::decodeName(CheminArchiveOctets) == chemin
                                  ? CheminArchiveOctets
                                  : QFile::encodeName(chemin);
    const assistant::Issue issue =
        assistant::executer(*this, mode, octets, motDePasse, selection, this);
    garde.dismiss();
    finDePasse();
    signalerProtection();
    repeindre();
    if (fin_ == Fin::Quitter) {
        publierIci();
        interaction().terminer(0); // as "Quitter" does, once the helper is gone
    }
    const bool interrompue = issue == assistant::Issue::Interrompue;
    avancement_->fin(interrompue);
    if (issue == assistant::Issue::Abandonnee) {
        Check1->setChecked(false); // the password box promises nothing any more
    }
    if (mode == ModeListe && issue == assistant::Issue::Terminee) {
        totalDe_ = chemin;
        total_ = tailleListee_;
    }
    apresPasse(mode, issue);
}

void FUnRAR::demanderFin(Fin fin) {
    fin_ = std::max(fin_, fin);
    assistant::interrompre();
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

void FUnRAR::closeEvent(QCloseEvent* evenement) {
    if (passeEnCours_) {
        // The helper may be writing a file: it goes first, then the program (TraiterArchive).
        evenement->ignore();
        demanderFin(Fin::Quitter);
        return;
    }
    QMainWindow::closeEvent(evenement);
}

void FUnRAR::battement() {
    repeindre();
    avancement_->actualiser(QApplication::activeModalWidget() != nullptr);
}

void FUnRAR::avantBoite() {
    repeindre();
    avancement_->cacher();
    if (ouverture_) {
        // The user is asked about the archive being opened: the window names it already.
        setWindowTitle(TitreFenetre + QStringLiteral(" : ") + nomVisible(CheminArchive));
        panneaux_[2]->clear();
        struct stat fichier {};
        if (::stat(ouverture_->constData(), &fichier) == 0) {
            decrireArchive(fichier.st_size);
        } else {
            panneaux_[1]->clear();
        }
        ouverture_.reset();
    }
}

void FUnRAR::commentaire(const QString& texte, bool tronque) {
    avantBoite();
    interaction().message(this, tronque ? texte + Messages::CommentaireTronque : texte,
                          Messages::TitreCommentaire, platform::Icone::Information);
}

Remplacement FUnRAR::remplacer(const QString& nom) {
    avantBoite(); // the row of the entry in question is in sight
    const QMessageBox::StandardButton reponse = interaction().question(
        this,
        QStringLiteral("Le fichier « %1 » existe déjà. Voulez-vous le remplacer ?")
            .arg(nomVisible(nom)),
        QStringLiteral("Confirmation"),
        QMessageBox::Yes | QMessageBox::YesToAll | QMessageBox::No | QMessageBox::NoToAll);
    return remplacementDe(reponse);
}

void FUnRAR::montrerFenetre() {
    show();
}

void FUnRAR::enTeteResultat(const QString& libelle) {
    lignes()->definirEnTeteResultat(libelle);
}

void FUnRAR::detailsLigne(qint64 compressee, bool dossier, quint32 place) {
    details_ = {compressee, dossier, place};
}

void FUnRAR::nouvelleLigne(const QString& nom, qint64 taille) {
    lignes()->ajouterEnTete(nom, taille, details_.compressee, details_.dossier, details_.place);
    details_ = {};
    avancement_->entree(taille);
    tailleListee_ += std::max<qint64>(0, taille);
    if (!premiereLigneVue_) {
        premiereLigneVue_ = true;
        lignes()->publier(); // the first row shows at once, the others at the window's pace
    }
}

void FUnRAR::resultat(Resultat r, int code) {
    lignes()->ecrireResultat(Messages::texteResultat(r, code));
    avancement_->resultat(r);
}

void FUnRAR::progression(qint64 octets) {
    avancement_->octets(octets);
}

void FUnRAR::entreeSautee(qint64 taille) {
    avancement_->sautee(taille);
}

std::optional<QString> FUnRAR::motDePasse(bool incorrect) {
    show(); // at start-up, the names of an archive are read after its password
    avantBoite();
    // A password kept from another archive was only tried: that it does not fit this one is no
    // news to the user.
    if (premiereDemande_ && !motDePasseDe_.isEmpty() && motDePasseDe_ != cheminPasse_) {
        incorrect = false;
    }
    premiereDemande_ = false;
    const QString libelle = QStringLiteral("Mot de passe de l'archive « %1 » :")
                                .arg(nomVisible(QFileInfo(cheminPasse_).fileName()));
    std::optional<QString> saisi = interaction().motDePasse(
        this, TitreMotDePasse,
        incorrect ? QStringLiteral("Mot de passe incorrect. ") + libelle : libelle);
    if (!saisi || saisi->isEmpty()) {
        return std::nullopt;
    }
    // Kept for the next commands, as if the user had ticked the box and typed it there.
    garderMotDePasse(*saisi, cheminPasse_);
    const QSignalBlocker silence(Check1);
    Check1->setChecked(true);
    return saisi;
}

void FUnRAR::repeindre() {
    lignes()->publier();
}

void FUnRAR::echec(const Messages::Echec& echec) {
    erreurFatale(Messages::texte(echec, nomVisible(cheminPasse_)));
}

void FUnRAR::erreurFatale(const QString& message) {
    publierIci(); // the helper is gone: what it wrote is in its place while the box is up
    avantBoite(); // the rows written so far stay in sight behind the box
    interaction().message(this, message, Messages::TitreErreur, platform::Icone::Exclamation);
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
