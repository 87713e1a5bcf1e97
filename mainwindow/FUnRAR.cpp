#include "FUnRAR.h"

#include "Assistant.h"
#include "DelegueTexte.h"
#include "DosRAR.h"
#include "Horloge.h"
#include "Interaction.h"
#include "Lecteurs.h"
#include "LigneCommande.h"
#include "ListeResultats.h"
#include "Messages.h"
#include "PanneauEtat.h"
#include "TexteVisible.h"
#include "Twips.h"

#include <QAction>
#include <QCheckBox>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFile>
#include <QFileInfo>
#include <QHeaderView>
#include <QLabel>
#include <QMenuBar>
#include <QMimeData>
#include <QProgressBar>
#include <QScopeGuard>
#include <QScrollBar>
#include <QSignalBlocker>
#include <QStatusBar>
#include <QTableView>
#include <QToolBar>
#include <QUrl>
#include <QVBoxLayout>

#include <algorithm>
#include <cstdlib>

#include <sys/stat.h>
#include <utility>

using namespace ModuleRAR;
using platform::interaction;

namespace {

const QString TitreFenetre = QStringLiteral("Korvane v 1.0");
const QString CreditAuteur = QStringLiteral("Korvane v1.0 © Korvane");
const QString TitreMotDePasse = QStringLiteral("Mot de passe");

// Rows appear while a pass runs, but a synchronous repaint per row would cost more than the
// library's own work on a large archive: at most one repaint in this interval, well under the
// tenth of a second in which a user sees the list as moving.
constexpr qint64 IntervalleRepeintMs = 80;
// While a pass runs, the window still answers the window system (exposures, the window manager's
// pings, a close request) at this pace, user input excepted.
constexpr qint64 IntervalleEvenementsMs = 50;
// An entry that keeps the library busy longer than this gets a progress bar.
constexpr qint64 EntreeLongueMs = 1000;

// A number as the status bar shows it: a blank before it unless it is negative.
QString texteNombre(qint64 n) {
    return n < 0 ? QString::number(n) : QLatin1Char(' ') + QString::number(n);
}

} // namespace

FUnRAR::FUnRAR(QWidget* parent)
    : QMainWindow(parent) {
    setObjectName(QStringLiteral("FUnRAR"));
    setWindowTitle(TitreFenetre);
    // The icons live in this static library: their resource is not registered on its own.
    Q_INIT_RESOURCE(korvane);
    setWindowIcon(QIcon(QStringLiteral(":/icons/extraire.svg")));

    createActions();
    createMenus();
    createToolBar();
    createCentralWidget();
    createStatusBar();

    setAcceptDrops(true);
    resize(platform::pixelsX(this, 5985),
           platform::pixelsY(this, 5715) + menuBar()->sizeHint().height());
    ListView1->setFocus();
}

FUnRAR::~FUnRAR() {
    motDePasse_.fill(QChar());
}

void FUnRAR::createActions() {
    auto action = [this](const char* nom, const QString& texte) {
        auto* a = new QAction(texte, this);
        a->setObjectName(QString::fromLatin1(nom));
        return a;
    };
    Mnu_Ouvrir = action("Mnu_Ouvrir", QStringLiteral("&Ouvrir"));
    Mnu_Fermer = action("Mnu_Fermer", QStringLiteral("&Fermer"));
    Mnu_Quitter = action("Mnu_Quitter", QStringLiteral("&Quitter"));
    Mnu_Extraire = action("Mnu_Extraire", QStringLiteral("&Extraire"));
    Mnu_Tester = action("Mnu_Tester", QStringLiteral("&Tester"));
    Mnu_Lister = action("Mnu_Lister", QStringLiteral("&Lister"));
    Mnu_APropos = action("Mnu_APropos", QStringLiteral("A &Propos"));
    Mnu_Extraire->setEnabled(false);
    Mnu_Tester->setEnabled(false);
    Mnu_Lister->setEnabled(false);

    connect(Mnu_Ouvrir, &QAction::triggered, this, &FUnRAR::Mnu_Ouvrir_Click);
    connect(Mnu_Fermer, &QAction::triggered, this, &FUnRAR::Mnu_Fermer_Click);
    connect(Mnu_Quitter, &QAction::triggered, this, &FUnRAR::Mnu_Quitter_Click);
    connect(Mnu_Extraire, &QAction::triggered, this, &FUnRAR::Mnu_Extraire_Click);
    connect(Mnu_Tester, &QAction::triggered, this, &FUnRAR::Mnu_Tester_Click);
    connect(Mnu_Lister, &QAction::triggered, this, &FUnRAR::Mnu_Lister_Click);
    connect(Mnu_APropos, &QAction::triggered, this, &FUnRAR::Mnu_APropos_Click);
}

