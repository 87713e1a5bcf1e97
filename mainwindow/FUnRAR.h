#pragma once

// The main window: menus, toolbar, password box, result list and status bar, and every command.

#include "ModuleRAR.h"
#include "TraiterArchive.h"

#include <QMainWindow>

#include <array>

class QAction;
class QCheckBox;
class QLabel;
class QToolBar;
class QTableView;
class ListeResultats;

class FUnRAR final : public QMainWindow, private RetourPasse {
    Q_OBJECT

public:
    explicit FUnRAR(const ModuleRAR::UnrarApi& api, QWidget* parent = nullptr);
    ~FUnRAR() override;

    // Start-up: lists the archive named by the argument text, if any.
    void Form_Load(const QString& texteArguments);

    // Runs one pass over `chemin`, writing its rows into ListView1.
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

private:
    void createActions();
    void createMenus();
    void createToolBar();
    void createCentralWidget();
    void createStatusBar();
    void ajusterColonnes();

    void activerControlesArchive(bool actifs);
    void Check1_Toggled(bool coche);

    // RetourPasse: what the pass writes into this window.
    void commentaire(const QString& texte) override;
    void montrerFenetre() override;
    void enTeteResultat(const QString& libelle) override;
    void nouvelleLigne(const QString& nom, qint64 taille) override;
    void resultat(const QString& texte) override;
    void entreeTerminee() override;
    Remplacement remplacer(const QString& nom) override;
    [[noreturn]] void erreurFatale(const QString& message) override;

    void repeindre();

    ModuleRAR::UnrarApi api_;
    ListeResultats* modele_ = nullptr;
    qint64 dernierRepeintMs_ = -1; // -1 until the first repaint of a pass
    QString motDePasse_;

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
};
