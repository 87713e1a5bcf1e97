// Finding and taking entries in the list: the filter under the list, sorting by a column, the
// rows chosen and what they give (an extraction of them alone, their text), the list saved, and
// one entry opened in the desktop's application for its type.

#include "PriseFenetre.h"

#include "Avancement.h"
#include "BarreFiltre.h"
#include "CheminsPartages.h"
#include "Interaction.h"
#include "ListeMontree.h"
#include "ListeResultats.h"
#include "Messages.h"
#include "Nombres.h"
#include "Ouverture.h"
#include "PanneauEtat.h"
#include "PasseFenetre.h"
#include "Prise.h"
#include "TexteVisible.h"
#include "Twips.h"

#include <QAction>
#include <QApplication>
#include <QBoxLayout>
#include <QClipboard>
#include <QDir>
#include <QFileInfo>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QPointer>
#include <QSaveFile>
#include <QScopeGuard>
#include <QStatusBar>
#include <QTableView>

#include <algorithm>

using namespace ModuleRAR;
using platform::interaction;

namespace {

// The list's keys that are not the view's own: Return opens the current row, Escape closes the
// filter when no pass takes it.
class ToucheListe final : public QObject {
public:
    ToucheListe(QObject* parent, std::function<bool(int)> touche)
        : QObject(parent)
        , touche_(std::move(touche)) {}

protected:
    bool eventFilter(QObject* objet, QEvent* evenement) override {
        if (evenement->type() == QEvent::KeyPress &&
            static_cast<QKeyEvent*>(evenement)->modifiers() == Qt::NoModifier &&
            touche_(static_cast<QKeyEvent*>(evenement)->key())) {
            return true;
        }
        return QObject::eventFilter(objet, evenement);
    }

private:
    std::function<bool(int)> touche_;
};

// A command of the window, found by tests and screen readers by its object name.
QAction* nouvelleAction(QMainWindow* fenetre, const char* nom, const QString& texte) {
    auto* a = new QAction(texte, fenetre);
    a->setObjectName(QString::fromLatin1(nom));
    return a;
}

} // namespace