void FUnRAR::createMenus() {
    QMenu* fichier = menuBar()->addMenu(QStringLiteral("&Fichier"));
    fichier->setObjectName(QStringLiteral("Mnu_Fichier"));
    fichier->addAction(Mnu_Ouvrir);
    fichier->addAction(Mnu_Fermer);
    fichier->addSeparator()->setObjectName(QStringLiteral("sep1"));
    fichier->addAction(Mnu_Quitter);

    QMenu* action = menuBar()->addMenu(QStringLiteral("&Action"));
    action->setObjectName(QStringLiteral("Mnu_Action"));
    action->addAction(Mnu_Extraire);
    action->addAction(Mnu_Tester);
    action->addAction(Mnu_Lister);

    QMenu* aide = menuBar()->addMenu(QStringLiteral("?"));
    aide->setObjectName(QStringLiteral("Mnu_Help"));
    aide->addAction(Mnu_APropos);
}

void FUnRAR::createToolBar() {
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

    Toolbar1 = new QToolBar(this);
    Toolbar1->setObjectName(QStringLiteral("Toolbar1"));
    Toolbar1->setMovable(false);
    Toolbar1->setFloatable(false);
    // The window's own context menu, on the menu bar or the toolbar, would only offer to hide the
    // toolbar, with nothing to bring it back.
    setContextMenuPolicy(Qt::PreventContextMenu);
    Toolbar1->setIconSize(QSize(32, 32));
    Toolbar1->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
    addToolBar(Qt::TopToolBarArea, Toolbar1);

    for (std::size_t i = 0; i < definitions.size(); ++i) {
        const Bouton& b = definitions[i];
        const QString image = QStringLiteral(":/icons/%1.svg").arg(QLatin1String(b.image));
        QAction* bouton = Toolbar1->addAction(QIcon(image), b.texte);
        bouton->setObjectName(QStringLiteral("Toolbar1_%1").arg(i + 1));
        bouton->setToolTip(b.bulle);
        const int index = int(i) + 1;
        connect(bouton, &QAction::triggered, this, [this, index] { Toolbar1_ButtonClick(index); });
        boutons_[i] = bouton;
        if (QWidget* w = Toolbar1->widgetForAction(bouton)) {
            w->setMinimumSize(platform::pixelsX(this, 750), platform::pixelsY(this, 780));
        }
    }
}

