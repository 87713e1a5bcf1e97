#pragma once

// The rows of the result list. Rows are stored in the order the pass adds them and shown newest
// first, so adding a row "at the top" costs O(1) however long the list is. Added rows reach the
// view in batches (publier), because telling a view about each of 100,000 rows one by one costs
// far more than the library's own pass.

#include "DetailsEntree.h"

#include <QAbstractTableModel>
#include <QByteArray>
#include <QByteArrayView>
#include <QHash>
#include <QString>
#include <QStringEncoder>
#include <QStringList>

#include <cstring>
#include <memory>
#include <optional>
#include <vector>

class ListeResultats final : public QAbstractTableModel {
    Q_OBJECT

public:
    enum Colonne { ColonneFichier = 0, ColonneTaille = 1, ColonneResultat = 2, NombreColonnes = 3 };

    explicit ListeResultats(QObject* parent = nullptr);
    ~ListeResultats() override;

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;

    // What a row gives for Qt::ToolTipRole and this role in the name's column: its lines
    // (lignesEntree), a QList<QPair<QString, QString>>.
    static constexpr int RoleDetails = Qt::UserRole + 1;

    void viderLignes();
    // Row 1, the top of the list, with what the helper said of its entry.
    void ajouterEnTete(const QString& nom, qint64 taille, const DetailsEntree& details);
    // The same from the name's UTF-8 bytes, kept as they come: a pass's rows cost no conversion.
    void ajouterEnTete(QByteArrayView utf8, qint64 taille, const DetailsEntree& details);
    // A row of which only `compressee`, `dossier` and `place` (in the archive, from 0) are known.
    void ajouterEnTete(const QString& nom, qint64 taille, qint64 compressee = 0,
                       bool dossier = false, quint32 place = 0);
    void ajouterEnTete(QByteArrayView utf8, qint64 taille, qint64 compressee, bool dossier,
                       quint32 place);
    void ecrireResultat(const QString& texte); // third cell of the top row
    // Gives each row the result that `passe` wrote for the entry at the same place, and its
    // heading; the other rows keep theirs, every row its rank.
    void reprendreResultats(const ListeResultats& passe);
    void definirEnTeteResultat(const QString& libelle);

    // Makes every added row visible to the views. Cheap when nothing is waiting.
    void publier();

    // Rows added so far, published or not.
    int nombreLignes() const { return int(nombreLignes_); }
    // As the pass wrote it, sizes in plain digits; ligne 0 is the top of the list.
    QString texte(int ligne, int colonne) const;
    // Of the row `ligne` (0 the top), published or not.
    qint64 taille(int ligne) const { return champs(duHaut(ligne)).taille; }
    qint64 compressee(int ligne) const { return champs(duHaut(ligne)).compressee; }
    bool estDossier(int ligne) const { return (enregistrement(duHaut(ligne))[2] & Dossier) != 0; }
    quint32 place(int ligne) const { return champs(duHaut(ligne)).place; }

