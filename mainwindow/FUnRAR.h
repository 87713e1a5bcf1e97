#pragma once

// The main window: menus, toolbar, password box, result list and status bar, and every command.

#include "CheminsPartages.h"
#include "RetourPasse.h"

#include <QMainWindow>
#include <QMessageBox>

#include <array>

class QAction;
class QCheckBox;
class QCloseEvent;
class QDragEnterEvent;
class QDropEvent;
class QLabel;
class QProgressBar;
class QToolBar;
class QTableView;
class ListeResultats;

class FUnRAR final : public QMainWindow, private RetourPasse {
    Q_OBJECT

public:
    explicit FUnRAR(QWidget* parent = nullptr);
    ~FUnRAR() override;

    // Start-up: lists the archive named by the argument text, if any, as the system's bytes.
    void Form_Load(const QByteArray& texteArguments);
    void Form_Load(const QString& texteArguments) { Form_Load(texteArguments.toUtf8()); }

    // Runs one pass over `chemin` in a helper process, writing its rows into ListView1. A close
    // request during the pass ends the program once the helper is gone.
    void TraiterArchive(int mode, const QString& chemin, const QString& motDePasse);

    // The password handed to every pass: the one typed when Check1 was ticked, else empty.
    QString argumentMotDePasse() const;

    ListeResultats* modeleResultats() const { return modele_; }

    void Mnu_Ouvrir_Click();
    void Mnu_Fermer_Click();
    void Mnu_Quitter_Click();
    void Mnu_Extraire_Click();
    void Mnu_Tester_Click();
    void Mnu_Lister_Click();
    void Mnu_APropos_Click();
    void Toolbar1_ButtonClick(int index);

    QString texteAPropos() const;

protected:
    void closeEvent(QCloseEvent* evenement) override;
    // A local file dropped on the window opens as the open command opens it.
    void dragEnterEvent(QDragEnterEvent* evenement) override;
    void dropEvent(QDropEvent* evenement) override;

private:
    void createActions();
    void createMenus();
    void createToolBar();
    void createCentralWidget();
    void createStatusBar();
    void ajusterColonnes();

    void activerControlesArchive(bool actifs);
    void signalerProtection();
    // The open command once a file is chosen: `octets`, its path on disk.
    void ouvrir(const QByteArray& octets);
    void Check1_Toggled(bool coche);

    // RetourPasse: what the pass writes into this window.
    void commentaire(const QString& texte, bool tronque) override;
    void montrerFenetre() override;
    void enTeteResultat(const QString& libelle) override;
    void nouvelleLigne(const QString& nom, qint64 taille) override;
    void resultat(Resultat r, int code) override;
    Remplacement remplacer(const QString& nom) override;
    void progression(qint64 octets) override;
    std::optional<QString> motDePasse(bool incorrect) override;
    bool patienter() override;
    [[noreturn]] void echec(const Messages::Echec& echec) override;

    // Shows the message and ends the program.
    [[noreturn]] void erreurFatale(const QString& message);
    void repeindre();

    ListeResultats* modele_ = nullptr;
    QString motDePasse_;

    // The pass in progress.
    QString cheminPasse_;
    bool passeEnCours_ = false;
    bool fermetureDemandee_ = false;
    qint64 dernierRepeintMs_ = -1; // -1 until the first repaint of a pass
    bool premiereLigneVue_ = false;
    qint64 evenementsMs_ = 0; // when the window last answered the window system
    qint64 debutEntreeMs_ = 0;
    qint64 tailleEntree_ = 0;
    qint64 octetsEntree_ = 0;

    QAction* Mnu_Ouvrir = nullptr;
    QAction* Mnu_Fermer = nullptr;
    QAction* Mnu_Quitter = nullptr;
    QAction* Mnu_Extraire = nullptr;
    QAction* Mnu_Tester = nullptr;
    QAction* Mnu_Lister = nullptr;
    QAction* Mnu_APropos = nullptr;
    QToolBar* Toolbar1 = nullptr;
    std::array<QAction*, 6> boutons_{}; // Toolbar1's buttons 1 to 6
    QCheckBox* Check1 = nullptr;
    QTableView* ListView1 = nullptr;
    std::array<QLabel*, 3> panneaux_{}; // StatusBar1's panels 1 to 3
    QProgressBar* progression_ = nullptr;
    QLabel* protection_ = nullptr; // says that the library runs outside its sandbox
};

// The answer to the replace question that the box's button `bouton` stands for.
Remplacement remplacementDe(QMessageBox::StandardButton bouton);
