// The window at home on the desktop: "Extraire ici", Fichier › Propriétés and Archives récentes,
// and the names and descriptions that screen readers read.

#include "FUnRAR.h"

#include "AccesAvancement.h"
#include "ArchivesRecentes.h"
#include "Interaction.h"
#include "JournalIci.h"
#include "ListeResultats.h"
#include "Messages.h"
#include "Proprietes.h"
#include "TexteVisible.h"

#include <QAction>
#include <QDir>
#include <QFile>
#include <QMenu>
#include <QMenuBar>
#include <QScopeGuard>
#include <QToolBar>

#include <cerrno>
#include <cstring>

#include <unistd.h>

using namespace ModuleRAR;
using platform::interaction;

void FUnRAR::createBureau() {
    Mnu_Proprietes = nouvelleAction("Mnu_Proprietes", QStringLiteral("&Propriétés…"));
    Mnu_Proprietes->setShortcuts(
        {QKeySequence(Qt::ALT | Qt::Key_Return), QKeySequence(Qt::ALT | Qt::Key_Enter)});
    Mnu_Proprietes->setEnabled(false);
    connect(Mnu_Proprietes, &QAction::triggered, this, &FUnRAR::Mnu_Proprietes_Click);
    // An archive is open exactly while the archive controls are on.
    connect(Mnu_Extraire, &QAction::enabledChanged, Mnu_Proprietes, &QAction::setEnabled);

    Mnu_Recentes = new QMenu(QStringLiteral("Archives &récentes"), this);
    Mnu_Recentes->setObjectName(QStringLiteral("Mnu_Recentes"));
    Mnu_Recentes->setToolTipsVisible(true);
    connect(Mnu_Recentes, &QMenu::aboutToShow, this, &FUnRAR::remplirRecentes);
    // Opening one is opening an archive: not in the middle of a pass.
    connect(Mnu_Ouvrir, &QAction::enabledChanged, Mnu_Recentes->menuAction(), &QAction::setEnabled);

    auto* fichier = menuBar()->findChild<QMenu*>(QStringLiteral("Mnu_Fichier"));
    fichier->insertMenu(Mnu_Fermer, Mnu_Recentes);
    fichier->insertAction(fichier->findChild<QAction*>(QStringLiteral("sep1")), Mnu_Proprietes);
    remplirRecentes();
    lecteurs::installerAvancement();
    nommerPourLecteurs();
}

