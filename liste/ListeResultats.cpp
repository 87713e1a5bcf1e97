#include "ListeResultats.h"

#include "Nombres.h"
#include "Pliage.h"
#include "TexteVisible.h"

#include <algorithm>

ListeResultats::ListeResultats(QObject* parent)
    : QAbstractTableModel(parent)
    , enTeteResultat_(QStringLiteral("Résultat")) {}

int ListeResultats::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : int(publiees_);
}

int ListeResultats::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : NombreColonnes;
}

QString ListeResultats::texteCellule(const Ligne& l, int colonne) const {
    switch (colonne) {
    case ColonneFichier:
        return QString::fromUtf8(l.nom, qsizetype(l.longueurNom));
    case ColonneTaille:
        return QString::number(l.taille);
    default:
        return textesResultat_[l.resultat];
    }
}

QString ListeResultats::texte(int ligne, int colonne) const {
    // Rows not yet published count too: callers see what the pass wrote, not what was painted.
    return texteCellule(this->ligne(nombreLignes_ - 1 - std::size_t(ligne)), colonne);
}

QVariant ListeResultats::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= int(publiees_)) {
        return {};
    }
    if (role == Qt::DisplayRole) {
        if (index.column() >= NombreColonnes) {
            return {};
        }
        const Ligne& l = ligneAffichee(index.row());
        switch (index.column()) {
        case ColonneFichier:
            return nomVisible(texteCellule(l, ColonneFichier));
        case ColonneTaille:
            return texteTaille(l.taille);
        default:
            return texteCellule(l, index.column());
        }
    }
    if (role == Qt::TextAlignmentRole) {
        return headerData(index.column(), Qt::Horizontal, role);
    }
    // A screen reader on a row reads it whole from its name, in the order of the columns; the
    // other cells read as they show.
    if (role == Qt::AccessibleTextRole && index.column() == ColonneFichier) {
        const Ligne& l = ligneAffichee(index.row());
        QString phrase =
            nomVisible(texteCellule(l, ColonneFichier)) + QStringLiteral(", ") +
            (l.dossier ? QStringLiteral("dossier")
                       : texteCellule(l, ColonneTaille) +
                             (l.taille > 1 ? QStringLiteral(" octets") : QStringLiteral(" octet")));
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
    blocsLignes_.clear();
    blocsLignes_.shrink_to_fit();
    nombreLignes_ = 0;
    tailleMin_ = 0;
    tailleMax_ = 0;
    blocsNoms_.clear();
    blocsNoms_.shrink_to_fit();
    libreNoms_ = nullptr;
    resteNoms_ = 0;
    octetsPlies_ = 0;
    publiees_ = 0;
    endResetModel();
}

char* ListeResultats::placePourNom(std::size_t octets) {
    if (octets > resteNoms_) {
        // The end of the last block is left unused: a name is never split.
        const std::size_t taille = std::max(octets, OctetsParBlocNoms);
        blocsNoms_.push_back(std::make_unique<char[]>(taille + pliage::Marge));
        libreNoms_ = blocsNoms_.back().get();
        resteNoms_ = taille;
    }
    return libreNoms_;
}

void ListeResultats::ajouterEnTete(const QString& nom, qint64 taille, qint64 compressee,
                                   bool dossier, quint32 place) {
    char* debut = placePourNom(std::size_t(versUtf8_.requiredSpace(nom.size())));
    const auto octets = std::size_t(versUtf8_.appendToBuffer(debut, nom) - debut);
    const bool simple = pliage::imprimable(debut, octets);
    std::size_t prises = octets;
    if (!simple) {
        pli_.resize(0);
        pliage::plier(nomVisible(nom), pli_);
        const auto longueur = quint32(pli_.size());
        prises += sizeof longueur + pli_.size();
        if (prises > resteNoms_) {
            char* const ailleurs = placePourNom(prises);
            std::memcpy(ailleurs, debut, octets);
            debut = ailleurs;
        }
        std::memcpy(debut + octets, &longueur, sizeof longueur);
        std::memcpy(debut + octets + sizeof longueur, pli_.constData(), pli_.size());
        octetsPlies_ += qint64(sizeof longueur + pli_.size());
    }
    libreNoms_ = debut + prises;
    resteNoms_ -= prises;
    if (nombreLignes_ % LignesParBloc == 0) {
        blocsLignes_.push_back(std::make_unique_for_overwrite<Ligne[]>(LignesParBloc));
    }
    ligne(nombreLignes_++) = {debut, taille, compressee, quint32(octets),
                              0,     place,  dossier,    simple};
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

void ListeResultats::ecrireResultat(const QString& texte) {
    if (nombreLignes_ == 0) {
        return;
    }
    // Nearly every entry of a pass gets the result of the one before.
    if (textesResultat_[dernierResultat_] != texte) {
        const auto trouve = std::find(textesResultat_.begin(), textesResultat_.end(), texte);
        dernierResultat_ = std::size_t(trouve - textesResultat_.begin());
        if (trouve == textesResultat_.end()) {
            textesResultat_.push_back(texte);
        }
    }
    ligne(nombreLignes_ - 1).resultat = quint32(dernierResultat_);
    if (publiees_ == nombreLignes_) {
        const QModelIndex haut = index(0, ColonneResultat);
        emit dataChanged(haut, haut, {Qt::DisplayRole});
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
