#pragma once

// The result list as the view shows it: the rows of ListeResultats, those whose name holds the
// filter's text, in the pass's order or sorted by a column. Rows that a pass adds while a filter is
// set are filtered as they come. Rows are known here by their rank in ListeResultats (0 the top),
// the rank its own accessors take.

#include <QAbstractTableModel>
#include <QString>

#include <vector>

class ListeResultats;

class ListeMontree final : public QAbstractTableModel {
    Q_OBJECT

public:
    ListeMontree(ListeResultats* source, QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;

    // Keeps the rows whose name, as the list shows it, holds `texte`, case and accents aside;
    // empty: every row.
    void filtrer(const QString& texte);
    bool filtre() const { return !aiguille_.isEmpty(); }
    // Folds the names known so far, which the first keystroke would otherwise wait for.
    void preparerFiltre() { ajouterCles(); }
    // Sorts by `colonne`: names in the French collation, sizes as numbers, results by their text;
    // rows alike keep the pass's order. -1: the pass's order again, as after every new pass.
    void trier(int colonne, Qt::SortOrder ordre);
    int colonneTri() const { return colonne_; }
    Qt::SortOrder ordreTri() const { return sens_; }

    // The rank in the source of the row shown at `ligne`.
    int rangSource(int ligne) const;
    // The rows now shown at the source ranks `rangs`, or -1 for those hidden.
    std::vector<int> lignesDe(const std::vector<int>& rangs) const;
    // The ranks of every row in the order shown, those that the filter hides too.
    std::vector<int> rangsDansLOrdre() const;
    int total() const { return int(connues_); }

    // What the filter compares: `texte` without case or accents ("Été" gives "ete").
    static QString plier(const QString& texte);

signals:
    // The order went back to the pass's (a new pass, or a list emptied).
    void ordreDuPasse();

private:
    quint32 ordinal(int ligne) const;    // 0 the first row the pass added
    quint32 dansLOrdre(quint32 i) const; // the ordinal of the i-th row shown, filter aside
    int rangDe(quint32 ordinal) const;
    bool garde(quint32 ordinal);
    void ajouterCles(); // for the rows known since the last call
    void refaire(bool resserre);

    void avantRemise();
    void apresRemise();
    void lignesAjoutees(int combien);
    void donneesChangees(const QModelIndex& haut, const QModelIndex& bas);

    ListeResultats* source_;
    quint32 connues_ = 0; // rows of the source published so far
    // Ordinals of every row, in the order shown, while sorted.
    std::vector<quint32> tri_;
    int colonne_ = -1;
    Qt::SortOrder sens_ = Qt::AscendingOrder;
    // While a filter is set: ordinals of the rows shown, bottom row first, so that rows the pass
    // adds on top are appended.
    std::vector<quint32> montres_;
    QString aiguille_; // folded
    // The folded names, end to end, and where each ends.
    QString cles_;
    std::vector<qsizetype> finsCles_;
};