void FUnRAR::remplirRecentes() {
    Mnu_Recentes->clear();
    const QList<ArchivesRecentes::Entree> entrees = ArchivesRecentes().entrees();
    for (const ArchivesRecentes::Entree& e : entrees) {
        QAction* a = Mnu_Recentes->addAction(e.texte);
        a->setToolTip(bulleLitterale(e.bulle));
        a->setEnabled(e.presente);
        connect(a, &QAction::triggered, this, [this, chemin = e.chemin] {
            if (!passe_->enCours()) {
                ouvrir(chemin);
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

void FUnRAR::retenirArchive() {
    const QByteArray chemin =
        CheminArchiveOctets.isEmpty() ? QFile::encodeName(CheminArchive) : CheminArchiveOctets;
    if (chemin.startsWith('/')) {
        ArchivesRecentes().ajouter(chemin);
    }
}

void FUnRAR::Mnu_Proprietes_Click() {
    InfosArchive infos = passe_->infos();
    if (infos.chemin != CheminArchive) {
        // Opened but not read through the library since (a pass that failed ends the program).
        infos = InfosArchive{};
        infos.chemin = CheminArchive;
    }
    montrerProprietes(this, infos);
}

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

void FUnRAR::extraireIci(const QByteArray& texteArguments) {
    if (texteArguments.isEmpty()) {
        Form_Load(texteArguments);
        return;
    }
    finSiToutOK_ = true;
    const auto garde = qScopeGuard([this] { finSiToutOK_ = false; });
    prendreArchive(texteArguments);
    const QByteArray archive =
        CheminArchiveOctets.isEmpty() ? QFile::encodeName(CheminArchive) : CheminArchiveOctets;
    const qsizetype barre = archive.lastIndexOf('/');
    dossierIci_ = barre > 0 ? archive.left(barre) : QByteArray("/");
    const QString dossier = QFile::decodeName(dossierIci_);
    int erreur = 0;
    ici_ = ici::Preparation::creer(dossierIci_, ici::nomDuJeu(archive.mid(barre + 1)),
                                   ici::dossierJournal(true), erreur);
    // Never another folder than the archive's: nothing is written when it takes no new folder.
    if (!ici_) {
        interaction().message(this, refusIci(erreur, dossier), Messages::TitreErreur,
                              platform::Icone::Exclamation);
        interaction().terminer(1);
    }
    if (!assezDePlace(dossier, {}, ici_->dossier())) {
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
        interaction().message(this, refusIci(e, dossier), Messages::TitreErreur,
                              platform::Icone::Exclamation);
        interaction().terminer(1);
    }
    const int avant = passe_->passes();
    passeExtraction();
    activerControlesArchive(true);
    retenirArchive();
    // The rows that are not "OK" stay in sight.
    if (passe_->passes() != avant && passe_->issue() == assistant::Issue::Terminee &&
        lignesToutesOK()) {
        platform::interaction().terminer(0);
    }
}

bool FUnRAR::lignesToutesOK() const {
    const QString ok = Messages::texteResultat(Resultat::OK, 0);
    for (int n = 0; n < modele_->nombreLignes(); ++n) {
        if (modele_->texte(n, ListeResultats::ColonneResultat) != ok) {
            return false;
        }
    }
    return true;
}

QString FUnRAR::ranger(bool garder) {
    if (!ici_ || garder) {
        return ici_ ? phraseIci(publierIci(false)) : QString();
    }
    ici_->jeter();
    lacherIci();
    return QStringLiteral("Rien de ce qui a été extrait n'a été gardé.");
}

QString FUnRAR::destination() const {
    // "Extraire ici" extracts into a folder of its own, beside the archive: the user knows the
    // archive's.
    return ici_ ? QFile::decodeName(dossierIci_) : QDir::currentPath();
}

QString FUnRAR::dossierExtrait(assistant::Issue issue) {
    if (!ici_) {
        return QDir::currentPath();
    }
    const ici::Preparation::Publication p = publierIci(issue == assistant::Issue::Terminee);
    if (p.erreur != 0) {
        interaction().message(this, phraseIci(p), Messages::TitreErreur,
                              platform::Icone::Exclamation);
        interaction().terminer(1);
    }
    // The program ends with this pass: nothing to show.
    if (p.nom.isEmpty() ||
        (finSiToutOK_ && issue == assistant::Issue::Terminee && lignesToutesOK())) {
        return QString();
    }
    // A folder shows itself; a single file, among the archive's neighbours.
    const QByteArray dossier = dossierIci_ == "/" ? QByteArray() : dossierIci_;
    return QFile::decodeName(p.dossier ? dossier + '/' + p.nom : dossierIci_);
}

ici::Preparation::Publication FUnRAR::publierIci(bool entier) {
    const ici::Preparation::Publication p = ici_->publier(entier);
    lacherIci();
    return p;
}

void FUnRAR::lacherIci() {
    // The folder extracted into is gone or renamed: the archive's folder, where what was
    // extracted now lies, is the current one.
    if (::fchdir(ici_->dossier()) != 0 && ::chdir("/") != 0) {
        qWarning("Korvane: no current directory left");
    }
    ici_.reset();
}

QString FUnRAR::phraseIci(const ici::Preparation::Publication& p) const {
    if (p.erreur != 0) {
        return QStringLiteral("Ce qui a été extrait n'a pas pu être placé dans le dossier « %1 » "
                              "(%2) : rien n'en est resté.")
            .arg(nomVisible(QFile::decodeName(dossierIci_)),
                 QString::fromLocal8Bit(std::strerror(p.erreur)));
    }
    return p.nom.isEmpty() ? QString()
                           : QStringLiteral("Ce qui a été extrait est dans « %1 ».")
                                 .arg(nomVisible(QFile::decodeName(p.nom)));
}

void FUnRAR::nommerPourLecteurs() {
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
        if (auto* w = findChild<QWidget*>(QString::fromLatin1(n.objet))) {
            w->setAccessibleName(n.nom);
            w->setAccessibleDescription(n.description);
        }
    }
    menuBar()->setAccessibleName(QStringLiteral("Menus"));
    menuBar()->setAccessibleDescription(QStringLiteral("Fichier, Action et ?"));
    // A button reads as its caption, described by its tooltip.
    for (QAction* a : Toolbar1->actions()) {
        if (QWidget* bouton = Toolbar1->widgetForAction(a)) {
            bouton->setAccessibleName(a->iconText());
            bouton->setAccessibleDescription(a->toolTip());
        }
    }
}
