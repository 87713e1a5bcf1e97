// The commands of the main window: start-up, the password box, open, close, extract, test, list,
// about, stop and quit, the toolbar's dispatch, a file dropped on the window.

#include "FUnRAR.h"

#include "Assistant.h"
#include "Avancement.h"
#include "BureauFenetre.h"
#include "DosRAR.h"
#include "Ecran.h"
#include "Espace.h"
#include "Interaction.h"
#include "Lecteurs.h"
#include "LigneCommande.h"
#include "ListeResultats.h"
#include "Messages.h"
#include "PanneauEtat.h"
#include "PasseFenetre.h"
#include "PriseFenetre.h"
#include "TexteVisible.h"
#include "Titres.h"
#include "Twips.h"
#include "Volumes.h"

#include <QAction>
#include <QCheckBox>
#include <QCloseEvent>
#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFile>
#include <QFileInfo>
#include <QMimeData>
#include <QStatusBar>
#include <QUrl>

#include <optional>

#include <sys/stat.h>

using namespace ModuleRAR;
using platform::interaction;

namespace {

// A number as the status bar shows it: a blank before it unless it is negative.
QString texteNombre(qint64 n) {
    return n < 0 ? QString::number(n) : QLatin1Char(' ') + QString::number(n);
}

QString texteAPropos() {
    const QStringList lignes{
        QStringLiteral("Korvane version 1.0 - Extraction de fichiers RAR"),
        QString(),
        QStringLiteral("Auteur : l'équipe Korvane"),
        QStringLiteral("E-Mail : korvane@example.org"),
        QStringLiteral("Url : https://korvane.example.org/"),
        QString(),
        QStringLiteral("Bibliothèque UnRAR, interface version %1")
            .arg(assistant::versionBibliotheque()),
    };
    return lignes.join(QLatin1Char('\r'));
}

} // namespace

QString FUnRAR::argumentMotDePasse() const {
    return Check1->isChecked() ? motDePasse_.texte() : QString();
}

void FUnRAR::Check1_Toggled(bool coche) {
    if (!coche) {
        motDePasse_.oublier();
        return;
    }
    const std::optional<QString> saisi = interaction().motDePasse(
        this, TitreMotDePasse, QStringLiteral("Mot de passe de l'archive :"));
    if (!saisi || saisi->isEmpty()) {
        // Without a password the box would promise what no pass delivers.
        Check1->setChecked(false);
        return;
    }
    // Typed with an archive open, it is that archive's; else the next one's.
    motDePasse_.garder(*saisi, commandes_.Mnu_Extraire->isEnabled() ? CheminArchive : QString());
}

// Panel 2: the archive's name, then its size, which is never the part cut.
void FUnRAR::decrireArchive(qint64 taille) {
    panneaux_[1]->setTexte(nomVisible(NomArchive), QStringLiteral(" : ") + texteNombre(taille) +
                                                       QStringLiteral(" Octets "));
}

void FUnRAR::TraiterArchive(int mode, const QString& chemin, const QString& motDePasse,
                            const std::vector<quint32>& selection, ListeResultats* ailleurs) {
    motDePasse_.donnerA(chemin, motDePasse);
    const assistant::Issue issue = passe_->traiter(mode, chemin, motDePasse, selection, ailleurs);
    // Once a pass ran outside the sandbox, the status bar says so for the rest of the run.
    if (const std::optional<assistant::Avertissement> a = assistant::protectionReduite();
        a && protection_ == nullptr) {
        protection_ = new PanneauEtat(platform::pixelsX(this, 1440), true, this);
        protection_->setText(a->texte);
        protection_->setObjectName(QStringLiteral("protection"));
        protection_->setToolTip(a->detail);
        statusBar()->addPermanentWidget(protection_);
        passe_->avancement().ajouterPanneau(protection_);
    }
    if (issue == assistant::Issue::Abandonnee) {
        Check1->setChecked(false); // the password box promises nothing any more
    }
    bureau().nommerPourLecteurs(); // a panel may have come with the pass
}

void FUnRAR::Form_Load(const QByteArray& texteArguments) {
    if (texteArguments.isEmpty()) {
        commandes_.activerArchive(false);
        ecran::montrerBarreEntiere(this);
        return;
    }
    prendreArchive(texteArguments);
    modele_->viderLignes();
    TraiterArchive(ModeListe, CheminArchive, argumentMotDePasse());
    commandes_.activerArchive(true);
    bureau().retenirArchive();
    ecran::montrerBarreEntiere(this);
}