void FUnRAR::createCentralWidget() {
    auto* centre = new QWidget(this);
    auto* disposition = new QVBoxLayout(centre);
    const int marge = platform::pixelsX(this, 120);
    disposition->setContentsMargins(marge, 0, marge, marge);
    disposition->setSpacing(0);

    Check1 = new QCheckBox(QStringLiteral("Mot de passe"), centre);
    Check1->setObjectName(QStringLiteral("Check1"));
    Check1->setMinimumHeight(platform::pixelsY(this, 255));
    connect(Check1, &QCheckBox::toggled, this, &FUnRAR::Check1_Toggled);

    modele_ = new ListeResultats(this);
    ListView1 = new QTableView(centre);
    ListView1->setObjectName(QStringLiteral("ListView1"));
    ListView1->setModel(modele_);
    ListView1->setItemDelegate(new DelegueTexte(ListView1));
    ListView1->setShowGrid(false);
    ListView1->setWordWrap(false);
    ListView1->setCornerButtonEnabled(false);
    ListView1->setTabKeyNavigation(false);
    ListView1->setSortingEnabled(false);
    ListView1->setEditTriggers(QAbstractItemView::NoEditTriggers);
    ListView1->setSelectionBehavior(QAbstractItemView::SelectRows);
    ListView1->setSelectionMode(QAbstractItemView::SingleSelection);
    ListView1->verticalHeader()->hide();
    ListView1->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    ListView1->verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 4);
    QHeaderView* const entetes = ListView1->horizontalHeader();
    entetes->setSectionsMovable(false);
    entetes->setHighlightSections(false);
    // The names take the width that the sizes and results leave, however wide the window.
    entetes->setStretchLastSection(false);
    entetes->setSectionResizeMode(ListeResultats::ColonneFichier, QHeaderView::Stretch);
    ListView1->setMinimumSize(platform::pixelsX(this, 5775), platform::pixelsY(this, 4215));
    ajusterColonnes();
    // Rows reach the view in batches, and results and the header's label after them.
    connect(modele_, &QAbstractItemModel::rowsInserted, this, &FUnRAR::ajusterColonnes);
    connect(modele_, &QAbstractItemModel::modelReset, this, &FUnRAR::ajusterColonnes);
    connect(modele_, &QAbstractItemModel::dataChanged, this, &FUnRAR::ajusterColonnes);
    connect(modele_, &QAbstractItemModel::headerDataChanged, this, &FUnRAR::ajusterColonnes);

    disposition->addWidget(Check1);
    disposition->addWidget(ListView1, 1);
    setCentralWidget(centre);
    // The list comes first in the tab order, before the password box.
    setTabOrder(ListView1, Check1);
}

// The sizes and the results are never cut: their columns are as wide as their widest text, at
// least as wide as they were laid out.
void FUnRAR::ajusterColonnes() {
    QHeaderView* const entetes = ListView1->horizontalHeader();
    for (const auto& [colonne, twips] : {std::pair{ListeResultats::ColonneTaille, 1000},
                                         std::pair{ListeResultats::ColonneResultat, 600}}) {
        int largeur = std::max(platform::pixelsX(this, twips), entetes->sectionSizeHint(colonne));
        for (const QString& texte : modele_->textesLesPlusLarges(colonne)) {
            largeur = std::max(
                largeur, DelegueTexte::largeurNecessaire(ListView1->font(), ListView1, texte));
        }
        if (entetes->sectionSize(colonne) != largeur) {
            entetes->resizeSection(colonne, largeur);
        }
    }
}

void FUnRAR::createStatusBar() {
    for (std::size_t i = 0; i < panneaux_.size(); ++i) {
        // Only the archive's name, in panel 2, has no bound on its length: it gives way first.
        auto* panneau = new PanneauEtat(platform::pixelsX(this, 1440), i == 1, this);
        panneau->setObjectName(QStringLiteral("StatusBar1_%1").arg(i + 1));
        statusBar()->addWidget(panneau);
        panneaux_[i] = panneau;
    }
    statusBar()->setObjectName(QStringLiteral("StatusBar1"));
    statusBar()->setSizeGripEnabled(false);
    panneaux_[0]->setText(CreditAuteur);

    progression_ = new QProgressBar(this);
    progression_->setObjectName(QStringLiteral("progression"));
    progression_->setRange(0, 1000);
    progression_->setTextVisible(false);
    // Narrow enough that the panels beside it keep their texts in a window of its first width.
    progression_->setFixedWidth(platform::pixelsX(this, 480));
    progression_->hide();
    statusBar()->addPermanentWidget(progression_);
}

