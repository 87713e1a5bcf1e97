#include "ListeResultats.h"

#include "Nombres.h"
#include "Pliage.h"
#include "TexteDetails.h"
#include "TexteVisible.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <new>

#include <string.h>

namespace {

// The numbers of a record as lireVarint reads them.
char* ecrireVarint(char* p, quint64 v) {
    while (v >= 0x80) {
        *p++ = char(v | 0x80);
        v >>= 7;
    }
    *p++ = char(v);
    return p;
}

// Signed numbers as unsigned ones, -1 being as short as 1.
quint64 zigzag(qint64 v) {
    return (quint64(v) << 1) ^ quint64(v >> 63);
}

qint64 dezigzag(quint64 v) {
    return qint64(v >> 1) ^ -qint64(v & 1);
}

// What nearly every entry made on `systeme` has for attributes, which its record then keeps in a
// byte: a Unix file's mode takes three.
quint32 habituels(quint8 systeme, bool dossier) {
    if (systeme == DetailsEntree::Unix) {
        return dossier ? 040755 : 0100644;
    }
    return dossier ? 0x10 : 0x20; // FILE_ATTRIBUTE_DIRECTORY, FILE_ATTRIBUTE_ARCHIVE
}

// Whether `utf8`, a part of a name, is printable ASCII, which the filter searches as it is; if not,
// its fold goes into `pli`.
bool plierPartie(QByteArrayView utf8, QByteArray& pli) {
    if (pliage::imprimable(utf8.data(), std::size_t(utf8.size()))) {
        return true;
    }
    pli.resize(0);
    pliage::plier(nomVisible(QString::fromUtf8(utf8)), pli);
    return false;
}

} // namespace

ListeResultats::ListeResultats(QObject* parent)
    : QAbstractTableModel(parent)
    , enTeteResultat_(QStringLiteral("Résultat")) {}

ListeResultats::~ListeResultats() {
    liberer();
}

void ListeResultats::liberer() {
    for (Bloc& b : blocs_) {
        std::free(b.octets);
    }
    blocs_.clear();
    blocs_.shrink_to_fit();
}

int ListeResultats::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : int(publiees_);
}

int ListeResultats::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : NombreColonnes;
}

ListeResultats::Champs ListeResultats::champs(std::size_t i) const {
    const char* p = enregistrement(i);
    const auto drapeaux = quint8(p[2]);
    p += 3;
    Champs c{};
    c.octetsFeuille = quint32(lireVarint(p));
    c.dossier = lireDossier(p, drapeaux);
    c.feuille = p;
    p += c.octetsFeuille;
    if ((drapeaux & Simple) == 0) {
        const quint64 pli = lireVarint(p);
        p += pli;
    }
    c.taille = dezigzag(lireVarint(p));
    c.compressee = dezigzag(lireVarint(p));
    c.place = quint32(qint64(i) + dezigzag(lireVarint(p)));
    c.details = p;
    return c;
}

std::optional<DetailsEntree> ListeResultats::detailsDe(std::size_t i) const {
    const auto drapeaux = quint8(enregistrement(i)[2]);
    if ((drapeaux >> DecalageSysteme) == 0) {
        return std::nullopt;
    }
    const Champs c = champs(i);
    const char* p = c.details;
    DetailsEntree d;
    d.compressee = c.compressee;
    d.place = c.place;
    d.systeme = quint8((drapeaux >> DecalageSysteme) - 1);
    const quint64 attributs = lireVarint(p);
    d.attributs = quint32(attributs >> 2) ^ habituels(d.systeme, (drapeaux & Dossier) != 0);
    d.drapeaux = quint8(((attributs & AvecCrc) != 0 ? DetailsEntree::AvecCrc : 0) |
                        ((attributs & AvecDate) != 0 ? DetailsEntree::AvecDate : 0) |
                        ((drapeaux & Dossier) != 0 ? DetailsEntree::Dossier : 0) |
                        ((drapeaux & Chiffree) != 0 ? DetailsEntree::Chiffree : 0));
    if ((d.drapeaux & DetailsEntree::AvecDate) != 0) {
        const quint64 base = quint64(blocs_[i / LignesParBloc].date);
        d.modification = qint64(base + quint64(dezigzag(lireVarint(p))));
    }
    if ((d.drapeaux & DetailsEntree::AvecCrc) != 0) {
        std::memcpy(&d.crc, p, sizeof d.crc);
    }
    return d;
}

