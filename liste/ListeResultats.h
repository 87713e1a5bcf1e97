#pragma once

// The rows of the result list. Rows are stored in the order the pass adds them and shown newest
// first, so adding a row "at the top" costs O(1) however long the list is. Added rows reach the
// view in batches (publier), because telling a view about each of 100,000 rows one by one costs
// far more than the library's own pass.

#include <QAbstractTableModel>
#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringEncoder>
#include <QStringList>

#include <cstring>
#include <memory>
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
    // Row 1, the top of the list: `compressee`, `dossier` and `place` (in the archive, from 0)
    // as the helper tells them.
    void ajouterEnTete(const QString& nom, qint64 taille, qint64 compressee = 0,
                       bool dossier = false, quint32 place = 0);
    void ecrireResultat(const QString& texte); // third cell of the top row
    void definirEnTeteResultat(const QString& libelle);

    // Makes every added row visible to the views. Cheap when nothing is waiting.
    void publier();

    // Rows added so far, published or not.
    int nombreLignes() const { return int(nombreLignes_); }
    // As the pass wrote it, sizes in plain digits; ligne 0 is the top of the list.
    QString texte(int ligne, int colonne) const;
    // Of the row `ligne` (0 the top), published or not.
    qint64 taille(int ligne) const { return ligneDuHaut(ligne).taille; }
    qint64 compressee(int ligne) const { return ligneDuHaut(ligne).compressee; }
    bool estDossier(int ligne) const { return ligneDuHaut(ligne).dossier; }
    quint32 place(int ligne) const { return ligneDuHaut(ligne).place; }

    // What the filter searches in the `i`-th row added (0 the first): the name's own bytes when
    // they are printable ASCII, capitals standing for small letters; else the name folded as the
    // list shows it (Pliage.h). Readable pliage::Marge bytes past its end.
    QByteArrayView cle(std::size_t i) const {
        const Ligne& l = ligne(i);
        if (l.simple) {
            return {l.nom, qsizetype(l.longueurNom)};
        }
        quint32 octets = 0;
        std::memcpy(&octets, l.nom + l.longueurNom, sizeof octets);
        return {l.nom + l.longueurNom + sizeof octets, qsizetype(octets)};
    }
    // What the folded names take, all rows together.
    qint64 octetsPlies() const { return octetsPlies_; }

    // A size as the list shows it, its digits grouped by three with thin spaces, as French
    // writes them: "10 737 418 241".
    static QString texteTaille(qint64 taille);

    // The texts of `colonne` that need the most width: the longest sizes, or every result written.
    // Kept as rows come, so that a view keeps a column wide enough for all of 100,000 rows without
    // going through them. None for the names, which take whatever width is left.
    QStringList textesLesPlusLarges(int colonne) const;

private:
    // Names are kept in UTF-8, end to end in blocks that never move, and results as indexes into a
    // few texts: a row costs no allocation of its own and is written once. A pass over 100,000
    // entries then adds a few megabytes, written in one stream, beside the library's own work.
    // A name that is not printable ASCII is followed by its fold, which the filter searches,
    // after its length in 4 bytes: folded as rows come, nearly every row costs nothing more.
    struct Ligne {
        const char* nom = nullptr; // inside one of blocsNoms_
        qint64 taille = 0;
        qint64 compressee = 0;
        quint32 longueurNom = 0; // bytes
        quint32 resultat = 0;    // index into textesResultat_
        quint32 place = 0;
        bool dossier = false;
        bool simple = false; // the name is printable ASCII: no fold follows it
    };
    static constexpr std::size_t LignesParBloc = 4096;
    static constexpr std::size_t OctetsParBlocNoms = 256 * 1024;

    Ligne& ligne(std::size_t i) { return blocsLignes_[i / LignesParBloc][i % LignesParBloc]; }
    const Ligne& ligne(std::size_t i) const {
        return blocsLignes_[i / LignesParBloc][i % LignesParBloc];
    }
    const Ligne& ligneAffichee(int rang) const { return ligne(publiees_ - 1 - std::size_t(rang)); }
    const Ligne& ligneDuHaut(int rang) const {
        return ligne(nombreLignes_ - 1 - std::size_t(rang));
    }
    char* placePourNom(std::size_t octets);
    QString texteCellule(const Ligne& l, int colonne) const;

    std::vector<std::unique_ptr<Ligne[]>> blocsLignes_;
    std::size_t nombreLignes_ = 0;
    qint64 tailleMin_ = 0; // of the rows added since the list was emptied
    qint64 tailleMax_ = 0;
    std::vector<std::unique_ptr<char[]>> blocsNoms_; // each followed by pliage::Marge zeros
    char* libreNoms_ = nullptr;                      // the free end of the last name block
    std::size_t resteNoms_ = 0;
    QByteArray pli_; // the last name folded
    qint64 octetsPlies_ = 0;
    QStringEncoder versUtf8_{QStringEncoder::Utf8, QStringConverter::Flag::Stateless};
    std::vector<QString> textesResultat_{QString()};
    std::size_t dernierResultat_ = 0; // the index that ecrireResultat gave last
    std::size_t publiees_ = 0;
    QString enTeteResultat_;
};
