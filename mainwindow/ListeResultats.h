#pragma once

// The rows of the result list. Rows are stored in the order the pass adds them and shown newest
// first, so adding a row "at the top" costs O(1) however long the list is. Added rows reach the
// view in batches (publier), because telling a view about each of 100,000 rows one by one costs
// far more than the library's own pass.

#include <QAbstractTableModel>
#include <QString>

#include <vector>

class ListeResultats final : public QAbstractTableModel {
    Q_OBJECT

public:
    enum Colonne { ColonneFichier = 0, ColonneTaille = 1, ColonneResultat = 2, NombreColonnes = 3 };

    explicit ListeResultats(QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;

    void viderLignes();
    void ajouterEnTete(const QString& nom, qint64 taille); // row 1, the top of the list
    void ecrireResultat(const QString& texte);             // third cell of the top row
    void definirEnTeteResultat(const QString& libelle);

    // Makes every added row visible to the views. Cheap when nothing is waiting.
    void publier();

    // Rows added so far, published or not.
    int nombreLignes() const { return int(lignes_.size()); }
    QString texte(int ligne, int colonne) const; // ligne 0 is the top of the list

private:
    // Names live end to end in one buffer and results as indexes into a few texts: a row costs no
    // allocation of its own, which keeps a pass over a large archive close to the library's pace.
    struct Ligne {
        std::size_t debutNom = 0;
        qsizetype longueurNom = 0;
        qint64 taille = 0;
        std::size_t resultat = 0; // index into textesResultat_
    };

    const Ligne& ligneAffichee(int ligne) const { return lignes_[publiees_ - 1 - ligne]; }
    QString nom(const Ligne& l) const;
    QString texteCellule(const Ligne& l, int colonne) const;

    std::vector<Ligne> lignes_;
    std::vector<char16_t> noms_;
    std::vector<QString> textesResultat_{QString()};
    std::size_t publiees_ = 0;
    QString enTeteResultat_;
};