QString ListeResultats::nom(const Champs& c) const {
    const QString feuille = QString::fromUtf8(c.feuille, qsizetype(c.octetsFeuille));
    if (c.dossier == SansDossier) {
        return feuille;
    }
    const Repertoire& r = repertoires_[c.dossier];
    return QString::fromUtf8(dossiers_.data() + r.debut, qsizetype(r.octets)) + feuille;
}

QString ListeResultats::texteCellule(std::size_t i, int colonne) const {
    switch (colonne) {
    case ColonneFichier:
        return nom(champs(i));
    case ColonneTaille:
        return QString::number(champs(i).taille);
    default: {
        quint16 resultat = 0;
        std::memcpy(&resultat, enregistrement(i), sizeof resultat);
        return textesResultat_[resultat];
    }
    }
}

QString ListeResultats::texte(int ligne, int colonne) const {
    // Rows not yet published count too: callers see what the pass wrote, not what was painted.
    return texteCellule(duHaut(ligne), colonne);
}

QVariant ListeResultats::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= int(publiees_)) {
        return {};
    }
    if (role == Qt::DisplayRole) {
        if (index.column() >= NombreColonnes) {
            return {};
        }
        const std::size_t l = publiees_ - 1 - std::size_t(index.row());
        switch (index.column()) {
        case ColonneFichier:
            return nomVisible(texteCellule(l, ColonneFichier));
        case ColonneTaille:
            return texteTaille(champs(l).taille);
        default:
            return texteCellule(l, index.column());
        }
    }
    if (role == Qt::TextAlignmentRole) {
        return headerData(index.column(), Qt::Horizontal, role);
    }
    if ((role == Qt::ToolTipRole || role == RoleDetails) && index.column() == ColonneFichier) {
        const std::size_t l = publiees_ - 1 - std::size_t(index.row());
        const QList<QPair<QString, QString>> lignes =
            lignesEntree(texteCellule(l, ColonneFichier), champs(l).taille,
                         (enregistrement(l)[2] & Dossier) != 0, detailsDe(l));
        if (role == RoleDetails) {
            return QVariant::fromValue(lignes);
        }
        QStringList texte;
        for (const auto& [libelle, valeur] : lignes) {
            texte << libelle + QStringLiteral(" : ") + valeur;
        }
        return bulleLitterale(texte.join(QLatin1Char('\n')));
    }
    // A screen reader on a row reads it whole from its name, in the order of the columns; the
    // other cells read as they show.
    if (role == Qt::AccessibleTextRole && index.column() == ColonneFichier) {
        const std::size_t l = publiees_ - 1 - std::size_t(index.row());
        QString phrase = nomVisible(texteCellule(l, ColonneFichier)) + QStringLiteral(", ") +
                         ((enregistrement(l)[2] & Dossier) != 0
                              ? QStringLiteral("dossier")
                              : texteCellule(l, ColonneTaille) + (champs(l).taille > 1
                                                                      ? QStringLiteral(" octets")
                                                                      : QStringLiteral(" octet")));
        const QString resultat = texteCellule(l, ColonneResultat);
        return resultat.isEmpty() ? phrase : phrase + QStringLiteral(", ") + resultat;
    }
    return {};
}

QVariant ListeResultats::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal) {
        return {};
    }
    if (role == Qt::DisplayRole) {
        switch (section) {
        case ColonneFichier:
            return QStringLiteral("Fichier");
        case ColonneTaille:
            return QStringLiteral("Taille");
        case ColonneResultat:
            return enTeteResultat_;
        default:
            return {};
        }
    }
    if (role == Qt::TextAlignmentRole) {
        switch (section) {
        case ColonneTaille:
            return QVariant::fromValue(Qt::AlignRight | Qt::AlignVCenter);
        case ColonneResultat:
            return QVariant::fromValue(Qt::AlignCenter);
        default:
            return QVariant::fromValue(Qt::AlignLeft | Qt::AlignVCenter);
        }
    }
    return {};
}