void FUnRAR::prendreArchive(const QByteArray& texteArguments) {
    const StyleChemin style = styleCheminNatif();
    const QByteArray dossierCourant = QFile::encodeName(
        style == StyleChemin::Windows ? QDir::toNativeSeparators(QDir::currentPath())
                                      : QDir::currentPath());
    CheminArchiveOctets =
        volumes::premierVolume(cheminArchiveDepuisArguments(texteArguments, dossierCourant, style));
    CheminArchive = QFile::decodeName(CheminArchiveOctets);
    setWindowTitle(TitreFenetre + QStringLiteral(" : ") + nomVisible(CheminArchive));
}

void FUnRAR::Mnu_Ouvrir_Click() {
    const std::optional<QString> choisi = interaction().ouvrirFichier(
        this, QStringLiteral("Ouvrir un fichier RAR"), QStringLiteral("Fichiers RAR (*.rar)"));
    if (!choisi) {
        return; // cancelled: nothing changes
    }
    ouvrir(QFile::encodeName(*choisi));
}

void FUnRAR::ouvrir(const QByteArray& choisi) {
    const QByteArray octets = volumes::premierVolume(choisi); // a set opens from its first volume
    CheminArchiveOctets = octets;
    CheminArchive = QFile::decodeName(octets);
    NomArchive = CheminArchive.isEmpty() ? QString() : QFileInfo(CheminArchive).fileName();
    if (CheminArchive.isEmpty()) {
        setWindowTitle(TitreFenetre);
        commandes_.activerArchive(false);
        return;
    }

    modele_->viderLignes();
    prise().fermerFiltre(); // what it kept was a part of another archive
    ouverture_ = octets;
    TraiterArchive(ModeListe, CheminArchive, argumentMotDePasse());
    ouverture_.reset();
    bureau().retenirArchive();
    setWindowTitle(TitreFenetre + QStringLiteral(" : ") + nomVisible(CheminArchive));
    commandes_.Mnu_Extraire->setEnabled(true);
    commandes_.Mnu_Tester->setEnabled(true);
    commandes_.Mnu_Lister->setEnabled(true);

    struct stat fichier {};
    if (::stat(octets.constData(), &fichier) != 0) {
        // Gone since the pass: the panels and the buttons keep what they showed.
        return;
    }
    decrireArchive(fichier.st_size);
    panneaux_[2]->setText(texteNombre(modele_->nombreLignes()) + QStringLiteral(" Fichiers "));
    ecran::montrerBarreEntiere(this); // the archive's name and its count are read whole
    commandes_.boutons[1]->setEnabled(true);
    commandes_.boutons[2]->setEnabled(true);
    commandes_.boutons[3]->setEnabled(true);
}

namespace {

// The one local file that a drop carries, as the bytes of its path; nothing for several files,
// a folder, or anything that is not a local file.
std::optional<QByteArray> fichierDepose(const QMimeData* donnees) {
    if (donnees == nullptr || !donnees->hasUrls() || donnees->urls().size() != 1 ||
        !donnees->urls().first().isLocalFile()) {
        return std::nullopt;
    }
    // Decoded from the URL's own bytes: a name that is not valid UTF-8 stays as it is on disk.
    const QByteArray octets = QByteArray::fromPercentEncoding(
        donnees->urls().first().path(QUrl::FullyEncoded).toLatin1());
    struct stat fichier {};
    if (::stat(octets.constData(), &fichier) != 0 || !S_ISREG(fichier.st_mode)) {
        return std::nullopt;
    }
    return octets;
}

} // namespace

void FUnRAR::dragEnterEvent(QDragEnterEvent* evenement) {
    // A drop would open another archive in the middle of a pass.
    if (!passe_->enCours() && fichierDepose(evenement->mimeData())) {
        evenement->acceptProposedAction();
    }
}

void FUnRAR::dropEvent(QDropEvent* evenement) {
    const std::optional<QByteArray> octets =
        passe_->enCours() ? std::nullopt : fichierDepose(evenement->mimeData());
    if (!octets) {
        return;
    }
    evenement->acceptProposedAction();
    ouvrir(*octets);
}

