#include "BureauFenetre.h"

#include "AccesAvancement.h"
#include "ArchivesRecentes.h"
#include "CheminsPartages.h"
#include "ListeResultats.h"
#include "PasseFenetre.h"
#include "Proprietes.h"
#include "TexteVisible.h"

#include <QAbstractItemView>
#include <QAction>
#include <QFile>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QToolBar>

using namespace ModuleRAR;

BureauFenetre::BureauFenetre(QMainWindow* fenetre, QAction* extraire, QAction* ouvrir,
                             QAction* fermer, QToolBar* barre, const PasseFenetre& passe,
                             Fenetre& demandes)
    : fenetre_(fenetre)
    , barre_(barre)
    , passe_(passe)
    , demandes_(demandes) {
    Mnu_Proprietes = new QAction(QStringLiteral("&Propriétés…"), fenetre);
    Mnu_Proprietes->setObjectName(QStringLiteral("Mnu_Proprietes"));
    Mnu_Proprietes->setShortcuts(
        {QKeySequence(Qt::ALT | Qt::Key_Return), QKeySequence(Qt::ALT | Qt::Key_Enter)});
    Mnu_Proprietes->setEnabled(false);
    connect(Mnu_Proprietes, &QAction::triggered, this, &BureauFenetre::Mnu_Proprietes_Click);
    // An archive is open exactly while the archive controls are on.
    connect(extraire, &QAction::enabledChanged, Mnu_Proprietes, &QAction::setEnabled);

    Mnu_Recentes = new QMenu(QStringLiteral("Archives &récentes"), fenetre);
    Mnu_Recentes->setObjectName(QStringLiteral("Mnu_Recentes"));
    Mnu_Recentes->setToolTipsVisible(true);
    connect(Mnu_Recentes, &QMenu::aboutToShow, this, &BureauFenetre::remplirRecentes);
    // Opening one is opening an archive: not in the middle of a pass.
    connect(ouvrir, &QAction::enabledChanged, Mnu_Recentes->menuAction(), &QAction::setEnabled);

    auto* fichier = fenetre->menuBar()->findChild<QMenu*>(QStringLiteral("Mnu_Fichier"));
    fichier->insertMenu(fermer, Mnu_Recentes);
    fichier->insertAction(fichier->findChild<QAction*>(QStringLiteral("sep1")), Mnu_Proprietes);
    remplirRecentes();
    lecteurs::installerAvancement();
    nommerPourLecteurs();
}

void BureauFenetre::remplirRecentes() {
    Mnu_Recentes->clear();
    const QList<ArchivesRecentes::Entree> entrees = ArchivesRecentes().entrees();
    for (const ArchivesRecentes::Entree& e : entrees) {
        QAction* a = Mnu_Recentes->addAction(e.texte);
        a->setToolTip(bulleLitterale(e.bulle));
        a->setEnabled(e.presente);
        connect(a, &QAction::triggered, this, [this, chemin = e.chemin] {
            if (!passe_.enCours()) {
                demandes_.ouvrirRecente(chemin);
            }
        });
    }
    if (entrees.isEmpty()) {
        Mnu_Recentes->addAction(QStringLiteral("(aucune)"))->setEnabled(false);
    }
    Mnu_Recentes->addSeparator();
    QAction* effacer = Mnu_Recentes->addAction(QStringLiteral("Effacer la liste"));
    effacer->setObjectName(QStringLiteral("Mnu_EffacerRecentes"));
    effacer->setEnabled(!entrees.isEmpty());
    connect(effacer, &QAction::triggered, this, [this] {
        ArchivesRecentes().effacer();
        remplirRecentes();
    });
}

void BureauFenetre::retenirArchive() {
    const QByteArray chemin =
        CheminArchiveOctets.isEmpty() ? QFile::encodeName(CheminArchive) : CheminArchiveOctets;
    if (chemin.startsWith('/')) {
        ArchivesRecentes().ajouter(chemin);
    }
}