// Once a pass ran outside the sandbox, the status bar says so for the rest of the run.
void FUnRAR::signalerProtection() {
    const std::optional<assistant::Avertissement> a = assistant::protectionReduite();
    if (!a || protection_ != nullptr) {
        return;
    }
    protection_ = new QLabel(a->texte, this);
    protection_->setObjectName(QStringLiteral("protection"));
    protection_->setToolTip(a->detail);
    statusBar()->addPermanentWidget(protection_);
}

void FUnRAR::activerControlesArchive(bool actifs) {
    Mnu_Extraire->setEnabled(actifs);
    Mnu_Tester->setEnabled(actifs);
    Mnu_Lister->setEnabled(actifs);
    boutons_[1]->setEnabled(actifs);
    boutons_[2]->setEnabled(actifs);
    boutons_[3]->setEnabled(actifs);
}

QString FUnRAR::argumentMotDePasse() const {
    return Check1->isChecked() ? motDePasse_ : QString();
}

void FUnRAR::Check1_Toggled(bool coche) {
    if (!coche) {
        motDePasse_.fill(QChar());
        motDePasse_.clear();
        return;
    }
    const std::optional<QString> saisi = interaction().motDePasse(
        this, TitreMotDePasse, QStringLiteral("Mot de passe de l'archive :"));
    if (!saisi || saisi->isEmpty()) {
        // Without a password the box would promise what no pass delivers.
        Check1->setChecked(false);
        return;
    }
    motDePasse_ = *saisi;
}

void FUnRAR::Form_Load(const QByteArray& texteArguments) {
    if (texteArguments.isEmpty()) {
        activerControlesArchive(false);
        return;
    }
    const StyleChemin style = styleCheminNatif();
    const QByteArray dossierCourant = QFile::encodeName(
        style == StyleChemin::Windows ? QDir::toNativeSeparators(QDir::currentPath())
                                      : QDir::currentPath());
    CheminArchiveOctets = cheminArchiveDepuisArguments(texteArguments, dossierCourant, style);
    CheminArchive = QFile::decodeName(CheminArchiveOctets);
    setWindowTitle(TitreFenetre + QStringLiteral(" : ") + CheminArchive);

    modele_->viderLignes();
    TraiterArchive(ModeListe, CheminArchive, argumentMotDePasse());
    activerControlesArchive(true);
}

void FUnRAR::TraiterArchive(int mode, const QString& chemin, const QString& motDePasse) {
    cheminPasse_ = chemin;
    dernierRepeintMs_ = -1;
    evenementsMs_ = platform::millisecondesGrossieres();
    tailleEntree_ = 0;
    premiereLigneVue_ = false;
    passeEnCours_ = true;
    const auto fin = qScopeGuard([this] {
        passeEnCours_ = false;
        progression_->hide();
    });
    // The bytes kept for the archive's path when they are those of `chemin`: a name that is not
    // valid in the locale's encoding reaches the library as it is on disk.
    const QByteArray octets = QFile::decodeName(CheminArchiveOctets) == chemin
                                  ? CheminArchiveOctets
                                  : QFile::encodeName(chemin);
    const assistant::Issue issue = assistant::executer(*this, mode, octets, motDePasse);
    signalerProtection();
    repeindre();
    if (issue == assistant::Issue::Interrompue) {
        interaction().terminer(0); // the window was closed: as "Quitter" does
    }
    if (issue == assistant::Issue::Abandonnee) {
        Check1->setChecked(false); // the password box promises nothing any more
    }
}

void FUnRAR::closeEvent(QCloseEvent* evenement) {
    if (passeEnCours_) {
        // The helper may be writing a file: it goes first, then the program (TraiterArchive).
        fermetureDemandee_ = true;
        evenement->ignore();
        return;
    }
    QMainWindow::closeEvent(evenement);
}

