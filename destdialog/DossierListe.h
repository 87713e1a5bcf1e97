#pragma once

// Dir1, the folder list: the current folder with its parents down from its drive's root, and below
// it its subfolders; the current folder alone is drawn open, in bold. A single click only
// highlights an entry; a double click or Enter opens it, which makes it the current folder.

#include <QString>
#include <QTreeWidget>

class QKeyEvent;

class DossierListe final : public QTreeWidget {
    Q_OBJECT

public:
    explicit DossierListe(QWidget* parent = nullptr);

    // The folder open in the list, as a full path; not the entry merely highlighted.
    QString chemin() const { return chemin_; }

    // Opens `dossier`. Throws platform::ErreurDossier, leaving the list as it was, when the
    // folder does not exist or cannot be read.
    void setChemin(const QString& dossier);

    // Opens the current folder of the drive at `racine`. Throws platform::ErreurDossier when the
    // drive is not ready.
    void setLecteur(const QString& racine);

    // Reads the subfolders of the current folder again. Throws as setChemin() does.
    void actualiser();

    // Opens the highlighted entry, as a double click on it does.
    void ouvrirSurligne();

signals:
    // The list has opened `dossier`, which may lie on another volume than the one before.
    void cheminChange(const QString& dossier);

protected:
    void keyPressEvent(QKeyEvent* evenement) override;

private:
    void ouvrir(QTreeWidgetItem* entree);
    void remplir(const QString& dossier, const QStringList& sousDossiers);

    QString chemin_;
};
