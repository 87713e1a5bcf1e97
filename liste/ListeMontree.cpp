#include "ListeMontree.h"

#include "TexteVisible.h"

#include <QCollator>
#include <QHash>
#include <QLocale>

#include <algorithm>

namespace {

// Whether the `n` bytes at `texte`, ASCII capitals taken as small letters, are those of `pli`.
bool pareil(const char* texte, const char* pli, qsizetype n) {
    for (qsizetype i = 0; i < n; ++i) {
        const auto c = unsigned(uchar(texte[i]));
        if ((c - 'A' < 26U ? c + ('a' - 'A') : c) != unsigned(uchar(pli[i]))) {
            return false;
        }
    }
    return true;
}

} // namespace

Cherchee::Cherchee(const QByteArray& pli)
    : aiguille_(pli)
    , pli_(pli) {
    for (qsizetype k = 1; k < pli.size(); ++k) {
        if (pli[k - 1] == '/') {
            coupures_.push_back(k);
        }
    }
}

bool Cherchee::finit(const ListeResultats& source, quint32 dossier, qsizetype k) const {
    const QByteArrayView cle = source.cleDossier(dossier);
    return cle.size() >= k && pareil(cle.data() + cle.size() - k, pli_.constData(), k);
}

Cherchee::Etat Cherchee::apprendre(const ListeResultats& source, quint32 dossier) const {
    if (dossier >= dossiers_.size()) {
        dossiers_.resize(std::size_t(dossier) + 1, Inconnu);
    }
    const QByteArrayView cle = source.cleDossier(dossier);
    Etat e = aiguille_.dans(cle.data(), std::size_t(cle.size())) ? Present : Absent;
    for (std::size_t i = 0; e == Absent && i < coupures_.size(); ++i) {
        e = finit(source, dossier, coupures_[i]) ? ACheval : Absent;
    }
    dossiers_[dossier] = e;
    return e;
}

bool Cherchee::aCheval(const ListeResultats& source, const ListeResultats::Cle& c) const {
    for (const qsizetype k : coupures_) {
        const qsizetype reste = pli_.size() - k;
        if (c.feuille.size() >= reste && pareil(c.feuille.data(), pli_.constData() + k, reste) &&
            finit(source, c.dossier, k)) {
            return true;
        }
    }
    return false;
}

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
    return filtre() ? int(montres_.compte()) : int(connues_);
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
        return ordinalA(montres_.kieme(montres_.compte() - 1 - quint32(ligne)));
    }
    return ordinalA(connues_ - 1 - quint32(ligne));
}

int ListeMontree::rangDe(quint32 ordinal) const {
    return source_->nombreLignes() - 1 - int(ordinal);
}

int ListeMontree::rangSource(int ligne) const {
    return rangDe(ordinal(ligne));
}

int ListeMontree::ligneDe(quint32 ordinal) const {
    const quint32 place = colonne_ >= 0 ? placeDe_[ordinal] : ordinal;
    if (!filtre()) {
        return int(connues_ - 1 - place);
    }
    return montres_.contient(place) ? int(montres_.compte() - 1 - montres_.rang(place)) : -1;
}

std::vector<int> ListeMontree::lignesDe(const std::vector<int>& rangs) const {
    std::vector<int> lignes;
    lignes.reserve(rangs.size());
    for (const int rang : rangs) {
        const int o = source_->nombreLignes() - 1 - rang;
        lignes.push_back(o >= 0 && quint32(o) < connues_ ? ligneDe(quint32(o)) : -1);
    }
    return lignes;
}

std::vector<int> ListeMontree::rangsDansLOrdre() const {
    std::vector<int> rangs;
    rangs.reserve(connues_);
    for (quint32 place = connues_; place-- > 0;) {
        rangs.push_back(rangDe(ordinalA(place)));
    }
    return rangs;
}

void ListeMontree::refiltrer() {
    if (!filtre()) {
        return;
    }
    const QByteArray aiguille = niveaux_.back().aiguille;
    const Cherchee cherchee(aiguille);
    niveaux_.clear();
    montres_.vider(connues_);
    suites_.resize(connues_);
    for (quint32 place = 0; place < connues_; ++place) {
        if (garde(place, cherchee, suites_[place].suite)) {
            montres_.ajouter(place);
        }
    }
    suitesJustes_ = true;
    niveaux_.push_back({aiguille, {}});
}

