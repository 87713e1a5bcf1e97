#pragma once

// The main window: menus, toolbar, password box, result list and status bar, and every command.
// Finding and taking (PriseFenetre), "Extraire ici" (IciFenetre), the desktop (BureauFenetre)
// and a pass (PasseFenetre) live in rooms of their own, each answered through a small private
// adapter (FUnRAR.cpp).

#include "CheminsPartages.h"
#include "Commandes.h"
#include "MotDePasseGarde.h"

#include <QMainWindow>

#include <array>
#include <memory>
#include <optional>
#include <vector>

class BureauFenetre;
class ListeMontree;
class ListeResultats;
class PanneauEtat;
class PasseFenetre;
class PriseFenetre;
class QCheckBox;
class QCloseEvent;
class QDragEnterEvent;
class QDropEvent;
class QTableView;
struct InfosArchive;

class FUnRAR final : public QMainWindow {
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

    ListeResultats* modeleResultats() const { return modele_; }
    // What the last listing of the open archive told of it.
    const InfosArchive& infosArchive() const;
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

    // Finding and taking entries in the list: filter, sort, selection, copy, saving the list,
    // "Extraire la sélection", opening an entry, dragging rows out (PriseFenetre.h).
    PriseFenetre& prise();
    // Start-up by "Extraire ici": the archive of the argument text extracted beside itself
    // (IciFenetre.h); none: as Form_Load.
    void extraireIci(const QByteArray& texteArguments);
    // Properties, recent archives, the names screen readers read (BureauFenetre.h).
    BureauFenetre& bureau();

protected:
    void closeEvent(QCloseEvent* evenement) override;
    // A local file dropped on the window opens as the open command opens it.
    void dragEnterEvent(QDragEnterEvent* evenement) override;
    void dropEvent(QDropEvent* evenement) override;

private:
    void createCentralWidget();
    void createStatusBar();

    // The password handed to every pass: the one typed when Check1 was ticked, else empty.
    QString argumentMotDePasse() const;
    // The extract command, of the entries at `selection` only when it is not empty.
    void extraire(const std::vector<quint32>& selection);
    // The extraction pass into the current directory.
    void passeExtraction(const std::vector<quint32>& selection = {});
    // Before an extraction into `dossier`: what it needs fits in the room left there, or the user
    // wants it all the same. `ouvert`: that folder, open, which the room is read from.
    bool assezDePlace(const QString& dossier, const std::vector<quint32>& selection = {},
                      int ouvert = -1);

    // Panel 2: the archive's name, then its size, which is never the part cut.
    void decrireArchive(qint64 taille);
    // The open command once a file is chosen: `octets`, its path on disk.
    void ouvrir(const QByteArray& choisi);
    void Check1_Toggled(bool coche);
    // The archive that the argument text names, as start-up takes it, named by the title.
    void prendreArchive(const QByteArray& texteArguments);

    ListeResultats* modele_ = nullptr;
    ListeMontree* montree_ = nullptr; // what ListView1 shows of modele_
    MotDePasseGarde motDePasse_;
    // What the open command has chosen, named by the title and panel 2 from its first box on.
    std::optional<QByteArray> ouverture_;

    class PourPasse;
    std::unique_ptr<PourPasse> pourPasse_; // what a pass asks of us, for as long as passe_ lives
    std::unique_ptr<PasseFenetre> passe_;  // the window's side of every pass
    class PourPrise;
    std::unique_ptr<PourPrise> prise_; // finding and taking in ListView1, and what it asks of us
    class PourIci;
    std::unique_ptr<PourIci> ici_; // "Extraire ici", and what it asks of us
    class PourBureau;
    std::unique_ptr<PourBureau> bureau_; // the window at home on the desktop

    Commandes commandes_; // the menus' commands and Toolbar1's buttons
    QCheckBox* Check1 = nullptr;
    QTableView* ListView1 = nullptr;
    std::array<PanneauEtat*, 3> panneaux_{}; // StatusBar1's panels 1 to 3
    PanneauEtat* protection_ = nullptr;      // says that the library runs outside its sandbox
};