void ListeResultats::viderLignes() {
    beginResetModel();
    liberer();
    nombreLignes_ = 0;
    tailleMin_ = 0;
    tailleMax_ = 0;
    dossiers_.clear();
    dossiers_.shrink_to_fit();
    repertoires_.clear();
    repertoires_.shrink_to_fit();
    numeros_.clear();
    dernierRepertoire_ = SansDossier;
    octetsPlies_ = 0;
    publiees_ = 0;
    endResetModel();
}

quint32 ListeResultats::repertoire(QByteArrayView utf8) {
    // Rows come folder by folder: nearly every row is in the folder of the row before.
    if (dernierRepertoire_ != SansDossier) {
        const Repertoire& r = repertoires_[dernierRepertoire_];
        if (QByteArrayView(dossiers_.data() + r.debut, qsizetype(r.octets)) == utf8) {
            return dernierRepertoire_;
        }
    }
    const QByteArray cle = QByteArray::fromRawData(utf8.data(), utf8.size());
    if (const auto trouve = numeros_.constFind(cle); trouve != numeros_.cend()) {
        return dernierRepertoire_ = *trouve;
    }
    if (!dossiers_.empty()) {
        dossiers_.resize(dossiers_.size() - pliage::Marge);
    }
    Repertoire r{dossiers_.size(), quint32(utf8.size()), dossiers_.size(), quint32(utf8.size())};
    dossiers_.insert(dossiers_.end(), utf8.begin(), utf8.end());
    if (!plierPartie(utf8, pli_)) {
        r.cle = dossiers_.size();
        r.octetsCle = quint32(pli_.size());
        dossiers_.insert(dossiers_.end(), pli_.begin(), pli_.end());
        octetsPlies_ += pli_.size();
    }
    dossiers_.resize(dossiers_.size() + pliage::Marge, '\0');
    dernierRepertoire_ = quint32(repertoires_.size());
    repertoires_.push_back(r);
    numeros_.insert(QByteArray(utf8.data(), utf8.size()), dernierRepertoire_);
    return dernierRepertoire_;
}

char* ListeResultats::placeDansBloc(std::size_t octets) {
    if (nombreLignes_ % LignesParBloc == 0) {
        if (!blocs_.empty()) {
            // A full block gives back what it kept for more rows.
            Bloc& plein = blocs_.back();
            if (char* p = static_cast<char*>(
                    std::realloc(plein.octets, plein.utilises + pliage::Marge))) {
                plein.octets = p;
                plein.capacite = plein.utilises;
            }
        }
        // As much as the block before took, nearly always enough.
        const std::size_t capacite =
            blocs_.empty() ? std::size_t(64 * 1024) : blocs_.back().utilises + 1024;
        Bloc b;
        b.debuts = std::make_unique_for_overwrite<quint32[]>(LignesParBloc);
        b.octets = static_cast<char*>(std::malloc(capacite + pliage::Marge));
        if (b.octets == nullptr) {
            throw std::bad_alloc();
        }
        b.capacite = capacite;
        blocs_.push_back(std::move(b));
    }
    Bloc& b = blocs_.back();
    if (b.utilises + octets > b.capacite) {
        const std::size_t capacite = std::max(b.capacite * 2, b.utilises + octets);
        char* p = static_cast<char*>(std::realloc(b.octets, capacite + pliage::Marge));
        if (p == nullptr) {
            throw std::bad_alloc();
        }
        b.octets = p;
        b.capacite = capacite;
    }
    b.debuts[nombreLignes_ % LignesParBloc] = quint32(b.utilises);
    return b.octets + b.utilises;
}

void ListeResultats::ajouterEnTete(const QString& nom, qint64 taille,
                                   const DetailsEntree& details) {
    utf8_.resize(versUtf8_.requiredSpace(nom.size()));
    utf8_.resize(versUtf8_.appendToBuffer(utf8_.data(), nom) - utf8_.data());
    ajouter(QByteArrayView(utf8_), taille, details, true);
}

void ListeResultats::ajouterEnTete(QByteArrayView utf8, qint64 taille,
                                   const DetailsEntree& details) {
    ajouter(utf8, taille, details, true);
}