    // What the filter searches in the `i`-th row added (0 the first): its name split after the
    // last "/", the folder part shared by every row of that folder. Each part is its own bytes
    // when they are printable ASCII, capitals standing for small letters; else the part folded as
    // the list shows it (Pliage.h). Readable pliage::Marge bytes past the end of each.
    static constexpr quint32 SansDossier = 0xFFFFFFFF;
    struct Cle {
        quint32 dossier; // SansDossier: a name without "/"
        QByteArrayView feuille;
    };
    // Inline: the filter asks it of a million rows at each key.
    Cle cle(std::size_t i) const {
        const char* p = enregistrement(i);
        const auto drapeaux = quint8(p[2]);
        p += 3;
        auto octets = qsizetype(lireVarint(p));
        const quint32 dossier = lireDossier(p, drapeaux);
        if ((drapeaux & Simple) == 0) {
            p += octets;
            octets = qsizetype(lireVarint(p));
        }
        return {dossier, {p, octets}};
    }
    QByteArrayView cleDossier(quint32 dossier) const {
        const Repertoire& r = repertoires_[dossier];
        return {dossiers_.data() + r.cle, qsizetype(r.octetsCle)};
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
    // A row is one record in the byte block of its 4,096 rows, written once: no allocation of its
    // own, about half the bytes of a fixed structure. Its folder part is kept once for all the rows
    // of that folder. The record:
    //   u16 result (an index into textesResultat_), u8 flags, varint bytes of the rest of the
    //   name, its folder's number (u16 with Rangee, u32 with RangeeLoin: fixed, for the filter to
    //   read fast), the rest of the name, its fold after a varint length (without Simple), then
    //   zigzag varints: size, packed size, place less the row's own number. With details (a
    //   system in the flags): a varint of the attributes (xor the usual ones), shifted by two for
    //   Avec; the time less its block's as a zigzag varint, with AvecDate; the CRC's 4 bytes, with
    //   AvecCrc.
    enum Drapeau : quint8 {
        Dossier = 1,
        Simple = 2,
        Rangee = 4,
        RangeeLoin = 8,
        Chiffree = 16,
        // The top three bits: 0 without details, else the entry's DetailsEntree::Systeme plus 1.
        DecalageSysteme = 5,
    };
    // The two low bits of the attributes' varint.
    enum Avec : quint8 { AvecCrc = 1, AvecDate = 2 };
    static constexpr std::size_t LignesParBloc = 4096;
    struct Bloc {
        std::unique_ptr<quint32[]> debuts; // of each row's record
        char* octets = nullptr;            // malloc'ed, pliage::Marge zeros past `utilises`
        std::size_t utilises = 0;
        std::size_t capacite = 0;
        qint64 date = 0; // its first row's time (0: undated): an archive's files are dated alike
    };
    // A folder part: its UTF-8 bytes, then its fold unless printable, in dossiers_.
    struct Repertoire {
        std::size_t debut;
        quint32 octets;
        std::size_t cle;
        quint32 octetsCle;
    };
    struct Champs {
        const char* feuille;
        quint32 octetsFeuille;
        quint32 dossier;
        qint64 taille;
        qint64 compressee;
        quint32 place;
        const char* details; // past the place
    };

    // Unsigned numbers in 7-bit groups, the lowest first: a small size or place takes one byte.
    static quint64 lireVarint(const char*& p) {
        quint64 v = quint8(*p++);
        if (v < 0x80) {
            return v;
        }
        v &= 0x7F;
        for (int decalage = 7;; decalage += 7) {
            const auto octet = quint8(*p++);
            v |= quint64(octet & 0x7F) << decalage;
            if (octet < 0x80) {
                return v;
            }
        }
    }
    static quint32 lireDossier(const char*& p, quint8 drapeaux) {
        if ((drapeaux & Rangee) != 0) {
            quint16 n = 0;
            std::memcpy(&n, p, sizeof n);
            p += sizeof n;
            return n;
        }
        if ((drapeaux & RangeeLoin) != 0) {
            quint32 n = 0;
            std::memcpy(&n, p, sizeof n);
            p += sizeof n;
            return n;
        }
        return SansDossier;
    }
    std::size_t duHaut(int rang) const { return nombreLignes_ - 1 - std::size_t(rang); }
    const char* enregistrement(std::size_t i) const {
        const Bloc& b = blocs_[i / LignesParBloc];
        return b.octets + b.debuts[i % LignesParBloc];
    }
    Champs champs(std::size_t i) const;
    std::optional<DetailsEntree> detailsDe(std::size_t i) const; // nothing: added without them
    quint16 numeroResultat(const QString& texte); // in textesResultat_, added when new
    char* placeDansBloc(std::size_t octets);
    void ajouter(QByteArrayView utf8, qint64 taille, const DetailsEntree& details, bool connus);
    quint32 repertoire(QByteArrayView utf8);
    QString nom(const Champs& c) const;
    QString texteCellule(std::size_t i, int colonne) const;
    void liberer();

    std::vector<Bloc> blocs_;
    std::size_t nombreLignes_ = 0;
    qint64 tailleMin_ = 0; // of the rows added since the list was emptied
    qint64 tailleMax_ = 0;
    std::vector<char> dossiers_; // then pliage::Marge zeros
    std::vector<Repertoire> repertoires_;
    QHash<QByteArray, quint32> numeros_; // of each folder part
    quint32 dernierRepertoire_ = SansDossier;
    QByteArray pli_;  // the last part folded
    QByteArray utf8_; // the last name given as a QString
    qint64 octetsPlies_ = 0;
    QStringEncoder versUtf8_{QStringEncoder::Utf8, QStringConverter::Flag::Stateless};
    std::vector<QString> textesResultat_{QString()};
    std::size_t dernierResultat_ = 0; // the index that ecrireResultat gave last
    std::size_t publiees_ = 0;
    QString enTeteResultat_;
};
