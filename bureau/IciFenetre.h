#pragma once

// "Extraire ici" from the window (IciFenetre.cpp): the archive of the argument text extracted
// beside itself without the dialog, in one pass into a folder of its own (ExtraireIci.h), then
// what is on disk there published under one new name once the pass is over, however it ended.

#include "Assistant.h"
#include "ExtraireIci.h"

#include <QByteArray>
#include <QString>

#include <memory>

class ListeResultats;
class PasseFenetre;
class QWidget;

class IciFenetre final {
public:
    // What "Extraire ici" asks of the window.
    class Fenetre {
    public:
        // Takes the archive that the argument text names, as start-up takes it.
        virtual void prendreArchive(const QByteArray& texteArguments) = 0;
        // Before the extraction into `dossier`: what it needs fits in the room left in `ouvert`,
        // that folder open, or the user wants it all the same.
        virtual bool assezDePlace(const QString& dossier, int ouvert) = 0;
        // Extracts the whole archive taken into the current directory, then keeps it open.
        virtual void extraireArchive() = 0;

    protected:
        ~Fenetre() = default;
    };

    // Boxes show over `parent`; the passes are `passe`'s, their rows `modele`'s.
    IciFenetre(QWidget* parent, const PasseFenetre& passe, const ListeResultats& modele,
               Fenetre& fenetre);
    ~IciFenetre();

    // Where the archive's folder takes no new folder, a box says so and the program ends, having
    // written nothing. Ends the program when every row is "OK", else stays on the rows.
    void extraire(const QByteArray& texteArguments);

    // What a pass asks of the window, while "Extraire ici" runs one (PasseFenetre::Fenetre).
    QString ranger(bool garder);
    QString destination() const;
    QString dossierExtrait(assistant::Issue issue);

private:
    // What the extraction left goes beside the archive (`entier`: whole), and the archive's
    // folder becomes the current one.
    ici::Preparation::Publication publier(bool entier);
    void lacher(); // the archive's folder current again, the preparation gone
    // What became of the publishing, in one sentence for the box of a failure; empty when nothing
    // was extracted.
    QString phrase(const ici::Preparation::Publication& p) const;
    bool lignesToutesOK() const;

    QWidget* parent_;
    const PasseFenetre& passe_;
    const ListeResultats& modele_;
    Fenetre& fenetre_;
    std::unique_ptr<ici::Preparation> ici_; // where "Extraire ici" extracts, until published
    QByteArray dossier_;                    // the archive's folder, as the user named it
    bool finSiToutOK_ = false;              // an extraction whose every row is "OK" ends the run
};