void FUnRAR::Mnu_Ouvrir_Click() {
    const std::optional<QString> choisi = interaction().ouvrirFichier(
        this, QStringLiteral("Ouvrir un fichier RAR"), QStringLiteral("Fichiers RAR (*.rar)"));
    if (!choisi) {
        return; // cancelled: nothing changes
    }
    ouvrir(QFile::encodeName(*choisi));
}

void FUnRAR::ouvrir(const QByteArray& octets) {
    CheminArchiveOctets = octets;
    CheminArchive = QFile::decodeName(octets);
    NomArchive = CheminArchive.isEmpty() ? QString() : QFileInfo(CheminArchive).fileName();
    if (CheminArchive.isEmpty()) {
        setWindowTitle(TitreFenetre);
        activerControlesArchive(false);
        return;
    }

    modele_->viderLignes();
    TraiterArchive(ModeListe, CheminArchive, argumentMotDePasse());
    setWindowTitle(TitreFenetre + QStringLiteral(" : ") + CheminArchive);
    Mnu_Extraire->setEnabled(true);
    Mnu_Tester->setEnabled(true);
    Mnu_Lister->setEnabled(true);

    struct stat fichier {};
    if (::stat(octets.constData(), &fichier) != 0) {
        // Gone since the pass: the panels and the buttons keep what they showed.
        return;
    }
    panneaux_[1]->setText(NomArchive + QStringLiteral(" : ") + texteNombre(fichier.st_size) +
                          QStringLiteral(" Octets "));
    panneaux_[2]->setText(texteNombre(modele_->nombreLignes()) + QStringLiteral(" Fichiers "));
    boutons_[1]->setEnabled(true);
    boutons_[2]->setEnabled(true);
    boutons_[3]->setEnabled(true);
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
    if (fichierDepose(evenement->mimeData())) {
        evenement->acceptProposedAction();
    }
}

void FUnRAR::dropEvent(QDropEvent* evenement) {
    const std::optional<QByteArray> octets = fichierDepose(evenement->mimeData());
    if (!octets) {
        return;
    }
    evenement->acceptProposedAction();
    ouvrir(*octets);
}

void FUnRAR::Mnu_Fermer_Click() {
    modele_->viderLignes();
    activerControlesArchive(false);
    panneaux_[1]->clear();
    panneaux_[2]->clear();
    setWindowTitle(TitreFenetre);
}

void FUnRAR::Mnu_Quitter_Click() {
    interaction().terminer(0);
}

void FUnRAR::Mnu_Extraire_Click() {
    DosRAR::afficherModal(this);
    if (DossierDestination.isEmpty()) {
        return;
    }
    const QString avant = QDir::currentPath();
    try {
        platform::rendreLecteurCourant(platform::lecteurDe(DossierDestination));
        platform::changerDossierCourant(DossierDestination);
    } catch (const platform::ErreurDossier&) {
        // Making the drive current may have moved us already: a refused extraction leaves the
        // process where it was.
        QDir::setCurrent(avant);
        // The library writes under the current directory: never extract anywhere else.
        interaction().message(this,
                              QStringLiteral("Impossible d'extraire dans le dossier « %1 » : il "
                                             "n'existe plus ou n'est pas accessible.")
                                  .arg(nomVisible(DossierDestination)),
                              Messages::TitreErreur, platform::Icone::Exclamation);
        return;
    }
    modele_->viderLignes();
    TraiterArchive(ModeExtraction, CheminArchive, argumentMotDePasse());
}

void FUnRAR::Mnu_Tester_Click() {
    modele_->viderLignes();
    TraiterArchive(ModeTest, CheminArchive, argumentMotDePasse());
}

void FUnRAR::Mnu_Lister_Click() {
    modele_->viderLignes();
    TraiterArchive(ModeListe, CheminArchive, argumentMotDePasse());
}

