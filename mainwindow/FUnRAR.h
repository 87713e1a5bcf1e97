#pragma once

// The main window: menus, toolbar, password box, result list and status bar, and every command.

#include "Assistant.h"
#include "CheminsPartages.h"
#include "Proprietes.h"
#include "RetourPasse.h"

#include <QElapsedTimer>
#include <QMainWindow>
#include <QMessageBox>

#include <array>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

class QAction;
class QCheckBox;
class QCloseEvent;
class QDragEnterEvent;
class QDropEvent;
class QLabel;
class QLineEdit;
class QMenu;
class QMimeData;
class QTimer;
class Avancement;
class PanneauEtat;
class QToolBar;
class QTableView;
class ListeResultats;
class ListeMontree;
namespace ici {
class Preparation;
}

class FUnRAR final : public QMainWindow, private RetourPasse {
    Q_OBJECT

public:
    explicit FUnRAR(QWidget* parent = nullptr);
    ~FUnRAR() override;

    // Start-up: lists the archive named by the argument text, if any, as the system's bytes.
    void Form_Load(const QByteArray& texteArguments);
    void Form_Load(const QString& texteArguments) { Form_Load(texteArguments.toUtf8()); }

    // Runs one pass over `chemin` in a helper process, writing its rows into ListView1. The window
    // lives meanwhile, with the commands that would start another pass off; "Arrêter" stops the
    // pass, and a close request or "Quitter" ends the program once the helper is gone.
    // `selection`: the places of the entries to take, in increasing order; the others are skipped
    // without a row. Empty: every entry. `ailleurs`: where the rows go, when not into ListView1.
    void TraiterArchive(int mode, const QString& chemin, const QString& motDePasse,
                        const std::vector<quint32>& selection = {},
                        ListeResultats* ailleurs = nullptr);

    // The password handed to every pass: the one typed when Check1 was ticked, else empty.
    QString argumentMotDePasse() const;

    ListeResultats* modeleResultats() const { return modele_; }
    ListeMontree* listeMontree() const { return montree_; }

    void Mnu_Ouvrir_Click();
    void Mnu_Fermer_Click();
    void Mnu_Quitter_Click();
    void Mnu_Extraire_Click();
    void Mnu_Tester_Click();
    void Mnu_Lister_Click();
    void Mnu_APropos_Click();
    void Mnu_Arreter_Click();
    void Toolbar1_ButtonClick(int index);

    QString texteAPropos() const;

    // Finding and taking entries in the list (FUnRARPrise.cpp).
    void Mnu_Filtrer_Click();
    void Mnu_ExtraireSelection_Click();
    void Mnu_Copier_Click();
    void Mnu_EnregistrerListe_Click();
    // A double-click or Return on the row shown at `ligne`: a file is extracted alone into a
    // private folder and handed to the desktop's application for its type, unless it could run;
    // a folder filters the list to what it holds.
    void ouvrirLigne(int ligne);
    // What dragging the chosen rows out of the list carries (FUnRARGlisser.cpp): their entries,
    // those beneath a folder's row too, extracted into a new private folder, as the URLs of what
    // lies directly in it. Null, after a box when the user has something to learn, beyond 1 GiB
    // of entries or when not every one of them was extracted.
    std::unique_ptr<QMimeData> donneesAGlisser();
    // "Extraire ici" (FUnRARBureau.cpp): extracts the archive of the argument text beside itself
    // without the dialog, in one pass into a folder of its own, then publishes what is on disk
    // there under one new name (ExtraireIci.h); the destination dialog instead where the
    // archive's folder cannot be written. Ends the program when every row is "OK", else stays on
    // the rows.
    void extraireIci(const QByteArray& texteArguments);
    void Mnu_Proprietes_Click();
    const InfosArchive& infosArchive() const { return infos_; }

protected:
    void closeEvent(QCloseEvent* evenement) override;
    // A local file dropped on the window opens as the open command opens it.
    void dragEnterEvent(QDragEnterEvent* evenement) override;
    void dropEvent(QDropEvent* evenement) override;

private:
    // A command of the window, found by tests and screen readers by its object name.
    QAction* nouvelleAction(const char* nom, const QString& texte);
    void createActions();
    void createMenus();
    void createToolBar();
    void createCentralWidget();
    void createStatusBar();
    void ajusterColonnes();

    void createPrise();
    void createGlisser();
    void glisserChoisies();
    // The ranks in modele_ of the rows chosen in ListView1, in the order shown.
    std::vector<int> rangsChoisis() const;
    // Keeps the rows chosen and the current one across `changement` of the rows shown.
    void garderSelection(const std::function<void()>& changement);
    void filtrer(const QString& texte);
    void fermerFiltre();
    void trierPar(int colonne);
    void montrerTri();
    void priseActive();
    // The extract command, of the entries at `selection` only when it is not empty.
    void extraire(const std::vector<quint32>& selection);
    // An extraction pass into `dossier`, made the current directory, where the library writes;
    // false, with nothing extracted and the process where it was, when it cannot be.
    bool extraireDans(const QString& dossier, const std::vector<quint32>& selection = {});

    void activerControlesArchive(bool actifs);
    // Off for a pass: every command that would start another pass or change what it reads; on:
    // "Arrêter".
    void commandesDuPasse(bool pendant);
    void signalerProtection();
    // The open command once a file is chosen: `octets`, its path on disk.
    void ouvrir(const QByteArray& choisi);
    void Check1_Toggled(bool coche);
    void garderMotDePasse(const QString& motDePasse, const QString& archive);
    void decrireArchive(qint64 taille);
    // The archive that the argument text names, as start-up takes it, named by the title.
    void prendreArchive(const QByteArray& texteArguments);