void FUnRAR::Mnu_Fermer_Click() {
    modele_->viderLignes();
    prise().fermerFiltre();
    commandes_.activerArchive(false);
    panneaux_[1]->clear();
    panneaux_[2]->clear();
    passe_->avancement().effacer();
    setWindowTitle(TitreFenetre);
}

void FUnRAR::Mnu_Quitter_Click() {
    if (passe_->enCours()) {
        passe_->demanderFin(PasseFenetre::Fin::Quitter); // the program ends once the helper is gone
        return;
    }
    interaction().terminer(0);
}

void FUnRAR::Mnu_Arreter_Click() {
    if (passe_->enCours()) {
        passe_->demanderFin(PasseFenetre::Fin::Arret);
    }
}

void FUnRAR::closeEvent(QCloseEvent* evenement) {
    if (passe_->enCours()) {
        // The helper may be writing a file: it goes first, then the program (TraiterArchive).
        evenement->ignore();
        passe_->demanderFin(PasseFenetre::Fin::Quitter);
        return;
    }
    QMainWindow::closeEvent(evenement);
}

void FUnRAR::Mnu_Extraire_Click() {
    extraire({});
}

void FUnRAR::extraire(const std::vector<quint32>& selection) {
    DosRAR::afficherModal(this);
    if (DossierDestination.isEmpty() || !assezDePlace(DossierDestination, selection)) {
        return;
    }
    const QString avant = QDir::currentPath();
    try {
        platform::rendreLecteurCourant(platform::lecteurDe(DossierDestination));
        platform::changerDossierCourant(DossierDestination);
    } catch (const platform::ErreurDossier&) {
        // Making the drive current may have moved us already: a refused extraction leaves the
        // process where it was. The library writes under the current directory: never anywhere
        // else.
        QDir::setCurrent(avant);
        interaction().message(this,
                              QStringLiteral("Impossible d'extraire dans le dossier « %1 » : il "
                                             "n'existe plus ou n'est pas accessible.")
                                  .arg(nomVisible(DossierDestination)),
                              Messages::TitreErreur, platform::Icone::Exclamation);
        return;
    }
    passeExtraction(selection);
}

bool FUnRAR::assezDePlace(const QString& dossier, const std::vector<quint32>& selection,
                          int ouvert) {
    const std::optional<qint64> libre =
        ouvert >= 0 ? platform::espaceLibre(ouvert) : platform::espaceLibre(dossier);
    if (!libre) {
        return true; // nothing to tell: the library will say it if the disk fills up
    }
    const std::optional<Travail> travail = passe_->prevoir(CheminArchive, selection);
    qint64 besoin = travail ? travail->octets : 0;
    if (!travail) {
        // Without a listing, the entries need at least about what their volumes hold.
        for (const QByteArray& v :
             volumes::duJeu(CheminArchiveOctets.isEmpty() ? QFile::encodeName(CheminArchive)
                                                          : CheminArchiveOctets)) {
            struct stat s {};
            besoin += ::stat(v.constData(), &s) == 0 ? s.st_size : 0;
        }
    }
    const std::optional<QString> question = questionEspace(besoin, !travail, *libre, dossier);
    return !question ||
           interaction().question(this, *question, QStringLiteral("Place insuffisante"),
                                  QMessageBox::Yes | QMessageBox::No) == QMessageBox::Yes;
}

void FUnRAR::Mnu_Tester_Click() {
    modele_->viderLignes();
    TraiterArchive(ModeTest, CheminArchive, argumentMotDePasse());
}

void FUnRAR::Mnu_Lister_Click() {
    modele_->viderLignes();
    TraiterArchive(ModeListe, CheminArchive, argumentMotDePasse());
}

void FUnRAR::Mnu_APropos_Click() {
    interaction().message(this, texteAPropos(), QStringLiteral("A propos"),
                          platform::Icone::Information);
}

void FUnRAR::Toolbar1_ButtonClick(int index) {
    switch (index) {
    case 1:
        Mnu_Ouvrir_Click();
        break;
    case 2:
        Mnu_Extraire_Click();
        break;
    case 3:
        Mnu_Tester_Click();
        break;
    case 4:
        Mnu_Lister_Click();
        break;
    case 5:
        Mnu_APropos_Click();
        break;
    case 6:
        Mnu_Quitter_Click();
        break;
    default:
        break;
    }
}
