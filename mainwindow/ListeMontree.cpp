#include "ListeMontree.h"

#include "ListeResultats.h"
#include "TexteVisible.h"

#include <QCollator>
#include <QHash>
#include <QLocale>

#include <algorithm>

ListeMontree::ListeMontree(ListeResultats* source, QObject* parent)
    : QAbstractTableModel(parent)
    , source_(source)
    , connues_(quint32(source->rowCount())) {
    connect(source, &QAbstractItemModel::modelAboutToBeReset, this, &ListeMontree::avantRemise);
    connect(source, &QAbstractItemModel::modelReset, this, &ListeMontree::apresRemise);
    connect(source, &QAbstractItemModel::rowsInserted, this,
            [this](const QModelIndex&, int premiere, int derniere) {
                lignesAjoutees(derniere - premiere + 1);
            });
    connect(source, &QAbstractItemModel::dataChanged, this, &ListeMontree::donneesChangees);
    connect(source, &QAbstractItemModel::headerDataChanged, this,
            &QAbstractItemModel::headerDataChanged);
}

int ListeMontree::rowCount(const QModelIndex& parent) const {
    if (parent.isValid()) {
        return 0;
    }
    return filtre() ? int(montres_.size()) : int(connues_);
}

int ListeMontree::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : source_->columnCount();
}

QVariant ListeMontree::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= rowCount()) {
        return {};
    }
    // The source counts its published rows from the top.
    const int publie = source_->rowCount() - 1 - int(ordinal(index.row()));
    return source_->data(source_->index(publie, index.column()), role);
}

QVariant ListeMontree::headerData(int section, Qt::Orientation orientation, int role) const {
    return source_->headerData(section, orientation, role);
}

quint32 ListeMontree::ordinal(int ligne) const {
    if (filtre()) {
        return montres_[montres_.size() - 1 - std::size_t(ligne)];
    }
    return dansLOrdre(quint32(ligne));
}

quint32 ListeMontree::dansLOrdre(quint32 i) const {
    return colonne_ >= 0 ? tri_[i] : connues_ - 1 - i;
}

int ListeMontree::rangDe(quint32 ordinal) const {
    return source_->nombreLignes() - 1 - int(ordinal);
}

int ListeMontree::rangSource(int ligne) const {
    return rangDe(ordinal(ligne));
}

std::vector<int> ListeMontree::lignesDe(const std::vector<int>& rangs) const {
    std::vector<int> ligneDe(connues_, -1); // by ordinal
    for (int l = 0; l < rowCount(); ++l) {
        ligneDe[ordinal(l)] = l;
    }
    std::vector<int> lignes;
    lignes.reserve(rangs.size());
    for (const int rang : rangs) {
        const int o = source_->nombreLignes() - 1 - rang;
        lignes.push_back(o >= 0 && quint32(o) < connues_ ? ligneDe[std::size_t(o)] : -1);
    }
    return lignes;
}

std::vector<int> ListeMontree::rangsDansLOrdre() const {
    std::vector<int> rangs;
    rangs.reserve(connues_);
    for (quint32 i = 0; i < connues_; ++i) {
        rangs.push_back(rangDe(dansLOrdre(i)));
    }
    return rangs;
}

QString ListeMontree::plier(const QString& texte) {
    // Nearly every name is ASCII: it only loses its capitals.
    if (std::all_of(texte.begin(), texte.end(), [](QChar c) { return c.unicode() < 0x80; })) {
        return texte.toLower();
    }
    // Decomposed, an accented letter is its letter followed by marks, which go.
    const QString decompose = texte.normalized(QString::NormalizationForm_KD);
    QString sansMarques;
    sansMarques.reserve(decompose.size());
    for (const QChar c : decompose) {
        if (!c.isMark()) {
            sansMarques += c;
        }
    }
    return sansMarques.toCaseFolded();
}

void ListeMontree::ajouterCles() {
    // Folded once, when a filter first needs them; then only the rows that came since.
    finsCles_.reserve(connues_);
    for (quint32 o = quint32(finsCles_.size()); o < connues_; ++o) {
        cles_ += plier(nomVisible(source_->texte(rangDe(o), ListeResultats::ColonneFichier)));
        finsCles_.push_back(cles_.size());
    }
}

bool ListeMontree::garde(quint32 ordinal) {
    const qsizetype debut = ordinal == 0 ? 0 : finsCles_[ordinal - 1];
    return QStringView(cles_).sliced(debut, finsCles_[ordinal] - debut).contains(aiguille_);
}

void ListeMontree::refaire(bool resserre) {
    if (!filtre()) {
        montres_.clear();
        return;
    }
    ajouterCles();
    if (resserre) {
        // A longer text keeps a part of the rows it kept.
        std::erase_if(montres_, [this](quint32 o) { return !garde(o); });
        return;
    }
    montres_.clear();
    for (quint32 i = connues_; i-- > 0;) {
        const quint32 o = dansLOrdre(i);
        if (garde(o)) {
            montres_.push_back(o);
        }
    }
}