void ListeResultats::ajouterEnTete(const QString& nom, qint64 taille, qint64 compressee,
                                   bool dossier, quint32 place) {
    utf8_.resize(versUtf8_.requiredSpace(nom.size()));
    utf8_.resize(versUtf8_.appendToBuffer(utf8_.data(), nom) - utf8_.data());
    ajouterEnTete(QByteArrayView(utf8_), taille, compressee, dossier, place);
}

void ListeResultats::ajouterEnTete(QByteArrayView utf8, qint64 taille, qint64 compressee,
                                   bool dossier, quint32 place) {
    DetailsEntree d;
    d.compressee = compressee;
    d.place = place;
    d.drapeaux = dossier ? DetailsEntree::Dossier : 0;
    ajouter(utf8, taille, d, false);
}

void ListeResultats::ajouter(QByteArrayView utf8, qint64 taille, const DetailsEntree& details,
                             bool connus) {
    const qint64 compressee = details.compressee;
    const quint32 place = details.place;
    const bool dossier = details.dossier();
    const auto* barre =
        static_cast<const char*>(::memrchr(utf8.data(), '/', std::size_t(utf8.size())));
    const qsizetype finDossier = barre == nullptr ? 0 : barre - utf8.data() + 1;
    const quint32 rangee = barre == nullptr ? SansDossier : repertoire(utf8.first(finDossier));
    const QByteArrayView feuille = utf8.sliced(finDossier);
    const bool simple = plierPartie(feuille, pli_);
    const bool proche = rangee <= 0xFFFF;
    const auto systeme = std::min<quint8>(details.systeme, DetailsEntree::Inconnu);
    const quint8 drapeaux =
        quint8((dossier ? Dossier : 0) | (simple ? Simple : 0) |
               (rangee == SansDossier ? 0
                : proche              ? Rangee
                                      : RangeeLoin) |
               (connus ? (systeme + 1) << DecalageSysteme : 0) |
               (connus && (details.drapeaux & DetailsEntree::Chiffree) != 0 ? Chiffree : 0));
    // The fields around the name, each at most ten bytes.
    char tete[20];
    char* t = ecrireVarint(tete, quint64(feuille.size()));
    if (proche) {
        const auto numero = quint16(rangee);
        std::memcpy(t, &numero, sizeof numero);
        t += sizeof numero;
    } else if (rangee != SansDossier) {
        std::memcpy(t, &rangee, sizeof rangee);
        t += sizeof rangee;
    }
    char queue[64];
    char* q = queue;
    if (!simple) {
        q = ecrireVarint(q, quint64(pli_.size()));
        octetsPlies_ += pli_.size();
    }
    const std::size_t avantPli = std::size_t(q - queue);
    q = ecrireVarint(q, zigzag(taille));
    q = ecrireVarint(q, zigzag(compressee));
    q = ecrireVarint(q, zigzag(qint64(place) - qint64(nombreLignes_)));
    const bool datee = connus && (details.drapeaux & DetailsEntree::AvecDate) != 0;
    const bool nouveauBloc = nombreLignes_ % LignesParBloc == 0;
    const qint64 dateBloc = nouveauBloc ? (datee ? details.modification : 0) : blocs_.back().date;
    if (connus) {
        const bool avecCrc = (details.drapeaux & DetailsEntree::AvecCrc) != 0;
        const quint32 attributs = details.attributs ^ habituels(systeme, dossier);
        q = ecrireVarint(q, (quint64(attributs) << 2) | (datee ? AvecDate : 0) |
                                (avecCrc ? AvecCrc : 0));
        if (datee) {
            // Wrapping, as the reading adds it back.
            q = ecrireVarint(q, zigzag(qint64(quint64(details.modification) - quint64(dateBloc))));
        }
        if (avecCrc) {
            std::memcpy(q, &details.crc, sizeof details.crc);
            q += sizeof details.crc;
        }
    }
    const std::size_t pli = simple ? 0 : std::size_t(pli_.size());

    const std::size_t octets =
        3 + std::size_t(t - tete) + std::size_t(feuille.size()) + std::size_t(q - queue) + pli;
    char* p = placeDansBloc(octets);
    blocs_.back().date = dateBloc;
    const quint16 resultat = 0;
    std::memcpy(p, &resultat, sizeof resultat);
    p[2] = char(drapeaux);
    p = std::copy(tete, t, p + 3);
    p = std::copy(feuille.begin(), feuille.end(), p);
    p = std::copy(queue, queue + avantPli, p);
    p = std::copy(pli_.constData(), pli_.constData() + pli, p);
    p = std::copy(queue + avantPli, q, p);
    std::memset(p, 0, pliage::Marge);
    blocs_.back().utilises += octets;
    ++nombreLignes_;
    tailleMin_ = std::min(tailleMin_, taille);
    tailleMax_ = std::max(tailleMax_, taille);
}

