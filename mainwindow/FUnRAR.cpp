#include "FUnRAR.h"

#include "Assistant.h"
#include "Avancement.h"
#include "BureauFenetre.h"
#include "DelegueTexte.h"
#include "Ecran.h"
#include "IciFenetre.h"
#include "ListeMontree.h"
#include "ListeResultats.h"
#include "PanneauEtat.h"
#include "PasseFenetre.h"
#include "PriseFenetre.h"
#include "Raccourcis.h"
#include "TexteVisible.h"
#include "Titres.h"
#include "Twips.h"

#include <QAction>
#include <QCheckBox>
#include <QHeaderView>
#include <QLineEdit>
#include <QMenuBar>
#include <QSignalBlocker>
#include <QStatusBar>
#include <QTableView>
#include <QToolBar>
#include <QVBoxLayout>

#include <algorithm>
#include <utility>

#include <sys/stat.h>

namespace {

const QString CreditAuteur = QStringLiteral("Korvane v1.0 © Korvane");

// The sizes and the results are never cut: their columns are as wide as their widest text, at
// least as wide as they were laid out.
void ajusterColonnes(QTableView* vue, const ListeResultats& modele) {
    QHeaderView* const entetes = vue->horizontalHeader();
    for (const auto& [colonne, twips] : {std::pair{ListeResultats::ColonneTaille, 1000},
                                         std::pair{ListeResultats::ColonneResultat, 600}}) {
        int largeur = std::max(platform::pixelsX(vue, twips), entetes->sectionSizeHint(colonne));
        for (const QString& texte : modele.textesLesPlusLarges(colonne)) {
            largeur = std::max(largeur, DelegueTexte::largeurNecessaire(vue->font(), vue, texte));
        }
        if (entetes->sectionSize(colonne) != largeur) {
            entetes->resizeSection(colonne, largeur);
        }
    }
}

} // namespace

// What a pass asks of the window: its commands off but "Arrêter" while it runs, the archive named
// before a box, the password typed in a box, and where "Extraire ici" puts what it extracts.
class FUnRAR::PourPasse final : public PasseFenetre::Fenetre {
public:
    explicit PourPasse(FUnRAR& f)
        : f_(f) {}

    void commandesDuPasse(bool pendant) override {
        const Commandes& c = f_.commandes_;
        if (pendant) {
            archiveActive_ = c.Mnu_Extraire->isEnabled();
        }
        c.Mnu_Ouvrir->setEnabled(!pendant);
        c.Mnu_Fermer->setEnabled(!pendant);
        c.boutons[0]->setEnabled(!pendant);
        c.activerArchive(!pendant && archiveActive_);
        f_.Check1->setEnabled(!pendant);
        c.Mnu_Arreter->setEnabled(pendant);
        c.boutonArreter->setVisible(pendant);
    }
    void avantBoite() override {
        if (!f_.ouverture_) {
            return;
        }
        // The user is asked about the archive being opened: the window names it already.
        f_.setWindowTitle(TitreFenetre + QStringLiteral(" : ") +
                          nomVisible(ModuleRAR::CheminArchive));
        f_.panneaux_[2]->clear();
        struct stat fichier {};
        if (::stat(f_.ouverture_->constData(), &fichier) == 0) {
            f_.decrireArchive(fichier.st_size);
        } else {
            f_.panneaux_[1]->clear();
        }
        f_.ouverture_.reset();
    }
    QString archiveDuMotDePasse() const override { return f_.motDePasse_.archive(); }
    void motDePasseSaisi(const QString& motDePasse, const QString& archive) override {
        f_.motDePasse_.garder(motDePasse, archive);
        const QSignalBlocker silence(f_.Check1);
        f_.Check1->setChecked(true);
    }
    QString ranger(bool garder) override;
    QString dossierExtrait(assistant::Issue issue) override;
    QString destination() const override;

private:
    FUnRAR& f_;
    bool archiveActive_ = false; // the archive controls before the pass
};

// What finding and taking in ListView1 ask of the window, answered from its commands and its
// passes.
class FUnRAR::PourPrise final : public PriseFenetre::Fenetre {
public:
    explicit PourPrise(FUnRAR& f)
        : f_(f)
        , prise_(&f, f.ListView1, *f.modele_, *f.montree_, f.commandes_.Mnu_Extraire, *f.passe_,
                 *this) {}

