#pragma once

// The main window: menus, toolbar, password box, result list and status bar, and every command.

#include "CheminsPartages.h"
#include "PasseFenetre.h"

#include <QMainWindow>

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
class BureauFenetre;
class PriseFenetre;
class PanneauEtat;
class QToolBar;
class QTableView;
class ListeResultats;
class ListeMontree;

class FUnRAR final : public QMainWindow, private PasseFenetre::Fenetre {
    Q_OBJECT

public:
    explicit FUnRAR(QWidget* parent = nullptr);
    ~FUnRAR() override;

    // Start-up: lists the archive named by the argument text, if any, as the system's bytes.
    void Form_Load(const QByteArray& texteArguments);
    void Form_Load(const QString& texteArguments) { Form_Load(texteArguments.toUtf8()); }

    // Runs one pass over `chemin` in a helper process (PasseFenetre), writing its rows into
    // ListView1. The window lives meanwhile, with the commands that would start another pass off;
    // "Arrêter" stops the pass, and a close request or "Quitter" ends the program once the helper
    // is gone.
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

    // Finding and taking entries in the list: filter, sort, selection, copy, saving the list,
    // "Extraire la sélection", opening an entry, dragging rows out (PriseFenetre.h).
    PriseFenetre& prise();
    // Start-up by "Extraire ici": the archive of the argument text extracted beside itself
    // (IciFenetre.h); none: as Form_Load.
    void extraireIci(const QByteArray& texteArguments);
    // Properties, recent archives, the names screen readers read (BureauFenetre.h).
    BureauFenetre& bureau();
    const InfosArchive& infosArchive() const { return passe_->infos(); }

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

    // The extract command, of the entries at `selection` only when it is not empty.
    void extraire(const std::vector<quint32>& selection);
    // An extraction pass into `dossier`, made the current directory, where the library writes;
    // false, with nothing extracted and the process where it was, when it cannot be.
    bool extraireDans(const QString& dossier, const std::vector<quint32>& selection = {});
    // The extraction pass into the current directory.
    void passeExtraction(const std::vector<quint32>& selection = {});
    // Before an extraction into `dossier`: what it needs fits in the room left there, or the user
    // wants it all the same. `ouvert`: that folder, open, which the room is read from.
    bool assezDePlace(const QString& dossier, const std::vector<quint32>& selection = {},
                      int ouvert = -1);

    void activerControlesArchive(bool actifs);
    void signalerProtection();
    // The open command once a file is chosen: `octets`, its path on disk.
    void ouvrir(const QByteArray& choisi);
    void Check1_Toggled(bool coche);
    void garderMotDePasse(const QString& motDePasse, const QString& archive);
    void decrireArchive(qint64 taille);
    // The archive that the argument text names, as start-up takes it, named by the title.
    void prendreArchive(const QByteArray& texteArguments);

    // PasseFenetre::Fenetre: what a pass asks of this window (the commands of a pass: on
    // "Arrêter", off the others).
    void commandesDuPasse(bool pendant) override;
    void avantBoite() override;
    QString archiveDuMotDePasse() const override { return motDePasseDe_; }
    void motDePasseSaisi(const QString& motDePasse, const QString& archive) override;
    QString ranger(bool garder) override;
    QString dossierExtrait(assistant::Issue issue) override;
    QString destination() const override;

    ListeResultats* modele_ = nullptr;
    ListeMontree* montree_ = nullptr; // what ListView1 shows of modele_
    QString motDePasse_;
    QString motDePasseDe_; // the archive it was typed for; empty: none in particular

    std::unique_ptr<PasseFenetre> passe_; // the window's side of every pass
    class PourPrise;
    std::unique_ptr<PourPrise> prise_; // finding and taking in ListView1, and what it asks of us
    class PourIci;
    std::unique_ptr<PourIci> ici_; // "Extraire ici", and what it asks of us
    class PourBureau;
    std::unique_ptr<PourBureau> bureau_; // the window at home on the desktop
    bool archiveActive_ = false;         // the archive controls before the pass
    // What the open command has chosen, named by the title and panel 2 from its first box on.
    std::optional<QByteArray> ouverture_;

    QAction* Mnu_Ouvrir = nullptr;
    QAction* Mnu_Fermer = nullptr;
    QAction* Mnu_Quitter = nullptr;
    QAction* Mnu_Extraire = nullptr;
    QAction* Mnu_Tester = nullptr;
    QAction* Mnu_Lister = nullptr;
    QAction* Mnu_APropos = nullptr;
    QAction* Mnu_Arreter = nullptr;
    QAction* boutonArreter_ = nullptr; // at the end of Toolbar1, while a pass runs
    QToolBar* Toolbar1 = nullptr;
    std::array<QAction*, 6> boutons_{}; // Toolbar1's buttons 1 to 6
    QCheckBox* Check1 = nullptr;
    QTableView* ListView1 = nullptr;
    std::array<PanneauEtat*, 3> panneaux_{}; // StatusBar1's panels 1 to 3
    PanneauEtat* protection_ = nullptr;      // says that the library runs outside its sandbox
};