void ListeMontree::filtrer(const QString& texte) {
    const QString aiguille = plier(texte);
    if (aiguille == aiguille_) {
        return;
    }
    const bool resserre = filtre() && aiguille.contains(aiguille_);
    beginResetModel();
    aiguille_ = aiguille;
    refaire(resserre);
    endResetModel();
}

void ListeMontree::trier(int colonne, Qt::SortOrder sens) {
    beginResetModel();
    colonne_ = colonne;
    sens_ = sens;
    tri_.clear();
    if (colonne >= 0) {
        for (quint32 o = connues_; o-- > 0;) {
            tri_.push_back(o); // the pass's order, newest first, for rows alike
        }
        QCollator francais(QLocale(QLocale::French, QLocale::France));
        // One key a row, made once: comparing the texts themselves in the sort would cost a
        // collation each time, several seconds on 100,000 rows.
        std::vector<qint64> cles(connues_);
        if (colonne == ListeResultats::ColonneFichier) {
            std::vector<QCollatorSortKey> noms;
            noms.reserve(connues_);
            for (quint32 o = 0; o < connues_; ++o) {
                noms.push_back(francais.sortKey(nomVisible(source_->texte(rangDe(o), colonne))));
            }
            std::stable_sort(tri_.begin(), tri_.end(), [&noms](quint32 a, quint32 b) {
                return noms[a].compare(noms[b]) < 0;
            });
        } else if (colonne == ListeResultats::ColonneTaille) {
            for (quint32 o = 0; o < connues_; ++o) {
                cles[o] = source_->taille(rangDe(o));
            }
        } else {
            // The results are a few texts: each takes its place among them.
            QStringList textes;
            for (quint32 o = 0; o < connues_; ++o) {
                textes << source_->texte(rangDe(o), colonne);
            }
            QStringList distincts = textes;
            distincts.removeDuplicates();
            std::sort(distincts.begin(), distincts.end(), francais);
            QHash<QString, qint64> places;
            for (qsizetype i = 0; i < distincts.size(); ++i) {
                places.insert(distincts[i], i);
            }
            for (quint32 o = 0; o < connues_; ++o) {
                cles[o] = places.value(textes[o]);
            }
        }
        if (colonne != ListeResultats::ColonneFichier) {
            std::stable_sort(tri_.begin(), tri_.end(),
                             [&cles](quint32 a, quint32 b) { return cles[a] < cles[b]; });
        }
        if (sens == Qt::DescendingOrder) {
            std::reverse(tri_.begin(), tri_.end());
        }
    }
    refaire(false);
    endResetModel();
    if (colonne < 0) {
        emit ordreDuPasse();
    }
}

void ListeMontree::avantRemise() {
    beginResetModel();
}

void ListeMontree::apresRemise() {
    connues_ = quint32(source_->rowCount());
    colonne_ = -1;
    tri_.clear();
    cles_.clear();
    finsCles_.clear();
    refaire(false);
    endResetModel();
    emit ordreDuPasse();
}

void ListeMontree::lignesAjoutees(int combien) {
    if (colonne_ >= 0) {
        // Only a pass adds rows, and a pass empties the list first: a sorted list takes none.
        // Should one come all the same, it shows in the pass's order.
        beginResetModel();
        connues_ += quint32(combien);
        colonne_ = -1;
        tri_.clear();
        refaire(false);
        endResetModel();
        emit ordreDuPasse();
        return;
    }
    if (!filtre()) {
        beginInsertRows(QModelIndex(), 0, combien - 1);
        connues_ += quint32(combien);
        endInsertRows();
        return;
    }
    const quint32 avant = connues_;
    connues_ += quint32(combien);
    ajouterCles();
    std::vector<quint32> nouvelles;
    for (quint32 o = avant; o < connues_; ++o) {
        if (garde(o)) {
            nouvelles.push_back(o);
        }
    }
    if (nouvelles.empty()) {
        return;
    }
    beginInsertRows(QModelIndex(), 0, int(nouvelles.size()) - 1);
    montres_.insert(montres_.end(), nouvelles.begin(), nouvelles.end());
    endInsertRows();
}

void ListeMontree::donneesChangees(const QModelIndex& haut, const QModelIndex& bas) {
    for (int publie = haut.row(); publie <= bas.row(); ++publie) {
        const auto o = quint32(source_->rowCount() - 1 - publie);
        int ligne = -1;
        if (!filtre() && colonne_ < 0) {
            ligne = int(connues_ - 1 - o);
        } else if (colonne_ < 0) {
            // The rows shown are in the pass's order, the newest last.
            const auto trouve = std::lower_bound(montres_.begin(), montres_.end(), o);
            if (trouve != montres_.end() && *trouve == o) {
                ligne = int(montres_.end() - trouve) - 1;
            }
        } else {
            ligne = lignesDe({rangDe(o)}).front();
        }
        if (ligne >= 0) {
            emit dataChanged(index(ligne, haut.column()), index(ligne, bas.column()));
        }
    }
}