    PriseFenetre& prise() { return prise_; }

    void extraireEntrees(const std::vector<quint32>& places, ListeResultats& lignes) override {
        f_.TraiterArchive(ModeExtraction, ModuleRAR::CheminArchive, f_.argumentMotDePasse(), places,
                          &lignes);
        // The outcome of these entries alone says nothing of the list.
        f_.passe_->avancement().effacer();
    }
    void extraire(const std::vector<quint32>& places) override { f_.extraire(places); }
    void montrerBarreEntiere() override { ecran::montrerBarreEntiere(&f_); }

private:
    FUnRAR& f_;
    PriseFenetre prise_;
};

PriseFenetre& FUnRAR::prise() {
    return prise_->prise();
}

// What "Extraire ici" asks of the window, answered from its commands.
class FUnRAR::PourIci final : public IciFenetre::Fenetre {
public:
    explicit PourIci(FUnRAR& f)
        : f_(f)
        , ici_(&f, *f.passe_, *f.modele_, *this) {}

    IciFenetre& ici() { return ici_; }

    void prendreArchive(const QByteArray& texteArguments) override {
        f_.prendreArchive(texteArguments);
    }
    bool assezDePlace(const QString& dossier, int ouvert) override {
        return f_.assezDePlace(dossier, {}, ouvert);
    }
    void extraireArchive() override {
        f_.passeExtraction();
        f_.commandes_.activerArchive(true);
        f_.bureau().retenirArchive();
    }

private:
    FUnRAR& f_;
    IciFenetre ici_;
};

// What the desktop's menus ask of the window.
class FUnRAR::PourBureau final : public BureauFenetre::Fenetre {
public:
    explicit PourBureau(FUnRAR& f)
        : f_(f)
        , bureau_(&f, f.commandes_.Mnu_Extraire, f.commandes_.Mnu_Ouvrir, f.commandes_.Mnu_Fermer,
                  f.commandes_.Toolbar1, *f.passe_, *this) {}

    BureauFenetre& bureau() { return bureau_; }

    void ouvrirRecente(const QByteArray& chemin) override { f_.ouvrir(chemin); }

private:
    FUnRAR& f_;
    BureauFenetre bureau_;
};

BureauFenetre& FUnRAR::bureau() {
    return bureau_->bureau();
}

void FUnRAR::extraireIci(const QByteArray& texteArguments) {
    if (texteArguments.isEmpty()) {
        Form_Load(texteArguments);
        return;
    }
    ici_->ici().extraire(texteArguments);
}

QString FUnRAR::PourPasse::ranger(bool garder) {
    return f_.ici_->ici().ranger(garder);
}

QString FUnRAR::PourPasse::destination() const {
    return f_.ici_->ici().destination();
}

QString FUnRAR::PourPasse::dossierExtrait(assistant::Issue issue) {
    return f_.ici_->ici().dossierExtrait(issue);
}

void FUnRAR::passeExtraction(const std::vector<quint32>& selection) {
    passe_->prevoir(ModuleRAR::CheminArchive, selection); // while the rows chosen are there
    if (selection.empty()) {
        modele_->viderLignes();
        TraiterArchive(ModeExtraction, ModuleRAR::CheminArchive, argumentMotDePasse(), selection);
        return;
    }
    // The list keeps every row in its order, filter and sort: the chosen ones take their results.
    ListeResultats extraites;
    TraiterArchive(ModeExtraction, ModuleRAR::CheminArchive, argumentMotDePasse(), selection,
                   &extraites);
    modele_->reprendreResultats(extraites);
    // Rows kept apart are a private pass's, which shows no folder: this one went where the user
    // chose.
    passe_->avancement().fin(passe_->issue() == assistant::Issue::Interrompue,
                             pourPasse_->dossierExtrait(passe_->issue()));
}