QStringList ListeResultats::textesLesPlusLarges(int colonne) const {
    switch (colonne) {
    case ColonneTaille:
        // The most digits are at either end; a sign takes room too.
        return {texteTaille(tailleMin_), texteTaille(tailleMax_)};
    case ColonneResultat:
        return {textesResultat_.begin(), textesResultat_.end()};
    default:
        return {};
    }
}

quint16 ListeResultats::numeroResultat(const QString& texte) {
    // Nearly every entry of a pass gets the result of the one before.
    if (textesResultat_[dernierResultat_] != texte) {
        const auto trouve = std::find(textesResultat_.begin(), textesResultat_.end(), texte);
        dernierResultat_ = std::size_t(trouve - textesResultat_.begin());
        if (trouve == textesResultat_.end()) {
            textesResultat_.push_back(texte);
        }
    }
    // The window writes its own few words of a result, never near so many.
    Q_ASSERT(dernierResultat_ <= 0xFFFF);
    return quint16(dernierResultat_);
}

void ListeResultats::ecrireResultat(const QString& texte) {
    if (nombreLignes_ == 0) {
        return;
    }
    const quint16 resultat = numeroResultat(texte);
    const Bloc& b = blocs_.back();
    std::memcpy(b.octets + b.debuts[(nombreLignes_ - 1) % LignesParBloc], &resultat,
                sizeof resultat);
    if (publiees_ == nombreLignes_) {
        const QModelIndex haut = index(0, ColonneResultat);
        emit dataChanged(haut, haut, {Qt::DisplayRole});
    }
}

void ListeResultats::reprendreResultats(const ListeResultats& passe) {
    QHash<quint32, QString> resultats; // by place in the archive
    for (std::size_t i = 0; i < passe.nombreLignes_; ++i) {
        resultats.insert(passe.champs(i).place, passe.texteCellule(i, ColonneResultat));
    }
    std::size_t premiere = nombreLignes_;
    std::size_t derniere = 0;
    for (std::size_t i = 0; i < nombreLignes_ && !resultats.isEmpty(); ++i) {
        const auto trouve = resultats.constFind(champs(i).place);
        if (trouve == resultats.cend()) {
            continue;
        }
        const quint16 resultat = numeroResultat(*trouve);
        const Bloc& b = blocs_[i / LignesParBloc];
        std::memcpy(b.octets + b.debuts[i % LignesParBloc], &resultat, sizeof resultat);
        premiere = std::min(premiere, i);
        derniere = i;
    }
    definirEnTeteResultat(passe.enTeteResultat_);
    // Rows count from the top in the views, the newest first.
    if (premiere < publiees_) {
        derniere = std::min(derniere, publiees_ - 1);
        emit dataChanged(index(int(publiees_ - 1 - derniere), ColonneResultat),
                         index(int(publiees_ - 1 - premiere), ColonneResultat), {Qt::DisplayRole});
    }
}

void ListeResultats::definirEnTeteResultat(const QString& libelle) {
    if (libelle == enTeteResultat_) {
        return;
    }
    enTeteResultat_ = libelle;
    emit headerDataChanged(Qt::Horizontal, ColonneResultat, ColonneResultat);
}

void ListeResultats::publier() {
    const std::size_t enAttente = nombreLignes_ - publiees_;
    if (enAttente == 0) {
        return;
    }
    // New rows go above the ones already shown.
    beginInsertRows(QModelIndex(), 0, int(enAttente) - 1);
    publiees_ = nombreLignes_;
    endInsertRows();
}

QString ListeResultats::texteTaille(qint64 taille) {
    return nombre(taille);
}
