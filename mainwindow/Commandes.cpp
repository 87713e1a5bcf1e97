#include "Commandes.h"

#include "Twips.h"

#include <QIcon>
#include <QMainWindow>
#include <QMenuBar>
#include <QToolBar>

namespace {

// A command of the window, found by tests and screen readers by its object name.
QAction* nouvelleAction(QObject* parent, const char* nom, const QString& texte) {
    auto* a = new QAction(texte, parent);
    a->setObjectName(QString::fromLatin1(nom));
    return a;
}

} // namespace

Commandes creerCommandes(QMainWindow& fenetre) {
    Commandes c;
    c.Mnu_Ouvrir = nouvelleAction(&fenetre, "Mnu_Ouvrir", QStringLiteral("&Ouvrir"));
    c.Mnu_Fermer = nouvelleAction(&fenetre, "Mnu_Fermer", QStringLiteral("&Fermer"));
    c.Mnu_Quitter = nouvelleAction(&fenetre, "Mnu_Quitter", QStringLiteral("&Quitter"));
    c.Mnu_Extraire = nouvelleAction(&fenetre, "Mnu_Extraire", QStringLiteral("&Extraire"));
    c.Mnu_Tester = nouvelleAction(&fenetre, "Mnu_Tester", QStringLiteral("&Tester"));
    c.Mnu_Lister = nouvelleAction(&fenetre, "Mnu_Lister", QStringLiteral("&Lister"));
    c.Mnu_APropos = nouvelleAction(&fenetre, "Mnu_APropos", QStringLiteral("A &Propos"));
    c.Mnu_Arreter = nouvelleAction(&fenetre, "Mnu_Arreter", QStringLiteral("A&rrêter"));
    c.Mnu_Arreter->setShortcut(QKeySequence(Qt::Key_Escape));
    c.Mnu_Ouvrir->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_O));
    c.Mnu_Quitter->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Q));
    c.Mnu_Extraire->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_E));
    c.Mnu_Arreter->setEnabled(false);
    c.Mnu_Extraire->setEnabled(false);
    c.Mnu_Tester->setEnabled(false);
    c.Mnu_Lister->setEnabled(false);

    QMenu* fichier = fenetre.menuBar()->addMenu(QStringLiteral("&Fichier"));
    fichier->setObjectName(QStringLiteral("Mnu_Fichier"));
    fichier->addAction(c.Mnu_Ouvrir);
    fichier->addAction(c.Mnu_Fermer);
    fichier->addSeparator()->setObjectName(QStringLiteral("sep1"));
    fichier->addAction(c.Mnu_Quitter);

    QMenu* action = fenetre.menuBar()->addMenu(QStringLiteral("&Action"));
    action->setObjectName(QStringLiteral("Mnu_Action"));
    action->addAction(c.Mnu_Extraire);
    action->addAction(c.Mnu_Tester);
    action->addAction(c.Mnu_Lister);
    action->addSeparator();
    action->addAction(c.Mnu_Arreter);

    QMenu* aide = fenetre.menuBar()->addMenu(QStringLiteral("?"));
    aide->setObjectName(QStringLiteral("Mnu_Help"));
    aide->addAction(c.Mnu_APropos);

    struct Bouton {
        const char* image;
        QString texte;
        QString bulle;
    };
    const std::array<Bouton, 6> definitions{{
        {"ouvrir", QStringLiteral("Ouvrir"), QStringLiteral("Ouvrir un fichier RAR")},
        {"extraire", QStringLiteral("Extraire"),
         QStringLiteral("Extraire les fichiers de l'archive")},
        {"tester", QStringLiteral("Tester"), QStringLiteral("Tester l'archive")},
        {"lister", QStringLiteral("Lister"), QStringLiteral("Lister les fichiers de l'archive")},
        {"apropos", QStringLiteral("A Propos"), QStringLiteral("A Propos")},
        {"quitter", QStringLiteral("Quitter"), QStringLiteral("Quitter Korvane")},
    }};

    c.Toolbar1 = new QToolBar(&fenetre);
    c.Toolbar1->setObjectName(QStringLiteral("Toolbar1"));
    c.Toolbar1->setMovable(false);
    c.Toolbar1->setFloatable(false);
    // The window's own context menu, on the menu bar or the toolbar, would only offer to hide the
    // toolbar, with nothing to bring it back.
    fenetre.setContextMenuPolicy(Qt::PreventContextMenu);
    c.Toolbar1->setIconSize(QSize(32, 32));
    c.Toolbar1->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
    fenetre.addToolBar(Qt::TopToolBarArea, c.Toolbar1);

    for (std::size_t i = 0; i < definitions.size(); ++i) {
        const Bouton& b = definitions[i];
        const QString image = QStringLiteral(":/icons/%1.svg").arg(QLatin1String(b.image));
        QAction* bouton = c.Toolbar1->addAction(QIcon(image), b.texte);
        bouton->setObjectName(QStringLiteral("Toolbar1_%1").arg(i + 1));
        bouton->setToolTip(b.bulle);
        c.boutons[i] = bouton;
        if (QWidget* w = c.Toolbar1->widgetForAction(bouton)) {
            w->setMinimumSize(platform::pixelsX(&fenetre, 750), platform::pixelsY(&fenetre, 780));
        }
    }
    // Not one of the six buttons: it is there only while a pass runs.
    c.boutonArreter = c.Toolbar1->addAction(QIcon(QStringLiteral(":/icons/arreter.svg")),
                                            QStringLiteral("Arrêter"));
    c.boutonArreter->setObjectName(QStringLiteral("Toolbar1_Arreter"));
    c.boutonArreter->setToolTip(QStringLiteral("Arrêter le passage en cours (Échap)"));
    c.boutonArreter->setVisible(false);
    if (QWidget* w = c.Toolbar1->widgetForAction(c.boutonArreter)) {
        w->setMinimumSize(platform::pixelsX(&fenetre, 750), platform::pixelsY(&fenetre, 780));
    }
    return c;
}