FUnRAR::FUnRAR(QWidget* parent)
    : QMainWindow(parent) {
    setObjectName(QStringLiteral("FUnRAR"));
    setWindowTitle(TitreFenetre);
    // The icons live in this static library: their resource is not registered on its own.
    Q_INIT_RESOURCE(korvane);
    setWindowIcon(QIcon(QStringLiteral(":/icons/extraire.svg")));

    pourPasse_ = std::make_unique<PourPasse>(*this);
    commandes_ = creerCommandes(*this);
    const Commandes& c = commandes_;
    connect(c.Mnu_Ouvrir, &QAction::triggered, this, &FUnRAR::Mnu_Ouvrir_Click);
    connect(c.Mnu_Fermer, &QAction::triggered, this, &FUnRAR::Mnu_Fermer_Click);
    connect(c.Mnu_Quitter, &QAction::triggered, this, &FUnRAR::Mnu_Quitter_Click);
    connect(c.Mnu_Extraire, &QAction::triggered, this, &FUnRAR::Mnu_Extraire_Click);
    connect(c.Mnu_Tester, &QAction::triggered, this, &FUnRAR::Mnu_Tester_Click);
    connect(c.Mnu_Lister, &QAction::triggered, this, &FUnRAR::Mnu_Lister_Click);
    connect(c.Mnu_APropos, &QAction::triggered, this, &FUnRAR::Mnu_APropos_Click);
    connect(c.Mnu_Arreter, &QAction::triggered, this, &FUnRAR::Mnu_Arreter_Click);
    connect(c.boutonArreter, &QAction::triggered, this, &FUnRAR::Mnu_Arreter_Click);
    for (std::size_t i = 0; i < c.boutons.size(); ++i) {
        connect(c.boutons[i], &QAction::triggered, this,
                [this, index = int(i) + 1] { Toolbar1_ButtonClick(index); });
    }
    createCentralWidget();
    createStatusBar();
    prise_ = std::make_unique<PourPrise>(*this);
    ici_ = std::make_unique<PourIci>(*this);
    bureau_ = std::make_unique<PourBureau>(*this);
    raccourcis::laisserPasser(prise().champFiltre(), {commandes_.Mnu_Ouvrir, commandes_.Mnu_Quitter,
                                                      commandes_.Mnu_Extraire});

    setAcceptDrops(true);
    resize(platform::pixelsX(this, 5985),
           platform::pixelsY(this, 5715) + menuBar()->sizeHint().height());
    // Placed before it is first shown: the boxes of start-up, shown before it, are centred on the
    // place where it will appear, not on a corner of the screen.
    ecran::placer(this, ListView1);
    ListView1->setFocus();
}

FUnRAR::~FUnRAR() = default;

const InfosArchive& FUnRAR::infosArchive() const {
    return passe_->infos();
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
    montree_ = new ListeMontree(modele_, this);
    ListView1->setModel(montree_);
    ListView1->setItemDelegate(new DelegueTexte(ListView1));
    ListView1->setShowGrid(false);
    ListView1->setWordWrap(false);
    ListView1->setCornerButtonEnabled(false);
    ListView1->setTabKeyNavigation(false);
    ListView1->setSortingEnabled(false);
    ListView1->setEditTriggers(QAbstractItemView::NoEditTriggers);
    ListView1->setSelectionBehavior(QAbstractItemView::SelectRows);
    ListView1->setSelectionMode(QAbstractItemView::ExtendedSelection);
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
    ajusterColonnes(ListView1, *modele_);
    // Rows reach the view in batches, and results and the header's label after them.
    const auto ajuster = [this] { ajusterColonnes(ListView1, *modele_); };
    connect(modele_, &QAbstractItemModel::rowsInserted, this, ajuster);
    connect(modele_, &QAbstractItemModel::modelReset, this, ajuster);
    connect(modele_, &QAbstractItemModel::dataChanged, this, ajuster);
    connect(modele_, &QAbstractItemModel::headerDataChanged, this, ajuster);

    disposition->addWidget(Check1);
    disposition->addWidget(ListView1, 1);
    setCentralWidget(centre);
    // The list comes first in the tab order, before the password box.
    setTabOrder(ListView1, Check1);
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
    panneaux_[0]->rendreAccessoire();
    passe_ = std::make_unique<PasseFenetre>(
        *this, *pourPasse_, *modele_, statusBar(),
        std::vector<PanneauEtat*>(panneaux_.begin(), panneaux_.end()));
}