QString FUnRAR::texteAPropos() const {
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

void FUnRAR::commentaire(const QString& texte, bool tronque) {
    interaction().message(this, tronque ? texte + Messages::CommentaireTronque : texte,
                          Messages::TitreCommentaire, platform::Icone::Information);
}

Remplacement FUnRAR::remplacer(const QString& nom) {
    repeindre(); // the row of the entry in question is in sight
    const QMessageBox::StandardButton reponse = interaction().question(
        this,
        QStringLiteral("Le fichier « %1 » existe déjà. Voulez-vous le remplacer ?")
            .arg(nomVisible(nom)),
        QStringLiteral("Confirmation"),
        QMessageBox::Yes | QMessageBox::YesToAll | QMessageBox::No | QMessageBox::NoToAll);
    return remplacementDe(reponse);
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

void FUnRAR::montrerFenetre() {
    show();
}

void FUnRAR::enTeteResultat(const QString& libelle) {
    modele_->definirEnTeteResultat(libelle);
}

void FUnRAR::nouvelleLigne(const QString& nom, qint64 taille) {
    modele_->ajouterEnTete(nom, taille);
    debutEntreeMs_ = platform::millisecondesGrossieres();
    tailleEntree_ = taille;
    octetsEntree_ = 0;
}

void FUnRAR::resultat(Resultat r, int code) {
    modele_->ecrireResultat(Messages::texteResultat(r, code));
}

void FUnRAR::progression(qint64 octets) {
    octetsEntree_ = octets;
}

std::optional<QString> FUnRAR::motDePasse(bool incorrect) {
    show();      // at start-up, the names of an archive are read after its password
    repeindre(); // the rows so far are in sight behind the prompt
    std::optional<QString> saisi = interaction().motDePasse(
        this, TitreMotDePasse,
        incorrect ? QStringLiteral("Mot de passe incorrect. Mot de passe de l'archive :")
                  : QStringLiteral("Mot de passe de l'archive :"));
    if (!saisi || saisi->isEmpty()) {
        return std::nullopt;
    }
    // Kept for the next commands, as if the user had ticked the box and typed it there.
    motDePasse_.fill(QChar());
    motDePasse_ = *saisi;
    const QSignalBlocker silence(Check1);
    Check1->setChecked(true);
    return saisi;
}

bool FUnRAR::patienter() {
    const qint64 maintenant = platform::millisecondesGrossieres();
    if (tailleEntree_ > 0 && maintenant - debutEntreeMs_ >= EntreeLongueMs) {
        progression_->setValue(int(std::min<qint64>(1000, octetsEntree_ * 1000 / tailleEntree_)));
        progression_->show();
    }
    // The first row shows at once, then the list moves at the pace of the repaints. Before it
    // there is nothing of the pass to show; the window system's exposures are answered below.
    if (modele_->nombreLignes() > 0 &&
        (!premiereLigneVue_ || maintenant - dernierRepeintMs_ >= IntervalleRepeintMs)) {
        premiereLigneVue_ = true;
        repeindre();
    }
    if (maintenant - evenementsMs_ >= IntervalleEvenementsMs) {
        evenementsMs_ = maintenant;
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    }
    return !fermetureDemandee_;
}

void FUnRAR::repeindre() {
    modele_->publier();
    if (isVisible()) {
        if (dernierRepeintMs_ < 0) {
            repaint(); // the whole window once: it may have just been shown, with a new header
        } else {
            // Then only what the rows move, and the progress bar.
            ListView1->viewport()->repaint();
            ListView1->verticalScrollBar()->repaint();
            if (progression_->isVisible()) {
                progression_->repaint();
            }
        }
    }
    dernierRepeintMs_ = platform::millisecondesGrossieres();
}

void FUnRAR::echec(const Messages::Echec& echec) {
    erreurFatale(Messages::texte(echec, nomVisible(cheminPasse_)));
}

void FUnRAR::erreurFatale(const QString& message) {
    repeindre(); // the rows written so far stay in sight behind the box
    interaction().message(this, message, Messages::TitreErreur, platform::Icone::Exclamation);
    interaction().terminer(1);
    std::abort(); // terminer() never returns; this only tells the compiler so
}