void BureauFenetre::Mnu_Proprietes_Click() {
    InfosArchive infos = passe_.infos();
    if (infos.chemin != CheminArchive) {
        // Opened but not read through the library since (a pass that failed ends the program).
        infos = InfosArchive{};
        infos.chemin = CheminArchive;
    }
    // One row chosen: its entry too; several say nothing that one box could hold.
    QList<QPair<QString, QString>> entree;
    if (const auto* vue = fenetre_->findChild<QAbstractItemView*>(QStringLiteral("ListView1"))) {
        if (const QModelIndexList choisies = vue->selectionModel()->selectedRows();
            choisies.size() == 1) {
            entree = choisies.first()
                         .data(ListeResultats::RoleDetails)
                         .value<QList<QPair<QString, QString>>>();
        }
    }
    montrerProprietes(fenetre_, infos, entree);
}

void BureauFenetre::nommerPourLecteurs() {
    struct Nom {
        const char* objet;
        QString nom;
        QString description;
    };
    const Nom noms[] = {
        {"Toolbar1", QStringLiteral("Barre d'outils"),
         QStringLiteral("Ouvrir, extraire, tester, lister, à propos et quitter")},
        {"Check1", QStringLiteral("Mot de passe"),
         QStringLiteral("Cochée, le mot de passe saisi est donné à chaque passage ; la cocher "
                        "ouvre sa saisie")},
        {"ListView1", QStringLiteral("Entrées de l'archive"),
         QStringLiteral("Une ligne par entrée, la dernière en haut : nom, taille, résultat")},
        {"StatusBar1", QStringLiteral("Barre d'état"),
         QStringLiteral("Le programme, l'archive ouverte et ce qu'il est advenu du passage")},
        {"StatusBar1_1", QStringLiteral("Programme"), QStringLiteral("Nom et version de Korvane")},
        {"StatusBar1_2", QStringLiteral("Archive"),
         QStringLiteral("Nom de l'archive ouverte et sa taille en octets")},
        {"StatusBar1_3", QStringLiteral("Fichiers"),
         QStringLiteral("Nombre d'entrées listées à l'ouverture")},
        {"bilan", QStringLiteral("Bilan"),
         QStringLiteral("Ce qu'il est advenu des entrées du dernier test ou de la dernière "
                        "extraction")},
        {"ouvrirDossier", QStringLiteral("Ouvrir le dossier"),
         QStringLiteral("Montre dans le gestionnaire de fichiers le dossier de la dernière "
                        "extraction")},
        {"progressionPasse", QStringLiteral("Avancement du passage"),
         QStringLiteral("Entrées faites sur toutes, puis le temps restant")},
        {"progression", QStringLiteral("Avancement de l'entrée"),
         QStringLiteral("Part faite de l'entrée en cours")},
        {"filtre", QStringLiteral("Filtrer"),
         QStringLiteral("Ne garde que les lignes dont le nom contient ce texte, sans souci des "
                        "accents ni de la casse")},
        {"compte", QStringLiteral("Lignes gardées"),
         QStringLiteral("Nombre de lignes que le filtre garde, sur toutes")},
        {"protection", QStringLiteral("Protection réduite"),
         QStringLiteral("Pourquoi la bibliothèque ne tourne pas dans son bac à sable")},
    };
    for (const Nom& n : noms) {
        if (auto* w = fenetre_->findChild<QWidget*>(QString::fromLatin1(n.objet))) {
            w->setAccessibleName(n.nom);
            w->setAccessibleDescription(n.description);
        }
    }
    fenetre_->menuBar()->setAccessibleName(QStringLiteral("Menus"));
    fenetre_->menuBar()->setAccessibleDescription(QStringLiteral("Fichier, Action et ?"));
    // A button reads as its caption, described by its tooltip.
    for (QAction* a : barre_->actions()) {
        if (QWidget* bouton = barre_->widgetForAction(a)) {
            bouton->setAccessibleName(a->iconText());
            bouton->setAccessibleDescription(a->toolTip());
        }
    }
}
