#pragma once

// The window's side of a pass: what the helper's pass writes into the window (rows, the comment,
// the replace question, the password prompts), its progress and its end line in the status bar, a
// stop or a quit that the user asks meanwhile, and what the passes have learnt of the archive.

#include "Assistant.h"
#include "Avancement.h"
#include "InfosArchive.h"
#include "Notification.h"
#include "RetourPasse.h"

#include <QMessageBox>
#include <QString>

#include <memory>
#include <optional>
#include <vector>

class ListeResultats;
class PanneauEtat;
class QStatusBar;
class QTimer;
class QWidget;

class PasseFenetre final : private RetourPasse {
public:
    // What a pass asks of the window that shows it.
    class Fenetre {
    public:
        // Off for the pass: every command that would start another pass or change what it
        // reads; back once it is over.
        virtual void commandesDuPasse(bool pendant) = 0;
        // Before a box of the pass: the archive being opened is named by the title and the
        // status bar.
        virtual void avantBoite() = 0;
        // The archive that the password kept was typed for; empty: none in particular.
        virtual QString archiveDuMotDePasse() const = 0;
        // Typed at a prompt of the pass over `archive`: kept for the next commands, as if typed
        // on ticking the password box.
        virtual void motDePasseSaisi(const QString& motDePasse, const QString& archive) = 0;
        // The helper is gone, and the pass did not end whole: what an extraction wrote goes in
        // its place, before the program ends or a box says why; none of it when not `garder` (an
        // entry did not fit in the room left, and what came before would read as the whole).
        // What the box adds about it, in one sentence; empty for nothing.
        virtual QString ranger(bool garder) = 0;
        // An extraction into the window's list ended as `issue`: what it wrote goes in its place,
        // and the folder where it now lies comes back, for the user to see; empty when there is
        // none, or when the program ends with the pass.
        virtual QString dossierExtrait(assistant::Issue issue) = 0;
        // The folder that an extraction writes into, as the user knows it.
        virtual QString destination() const = 0;

    protected:
        ~Fenetre() = default;
    };

    // The rows go into `liste` unless a pass names another; the progress and the end line at the
    // right end of `barre`, whose `panneaux` make room for them.
    PasseFenetre(QWidget& fenetre, Fenetre& cote, ListeResultats& liste, QStatusBar* barre,
                 std::vector<PanneauEtat*> panneaux);
    ~PasseFenetre() override;
    PasseFenetre(const PasseFenetre&) = delete;
    PasseFenetre& operator=(const PasseFenetre&) = delete;

    // One pass over `chemin` in a helper process; see FUnRAR::TraiterArchive. Returns once the
    // helper is gone; ends the program on a failure, and on a quit asked meanwhile.
    assistant::Issue traiter(int mode, const QString& chemin, const QString& motDePasse,
                             const std::vector<quint32>& selection, ListeResultats* ailleurs);
    bool enCours() const { return enCours_; }

    // What a pass over `chemin` goes through, when it is known: the whole archive as its last
    // listing told it, or the entries at `selection` as the list shows them now. A selection's is
    // kept for the pass that follows, whose command empties the list first.
    std::optional<Travail> prevoir(const QString& chemin, const std::vector<quint32>& selection);

    // What the user asked of the pass in progress; a quit outweighs a stop.
    enum class Fin { Aucune, Arret, Quitter };
    void demanderFin(Fin fin);

    Avancement& avancement() { return *avancement_; }
    // What the library said of the archive that the passes went through.
    const InfosArchive& infos() const { return infos_; }
    int passes() const { return passes_; }            // ended so far
    assistant::Issue issue() const { return issue_; } // of the last one

private:
    // RetourPasse: what the pass writes into the window.
    void commentaire(const QString& texte, bool tronque) override;
    void montrerFenetre() override;
    void enTeteResultat(const QString& libelle) override;
    void detailsLigne(const DetailsEntree& details) override;
    void nouvelleLigne(const QString& nom, qint64 taille) override;
    void nouvelleLigneAscii(QByteArrayView nom, qint64 taille) override;
    void resultat(Resultat r, int code) override;
    Remplacement remplacer(const QString& nom) override;
    void progression(qint64 octets) override;
    void entreeSautee(qint64 taille) override;
    std::optional<QString> motDePasse(bool incorrect) override;
    [[noreturn]] void echec(const Messages::Echec& echec) override;
    void archive(quint32 drapeaux, int format) override;
    void volumesLus(int nombre) override;

    // After either of the above.
    void ligneAjoutee(qint64 taille);
    // Once the pass is over: what a list pass adds up to, and a notice of a long pass.
    void apresPasse(int mode, assistant::Issue issue);
    // Before a box of the pass: the rows so far in sight, nothing of the progress behind it.
    void avantBoite();
    // At the window's pace while a pass runs.
    void battement();
    void repeindre();
    // Shows the message and ends the program; what the pass wrote stays when `garder`.
    [[noreturn]] void erreurFatale(const QString& message, bool garder = true);

    QWidget& fenetre_;
    Fenetre& cote_;
    ListeResultats& liste_;
    ListeResultats* lignes_; // where the pass's rows go
    std::unique_ptr<Avancement> avancement_;
    QTimer* horloge_;

    DetailsEntree details_; // of the row that comes next
    // What the pass's rows add up to, counted as they come: read back from the list after a
    // pass, a million rows would each be decoded anew.
    struct {
        qint64 fichiers = 0;
        qint64 dossiers = 0;
        qint64 taille = 0;
        qint64 compressee = 0;
    } comptes_;
    QString chemin_;
    bool enCours_ = false;
    Fin fin_ = Fin::Aucune;
    bool premiereLigneVue_ = false; // published at once, the others at the window's pace
    bool premiereDemande_ = true;   // of the password, in this pass
    struct Prevu {
        QString chemin;
        std::vector<quint32> selection;
        Travail travail;
    };
    std::optional<Prevu> prevu_;         // a selection's work, for its pass
    notification::DureeDuTravail duree_; // outside the boxes
    InfosArchive infos_;
    int passes_ = 0;
    assistant::Issue issue_ = assistant::Issue::Terminee;
};

// The answer to the replace question that the box's button `bouton` stands for.
Remplacement remplacementDe(QMessageBox::StandardButton bouton);