    // What the user asked of the pass in progress; a quit outweighs a stop.
    enum class Fin { Aucune, Arret, Quitter };
    void demanderFin(Fin fin);

    // RetourPasse: what the pass writes into this window.
    void commentaire(const QString& texte, bool tronque) override;
    void montrerFenetre() override;
    void enTeteResultat(const QString& libelle) override;
    void detailsLigne(qint64 compressee, bool dossier, quint32 place) override;
    void nouvelleLigne(const QString& nom, qint64 taille) override;
    void resultat(Resultat r, int code) override;
    Remplacement remplacer(const QString& nom) override;
    void progression(qint64 octets) override;
    void entreeSautee(qint64 taille) override;
    std::optional<QString> motDePasse(bool incorrect) override;
    [[noreturn]] void echec(const Messages::Echec& echec) override;
    void archive(quint32 drapeaux, int format) override;
    void volumesLus(int nombre) override;

    // The desktop's side of the window (FUnRARBureau.cpp): properties, recent archives, a notice
    // at the end of a long pass, the names that screen readers read.
    void createBureau();
    void nommerPourLecteurs();
    void remplirRecentes();
    void retenirArchive(); // once an archive is listed, by whatever way it was opened
    void apresPasse(int mode, assistant::Issue issue);
    // What the extraction of "Extraire ici" left goes beside the archive: once its pass is over,
    // however it ended, before the program ends.
    void publierIci();

    // Before a box of the pass: the rows so far in sight, nothing of the progress behind it, and
    // the archive being opened named by the title and the status bar.
    void avantBoite();
    // At the window's pace while a pass runs.
    void battement();
    // Shows the message and ends the program.
    [[noreturn]] void erreurFatale(const QString& message);
    void repeindre();

    ListeResultats* modele_ = nullptr;
    ListeMontree* montree_ = nullptr;    // what ListView1 shows of modele_
    ListeResultats* ailleurs_ = nullptr; // where the pass's rows go instead, if anywhere
    ListeResultats* lignes() const { return ailleurs_ != nullptr ? ailleurs_ : modele_; }
    struct {
        qint64 compressee = 0;
        bool dossier = false;
        quint32 place = 0;
    } details_; // of the row that comes next
    QString motDePasse_;
    QString motDePasseDe_; // the archive it was typed for; empty: none in particular

    // The pass in progress.
    QString cheminPasse_;
    bool passeEnCours_ = false;
    Fin fin_ = Fin::Aucune;
    bool archiveActive_ = false;    // the archive controls before the pass
    bool premiereLigneVue_ = false; // published at once, the others at the window's pace
    bool premiereDemande_ = true;   // of the password, in this pass
    qint64 tailleListee_ = 0;       // the bytes of the entries listed so far
    // What the open command has chosen, named by the title and panel 2 from its first box on.
    std::optional<QByteArray> ouverture_;
    // The archive whose entries the last list pass went through, and their bytes.
    QString totalDe_;
    qint64 total_ = 0;
    QTimer* horloge_ = nullptr;
    std::unique_ptr<Avancement> avancement_;

    QAction* Mnu_Ouvrir = nullptr;
    QAction* Mnu_Fermer = nullptr;
    QAction* Mnu_Quitter = nullptr;
    QAction* Mnu_Extraire = nullptr;
    QAction* Mnu_Tester = nullptr;
    QAction* Mnu_Lister = nullptr;
    QAction* Mnu_APropos = nullptr;
    QAction* Mnu_Arreter = nullptr;
    QAction* Mnu_ExtraireSelection = nullptr;
    QAction* Mnu_EnregistrerListe = nullptr;
    QAction* Mnu_Copier = nullptr;
    QAction* Mnu_Filtrer = nullptr;
    QAction* Mnu_OuvrirLigne = nullptr;
    QWidget* barreFiltre_ = nullptr; // under the list, from the first Ctrl+F
    QLineEdit* filtre_ = nullptr;
    PanneauEtat* compte_ = nullptr;    // "N sur M" while the list is filtered
    QAction* boutonArreter_ = nullptr; // at the end of Toolbar1, while a pass runs
    QToolBar* Toolbar1 = nullptr;
    std::array<QAction*, 6> boutons_{}; // Toolbar1's buttons 1 to 6
    QCheckBox* Check1 = nullptr;
    QTableView* ListView1 = nullptr;
    std::array<PanneauEtat*, 3> panneaux_{}; // StatusBar1's panels 1 to 3
    PanneauEtat* protection_ = nullptr;      // says that the library runs outside its sandbox

    // The desktop's side.
    QAction* Mnu_Proprietes = nullptr;
    QMenu* Mnu_Recentes = nullptr;
    InfosArchive infos_;
    QElapsedTimer dureePasse_;
    int passes_ = 0;                                      // ended so far
    assistant::Issue issue_ = assistant::Issue::Terminee; // of the last pass
    std::unique_ptr<ici::Preparation> ici_; // where "Extraire ici" extracts, until published
};

// The answer to the replace question that the box's button `bouton` stands for.
Remplacement remplacementDe(QMessageBox::StandardButton bouton);