PriseFenetre::PriseFenetre(QMainWindow* fenetre, QTableView* vue, ListeResultats& modele,
                           ListeMontree& montree, QAction* extraire, PasseFenetre& passe,
                           Fenetre& demandes)
    : fenetre_(fenetre)
    , ListView1(vue)
    , modele_(modele)
    , montree_(montree)
    , Mnu_Extraire(extraire)
    , passe_(passe)
    , demandes_(demandes)
    , glisser_(vue, modele, *this) {
    creerCommandes();
    // The filter's bar: the window keeps its layout until it is first asked for.
    barreFiltre_ = new BarreFiltre(
        fenetre_->centralWidget(), [this] { fermerFiltre(); },
        [this] {
            // What the user went to is taken at once: "Extraire la sélection" and Ctrl+C act on it.
            ListView1->setFocus();
            QModelIndex ligne = ListView1->currentIndex();
            if (!ligne.isValid() && montree_.rowCount() > 0) {
                ligne = montree_.index(0, 0);
            }
            if (ligne.isValid() && !ListView1->selectionModel()->hasSelection()) {
                ListView1->selectionModel()->setCurrentIndex(
                    ligne, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
            }
        });
    static_cast<QBoxLayout*>(fenetre_->centralWidget()->layout())->addWidget(barreFiltre_);
    connect(barreFiltre_->champ(), &QLineEdit::textChanged, this, &PriseFenetre::filtrer);

    compte_ = new PanneauEtat(platform::pixelsX(fenetre_, 1440), false, fenetre_);
    compte_->setObjectName(QStringLiteral("compte"));
    compte_->hide();
    fenetre_->statusBar()->addWidget(compte_);
    passe_.avancement().ajouterPanneau(compte_);
    passe_.avancement().ajouterTemoin(compte_);

    // Goes with this object, and its filter with it: the keys never reach a room that is gone.
    ListView1->installEventFilter(new ToucheListe(this, [this](int touche) {
        if (touche == Qt::Key_Return || touche == Qt::Key_Enter) {
            ouvrirLigne(ListView1->currentIndex().row());
            return true;
        }
        if (touche == Qt::Key_Escape && !barreFiltre_->isHidden()) {
            fermerFiltre();
            return true;
        }
        return false;
    }));
    connect(ListView1, &QAbstractItemView::doubleClicked, this,
            [this](const QModelIndex& index) { ouvrirLigne(index.row()); });
    connect(ListView1->horizontalHeader(), &QHeaderView::sectionClicked, this,
            &PriseFenetre::trierPar);
    connect(&montree_, &ListeMontree::ordreDuPasse, this, &PriseFenetre::montrerTri);
    // What the rows chosen can do, and the count of the rows the filter keeps, follow the rows.
    connect(ListView1->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            &PriseFenetre::priseActive);
    connect(ListView1->selectionModel(), &QItemSelectionModel::currentChanged, this,
            &PriseFenetre::priseActive);
    connect(Mnu_Extraire, &QAction::enabledChanged, this, &PriseFenetre::priseActive);
    for (QAbstractItemModel* m : {static_cast<QAbstractItemModel*>(&modele_),
                                  static_cast<QAbstractItemModel*>(&montree_)}) {
        connect(m, &QAbstractItemModel::rowsInserted, this, &PriseFenetre::priseActive);
        connect(m, &QAbstractItemModel::modelReset, this, &PriseFenetre::priseActive);
    }
    priseActive();
}

void PriseFenetre::creerCommandes() {
    Mnu_Filtrer = nouvelleAction(fenetre_, "Mnu_Filtrer", QStringLiteral("&Filtrer…"));
    Mnu_Filtrer->setShortcut(QKeySequence::Find);
    fenetre_->addAction(Mnu_Filtrer); // Ctrl+F from anywhere in the window
    Mnu_ExtraireSelection =
        nouvelleAction(fenetre_, "Mnu_ExtraireSelection", QStringLiteral("Extraire la &sélection"));
    Mnu_Copier = nouvelleAction(fenetre_, "Mnu_Copier", QStringLiteral("&Copier"));
    Mnu_Copier->setShortcut(QKeySequence::Copy);
    Mnu_Copier->setShortcutContext(Qt::WidgetShortcut); // the filter's field copies its own text
    ListView1->addAction(Mnu_Copier);
    Mnu_EnregistrerListe =
        nouvelleAction(fenetre_, "Mnu_EnregistrerListe", QStringLiteral("&Enregistrer la liste…"));
    Mnu_OuvrirLigne = nouvelleAction(fenetre_, "Mnu_OuvrirLigne", QStringLiteral("&Ouvrir"));
    connect(Mnu_Filtrer, &QAction::triggered, this, &PriseFenetre::Mnu_Filtrer_Click);
    connect(Mnu_ExtraireSelection, &QAction::triggered, this,
            &PriseFenetre::Mnu_ExtraireSelection_Click);
    connect(Mnu_Copier, &QAction::triggered, this, &PriseFenetre::Mnu_Copier_Click);
    connect(Mnu_EnregistrerListe, &QAction::triggered, this,
            &PriseFenetre::Mnu_EnregistrerListe_Click);
    connect(Mnu_OuvrirLigne, &QAction::triggered, this,
            [this] { ouvrirLigne(ListView1->currentIndex().row()); });

    QMenuBar* menus = fenetre_->menuBar();
    auto* fichier = menus->findChild<QMenu*>(QStringLiteral("Mnu_Fichier"));
    fichier->insertAction(fichier->findChild<QAction*>(QStringLiteral("sep1")),
                          Mnu_EnregistrerListe);
    menus->findChild<QMenu*>(QStringLiteral("Mnu_Action"))
        ->insertAction(fenetre_->findChild<QAction*>(QStringLiteral("Mnu_Tester")),
                       Mnu_ExtraireSelection);
    auto* menuLignes = new QMenu(ListView1);
    menuLignes->setObjectName(QStringLiteral("menuLignes"));
    menuLignes->addActions({Mnu_OuvrirLigne, Mnu_ExtraireSelection, Mnu_Copier});
    menuLignes->addSeparator();
    menuLignes->addAction(Mnu_Filtrer);
    ListView1->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(ListView1, &QWidget::customContextMenuRequested, this, [this, menuLignes](QPoint ou) {
        menuLignes->popup(ListView1->viewport()->mapToGlobal(ou));
    });
}

QLineEdit* PriseFenetre::champFiltre() const {
    return barreFiltre_->champ();
}

bool PriseFenetre::passePossible() const {
    return Mnu_Extraire->isEnabled();
}

void PriseFenetre::extraireEntrees(const std::vector<quint32>& places, ListeResultats& lignes) {
    demandes_.extraireEntrees(places, lignes);
}

void PriseFenetre::priseActive() {
    const bool choisies = ListView1->selectionModel()->hasSelection();
    // Off during a pass, and without an archive open, as the extract command is.
    Mnu_ExtraireSelection->setEnabled(choisies && Mnu_Extraire->isEnabled());
    Mnu_OuvrirLigne->setEnabled(ListView1->currentIndex().isValid() && Mnu_Extraire->isEnabled());
    Mnu_Copier->setEnabled(choisies);
    Mnu_EnregistrerListe->setEnabled(montree_.total() > 0);
    compte_->setText(
        montree_.filtre()
            ? QStringLiteral("%1 sur %2").arg(nombre(montree_.rowCount()), nombre(montree_.total()))
            : QString());
    if (compte_->isHidden() == montree_.filtre()) {
        compte_->setVisible(montree_.filtre());
        passe_.avancement().placer();
        demandes_.montrerBarreEntiere(); // the count beside the archive's name, both whole
    }
}

std::vector<int> PriseFenetre::rangsChoisis() const {
    std::vector<int> lignes;
    for (const QItemSelectionRange& r : ListView1->selectionModel()->selection()) {
        for (int l = r.top(); l <= r.bottom(); ++l) {
            lignes.push_back(l);
        }
    }
    std::sort(lignes.begin(), lignes.end());
    lignes.erase(std::unique(lignes.begin(), lignes.end()), lignes.end());
    for (int& l : lignes) {
        l = montree_.rangSource(l);
    }
    return lignes;
}

void PriseFenetre::garderSelection(const std::function<void()>& changement) {
    std::vector<int> rangs = rangsChoisis();
    const QModelIndex courant = ListView1->currentIndex();
    rangs.push_back(courant.isValid() ? montree_.rangSource(courant.row()) : -1);
    changement();
    if (rangs.size() == 1 && rangs.back() < 0) {
        return; // nothing to find again
    }
    std::vector<int> lignes = montree_.lignesDe(rangs);
    const int ligneCourante = lignes.back();
    lignes.pop_back();
    std::sort(lignes.begin(), lignes.end());
    QItemSelection selection;
    const int derniere = montree_.columnCount() - 1;
    for (std::size_t i = 0; i < lignes.size();) {
        std::size_t j = i;
        while (j + 1 < lignes.size() && lignes[j + 1] == lignes[j] + 1) {
            ++j;
        }
        if (lignes[i] >= 0) {
            selection.select(montree_.index(lignes[i], 0), montree_.index(lignes[j], derniere));
        }
        i = j + 1;
    }
    QItemSelectionModel* choix = ListView1->selectionModel();
    if (ligneCourante >= 0) {
        choix->setCurrentIndex(montree_.index(ligneCourante, 0), QItemSelectionModel::NoUpdate);
        ListView1->scrollTo(ListView1->currentIndex());
    }
    choix->select(selection, QItemSelectionModel::ClearAndSelect);
}

void PriseFenetre::Mnu_Filtrer_Click() {
    barreFiltre_->ouvrir();
}

void PriseFenetre::filtrer(const QString& texte) {
    garderSelection([this, &texte] { montree_.filtrer(texte); });
    priseActive();
}

void PriseFenetre::fermerFiltre() {
    barreFiltre_->fermer();
    ListView1->setFocus(Qt::ShortcutFocusReason);
}

void PriseFenetre::trierPar(int colonne) {
    // A pass shows its rows in its own order; the order of rows yet to come cannot be chosen.
    if (!passe_.enCours() && montree_.total() > 0) {
        const bool inverse =
            montree_.colonneTri() == colonne && montree_.ordreTri() == Qt::AscendingOrder;
        garderSelection([this, colonne, inverse] {
            montree_.trier(colonne, inverse ? Qt::DescendingOrder : Qt::AscendingOrder);
        });
    }
    montrerTri(); // the header turned its arrow on the click: it shows the list's order again
}

void PriseFenetre::montrerTri() {
    QHeaderView* entetes = ListView1->horizontalHeader();
    entetes->setSortIndicatorShown(montree_.colonneTri() >= 0);
    entetes->setSortIndicator(montree_.colonneTri(), montree_.ordreTri());
}

void PriseFenetre::Mnu_ExtraireSelection_Click() {
    const std::vector<quint32> places = placesChoisies(modele_, rangsChoisis());
    if (!places.empty()) {
        demandes_.extraire(places);
    }
}

void PriseFenetre::Mnu_Copier_Click() {
    const std::vector<int> rangs = rangsChoisis();
    if (!rangs.empty()) {
        QApplication::clipboard()->setText(lignesEnTexte(modele_, rangs));
    }
}

void PriseFenetre::Mnu_EnregistrerListe_Click() {
    const QFileInfo archive(CheminArchive);
    const std::optional<QString> chemin = interaction().enregistrerFichier(
        fenetre_, QStringLiteral("Enregistrer la liste"), QStringLiteral("Fichiers texte (*.txt)"),
        archive.dir().filePath(nomVisible(archive.completeBaseName()) + QStringLiteral(".txt")));
    if (!chemin || chemin->isEmpty()) {
        return;
    }
    QSaveFile fichier(*chemin);
    if (fichier.open(QIODevice::WriteOnly)) {
        fichier.write(nomVisible(CheminArchive).toUtf8() + '\n' +
                      lignesEnTexte(modele_, montree_.rangsDansLOrdre()).toUtf8());
    }
    if (!fichier.commit()) {
        interaction().message(fenetre_,
                              QStringLiteral("Impossible d'enregistrer la liste dans « %1 » : %2")
                                  .arg(nomVisible(*chemin), fichier.errorString()),
                              Messages::TitreErreur, platform::Icone::Exclamation);
    }
}

void PriseFenetre::ouvrirLigne(int ligne) {
    // Only with an archive open and no pass running, as every command that starts a pass.
    if (ligne < 0 || ligne >= montree_.rowCount() || !Mnu_Extraire->isEnabled()) {
        return;
    }
    const int rang = montree_.rangSource(ligne);
    const QString nom = modele_.texte(rang, ListeResultats::ColonneFichier);
    if (modele_.estDossier(rang)) {
        barreFiltre_->show();
        barreFiltre_->champ()->setText(nomVisible(nom) + QLatin1Char('/'));
        ListView1->setFocus();
        ListView1->setCurrentIndex(montree_.index(0, 0));
        return;
    }
    const auto dire = [this](const QString& texte) {
        interaction().message(fenetre_, texte, Messages::TitreErreur, platform::Icone::Exclamation);
    };
    const QString dossier = ouverture::dossierNeuf();
    if (dossier.isEmpty()) {
        dire(QStringLiteral("Impossible de créer un dossier temporaire où extraire « %1 ».")
                 .arg(nomVisible(nom)));
        return;
    }
    // What the desktop does not take leaves nothing behind, decrypted: it goes before any box.
    auto menage = qScopeGuard([&dossier] { ouverture::retirer(dossier); });
    const auto refuser = [&dire, &dossier](const QString& texte) {
        ouverture::retirer(dossier);
        dire(texte);
    };
    // Extracted as any entry is, the library writing under the current directory; its row goes
    // apart, the list keeping its own.
    ListeResultats ligneSeule;
    const QString avant = QDir::currentPath();
    QDir::setCurrent(dossier);
    demandes_.extraireEntrees({modele_.place(rang)}, ligneSeule);
    QDir::setCurrent(avant);
    const QString resultat = ligneSeule.nombreLignes() > 0
                                 ? ligneSeule.texte(0, ListeResultats::ColonneResultat)
                                 : QString();
    if (resultat != Messages::texteResultat(Resultat::OK, 0)) {
        // Nothing to say when the user stopped the pass or gave no password.
        if (!resultat.isEmpty() && resultat != Messages::texteResultat(Resultat::Interrompu, 0)) {
            refuser(QStringLiteral("« %1 » n'a pas pu être extrait : %2.")
                        .arg(nomVisible(nom), resultat));
        }
        return;
    }
    const QString extrait = ouverture::fichierExtrait(dossier);
    if (extrait.isEmpty()) {
        refuser(QStringLiteral("« %1 » n'est pas un fichier ordinaire : Korvane ne l'ouvre pas.")
                    .arg(nomVisible(nom)));
        return;
    }
    if (!ouverture::montrable(extrait)) {
        refuser(
            QStringLiteral("Korvane n'ouvre que les documents, images, sons et vidéos : extrayez "
                           "« %1 » pour l'ouvrir vous-même.")
                .arg(nomVisible(nom)));
        return;
    }
    QFile::setPermissions(extrait, QFileDevice::ReadOwner); // the application only reads it
    menage.dismiss(); // the application reads it until the program ends
    const quint32 place = modele_.place(rang);
    interaction().ouvrirDocument(extrait, [fenetre = QPointer<PriseFenetre>(this), dossier, nom,
                                           place, archive = CheminArchive] {
        ouverture::retirer(dossier); // read by nothing, it goes before any box
        if (fenetre) {
            fenetre->refusOuverture(nom, place, archive);
        }
    });
}

void PriseFenetre::refusOuverture(const QString& nom, quint32 place, const QString& archive) {
    const QString texte =
        QStringLiteral("Aucune application du bureau n'ouvre « %1 ».").arg(nomVisible(nom));
    // The desktop may answer late: the entry is offered while its archive is open and idle.
    if (CheminArchive != archive || !Mnu_Extraire->isEnabled()) {
        interaction().message(fenetre_, texte, Messages::TitreErreur, platform::Icone::Exclamation);
        return;
    }
    if (interaction().question(fenetre_,
                               texte + QStringLiteral(" L'extraire dans un dossier de votre choix, "
                                                      "comme « Extraire la sélection » ?"),
                               Messages::TitreErreur,
                               QMessageBox::Yes | QMessageBox::No) == QMessageBox::Yes) {
        demandes_.extraire({place});
    }
}