void ListeMontree::filtrer(const QString& texte) {
    QByteArray aiguille = pliage::plier(texte);
    if (aiguille == (filtre() ? niveaux_.back().aiguille : QByteArray())) {
        return;
    }
    if (aiguille.isEmpty()) {
        beginResetModel();
        niveaux_.clear();
        suites_ = {};
        suitesJustes_ = false;
        endResetModel();
        return;
    }
    // The last text typed that the new one holds: the rows it kept hold every row to keep.
    std::size_t base = niveaux_.size();
    while (base > 0 && !aiguille.contains(niveaux_[base - 1].aiguille)) {
        --base;
    }
    // The rows to show are made apart, then take the place of those shown: the model changes
    // only between its signals.
    EnsemblePlaces& montres = brouillon_;
    const Cherchee cherchee(aiguille);
    Niveau niveau{std::move(aiguille), {}};
    bool change = false;
    if (base == 0) {
        montres.vider(connues_);
        suites_.resize(connues_);
        for (quint32 place = 0; place < connues_; ++place) {
            if (garde(place, cherchee, suites_[place].suite)) {
                montres.ajouter(place);
            }
        }
        suitesJustes_ = true;
        change = montres.compte() != connues_ || rowCount() != int(connues_);
    } else {
        // Back to the rows that text kept: those its successors dropped come back, untried.
        montres = montres_;
        for (std::size_t n = base; n < niveaux_.size(); ++n) {
            montres.unir(niveaux_[n].ecartees);
        }
        change = montres.compte() != montres_.compte();
        const QByteArray& avant = niveaux_[base - 1].aiguille;
        if (niveau.aiguille != avant) {
            // Then only those are tried; typed on from the filter's text, first on what follows
            // that text in each row.
            const bool suite =
                suitesJustes_ && base == niveaux_.size() && niveau.aiguille.startsWith(avant);
            const QByteArrayView ajout =
                suite ? QByteArrayView(niveau.aiguille).sliced(avant.size()) : QByteArrayView();
            niveau.ecartees.vider(connues_);
            change = montres.ecarter(
                         [&](quint32 place) {
                             Cherchee::Suite& s = suites_[place].suite;
                             return (suite && Cherchee::prolonger(s, ajout)) ||
                                    garde(place, cherchee, s);
                         },
                         niveau.ecartees) > 0 ||
                     change;
            suitesJustes_ = true;
        } else {
            suitesJustes_ = false; // the rows given back were not tried
        }
    }
    // The same rows in the same order (every row kept, or nothing given back nor dropped): the
    // view has nothing to learn.
    if (change) {
        beginResetModel();
    }
    std::swap(montres_, montres);
    niveaux_.resize(base);
    if (niveaux_.empty() || niveau.aiguille != niveaux_.back().aiguille) {
        niveaux_.push_back(std::move(niveau));
    }
    if (change) {
        endResetModel();
    }
}

void ListeMontree::trier(int colonne, Qt::SortOrder sens) {
    beginResetModel();
    colonne_ = colonne;
    sens_ = sens;
    tri_.clear();
    placeDe_.clear();
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
        // Placed from the bottom.
        if (sens == Qt::AscendingOrder) {
            std::reverse(tri_.begin(), tri_.end());
        }
        placeDe_.resize(connues_);
        for (quint32 place = 0; place < connues_; ++place) {
            placeDe_[tri_[place]] = place;
        }
    }
    refiltrer();
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
    placeDe_.clear();
    refiltrer();
    endResetModel();
    emit ordreDuPasse();
}

void ListeMontree::lignesAjoutees(int combien) {
    if (colonne_ >= 0) {
        // Only a pass adds rows, and a pass empties the list first: a sorted list takes none.
        // Should one come all the same, the rows go back to the pass's order, where it comes
        // on top. Moved rather than reset, each row keeps its selection.
        emit layoutAboutToBeChanged();
        const QModelIndexList avant = persistentIndexList();
        std::vector<quint32> ordinaux;
        ordinaux.reserve(std::size_t(avant.size()));
        for (const QModelIndex& i : avant) {
            ordinaux.push_back(ordinal(i.row()));
        }
        colonne_ = -1;
        tri_.clear();
        placeDe_.clear();
        refiltrer(); // the same rows, at other places
        QModelIndexList apres;
        apres.reserve(avant.size());
        for (qsizetype i = 0; i < avant.size(); ++i) {
            apres.append(index(ligneDe(ordinaux[std::size_t(i)]), avant[i].column()));
        }
        changePersistentIndexList(avant, apres);
        emit layoutChanged();
        emit ordreDuPasse();
    }
    if (!filtre()) {
        beginInsertRows(QModelIndex(), 0, combien - 1);
        connues_ += quint32(combien);
        endInsertRows();
        return;
    }
    // Each new row goes with the rows that the first text it lacks dropped, or is shown.
    const quint32 avant = connues_;
    connues_ += quint32(combien);
    for (std::size_t n = 1; n < niveaux_.size(); ++n) {
        niveaux_[n].ecartees.agrandir(connues_);
    }
    std::vector<Cherchee> cherchees;
    for (const Niveau& niveau : niveaux_) {
        cherchees.emplace_back(niveau.aiguille);
    }
    suites_.resize(connues_);
    std::vector<quint32> nouvelles;
    for (quint32 place = avant; place < connues_; ++place) {
        std::size_t n = 0;
        while (n < niveaux_.size() && garde(place, cherchees[n], suites_[place].suite)) {
            ++n;
        }
        if (n == niveaux_.size()) {
            nouvelles.push_back(place);
        } else if (n > 0) {
            niveaux_[n].ecartees.ajouter(place);
        }
    }
    if (nouvelles.empty()) {
        montres_.agrandir(connues_);
        return;
    }
    beginInsertRows(QModelIndex(), 0, int(nouvelles.size()) - 1);
    montres_.agrandir(connues_);
    for (const quint32 place : nouvelles) {
        montres_.ajouter(place);
    }
    endInsertRows();
}

void ListeMontree::donneesChangees(const QModelIndex& haut, const QModelIndex& bas) {
    for (int publie = haut.row(); publie <= bas.row(); ++publie) {
        const int ligne = ligneDe(quint32(source_->rowCount() - 1 - publie));
        if (ligne >= 0) {
            emit dataChanged(index(ligne, haut.column()), index(ligne, bas.column()));
        }
    }
}
