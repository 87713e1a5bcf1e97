#pragma once

// The result list as the view shows it: the rows of ListeResultats, those whose name holds the
// filter's text, in the pass's order or sorted by a column. Rows that a pass adds while a filter is
// set are filtered as they come. Rows are known here by their rank in ListeResultats (0 the top),
// the rank its own accessors take.
//
// A million rows filter within a frame: a key that narrows the filter tries only the rows it
// kept, and remembers those it dropped, which a key rubbed out gives back without trying any. A
// key typed after the text tries those rows first on the few bytes that followed the text in each,
// kept apart: when they still all match, no name is read.

#include "EnsemblePlaces.h"
#include "ListeResultats.h"
#include "Pliage.h"

#include <QAbstractTableModel>
#include <QByteArray>
#include <QString>

#include <algorithm>
#include <cstring>
#include <vector>

// A folded text searched for in the rows' names, made ready once. What it finds in a folder part
// is learnt once for all the rows of that folder: a row is then tried on the rest of its name,
// and across the "/" that ends the folder part only when the text holds one.
class Cherchee {
public:
    // What follows the text in a row whose folder part lacks it, where it first shows in the
    // rest of the name: up to seven bytes, capitals as small letters (bits 0-55, the first
    // lowest), how many (bits 56-58), and a bit that says it is known. A text typed on from this
    // one shows in such a row where this one first does, or not before it: those bytes decide
    // for most rows without reading their names again. 0: unknown.
    using Suite = quint64;
    // Whether `ajout`, typed after the text of `suite`, follows it there; if so, `suite` becomes
    // that of the longer text.
    static bool prolonger(Suite& suite, QByteArrayView ajout) {
        const auto n = qsizetype(suite >> 56 & 7);
        if ((suite & Connue) == 0 || ajout.size() > n) {
            return false;
        }
        for (qsizetype i = 0; i < ajout.size(); ++i) {
            if (quint8(suite >> (8 * i)) != quint8(ajout[i])) {
                return false;
            }
        }
        suite = Connue | quint64(n - ajout.size()) << 56 |
                (suite & 0x00FFFFFFFFFFFFFF) >> (8 * ajout.size());
        return true;
    }

    explicit Cherchee(const QByteArray& pli);
    // Whether the name of the `ordinal`-th row added to `source` holds the text, and what follows
    // it there. Inline: a key asks it of a million rows.
    bool dans(const ListeResultats& source, std::size_t ordinal, Suite& suite) const {
        const ListeResultats::Cle c = source.cle(ordinal);
        suite = 0;
        bool seule = true; // the rest of the name alone can hold the text
        if (c.dossier != ListeResultats::SansDossier) {
            const Etat e = c.dossier < dossiers_.size() && dossiers_[c.dossier] != Inconnu
                               ? Etat(dossiers_[c.dossier])
                               : apprendre(source, c.dossier);
            if (e == Present || (e == ACheval && aCheval(source, c))) {
                return true;
            }
            seule = e == Absent;
        }
        const auto n = std::size_t(c.feuille.size());
        const std::size_t k = aiguille_.trouver(c.feuille.data(), n);
        if (k == pliage::Aiguille::Absente) {
            return false;
        }
        if (seule) {
            suite = suiteDe(c.feuille.data() + k + std::size_t(pli_.size()),
                            std::min<std::size_t>(7, n - k - std::size_t(pli_.size())));
        }
        return true;
    }

private:
    static constexpr Suite Connue = quint64(1) << 63;
    // The suite of the `n` (at most 7) bytes at `octets`.
    static Suite suiteDe(const char* octets, std::size_t n) {
        // Eight bytes at once, those past the n-th dropped: a name is readable that far past its
        // end.
        quint64 v = 0;
        std::memcpy(&v, octets, sizeof v);
        v &= (quint64(1) << (8 * n)) - 1;
        // Capitals to small letters in each byte below 0x80, without carry from one to the next.
        constexpr quint64 Un = 0x0101010101010101;
        const quint64 sept = v & (Un * 0x7F);
        const quint64 capitales =
            (sept + Un * (0x80 - 'A')) & ~(sept + Un * (0x80 - 'Z' - 1)) & ~v & (Un * 0x80);
        return Connue | quint64(n) << 56 | v | capitales >> 2;
    }
    enum Etat : quint8 { Inconnu, Absent, Present, ACheval };
    // What the text is to the folder part `dossier`, learnt the first time.
    Etat apprendre(const ListeResultats& source, quint32 dossier) const;
    // Whether the text runs from the end of the folder part into the rest of the name.
    bool aCheval(const ListeResultats& source, const ListeResultats::Cle& c) const;
    // Whether the text starts at the end of the folder part `dossier`, cut after a "/" at `k`.
    bool finit(const ListeResultats& source, quint32 dossier, qsizetype k) const;

    pliage::Aiguille aiguille_;
    QByteArray pli_;
    std::vector<qsizetype> coupures_;      // past each "/" of the text but its last byte
    mutable std::vector<quint8> dossiers_; // Etat of each folder part, learnt when first met
};

class ListeMontree final : public QAbstractTableModel {
    Q_OBJECT

public:
    ListeMontree(ListeResultats* source, QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;

    // Keeps the rows whose name, as the list shows it, holds `texte`, both folded (Pliage.h): case,
    // accents, ligatures aside; empty: every row.
    void filtrer(const QString& texte);
    bool filtre() const { return !niveaux_.empty(); }
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

signals:
    // The order went back to the pass's (a new pass, or a list emptied).
    void ordreDuPasse();

private:
    // Rows are placed in the order shown from the bottom (0 the bottom row, filter aside), so that
    // the rows a pass adds on top come last.
    quint32 ordinal(int ligne) const; // 0 the first row the pass added
    quint32 ordinalA(quint32 place) const { return colonne_ >= 0 ? tri_[place] : place; }
    int rangDe(quint32 ordinal) const;
    int ligneDe(quint32 ordinal) const; // -1: hidden
    bool garde(quint32 place, const Cherchee& cherchee, Cherchee::Suite& suite) const {
        return cherchee.dans(*source_, ordinalA(place), suite);
    }
    // Tries every row again, as the order changed: the texts typed before are forgotten.
    void refiltrer();

    void avantRemise();
    void apresRemise();
    void lignesAjoutees(int combien);
    void donneesChangees(const QModelIndex& haut, const QModelIndex& bas);

    ListeResultats* source_;
    quint32 connues_ = 0; // rows of the source published so far
    // While sorted: the ordinal at each place, and the place of each ordinal.
    std::vector<quint32> tri_;
    std::vector<quint32> placeDe_;
    int colonne_ = -1;
    Qt::SortOrder sens_ = Qt::AscendingOrder;
    // While a filter is set: the places of the rows shown.
    EnsemblePlaces montres_;
    EnsemblePlaces brouillon_; // where filtrer() makes the next montres_, keeping its memory
    // The texts typed since every row was last tried, each holding the one before, folded; and
    // the rows each dropped from those its predecessor kept (the first's are all the others,
    // never needed). The last is the filter's.
    struct Niveau {
        QByteArray aiguille;
        EnsemblePlaces ecartees;
    };
    std::vector<Niveau> niveaux_;
    // By place, the Suite of each row shown for the filter's text, when suitesJustes_. Left
    // unwritten when made, as each is written before it is read: a million rows spare a pass
    // over 8 MB.
    struct SuiteLibre {
        SuiteLibre() {} // NOLINT(modernize-use-equals-default): "= default" would zero it
        Cherchee::Suite suite;
    };
    std::vector<SuiteLibre> suites_;
    bool suitesJustes_ = false;
};
