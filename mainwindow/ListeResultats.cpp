#include "ListeResultats.h"

ListeResultats::ListeResultats(QObject* parent)
    : QAbstractTableModel(parent)
    , enTeteResultat_(QStringLiteral("Résultat")) {}

int ListeResultats::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : int(publiees_);
}

int ListeResultats::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : NombreColonnes;
}

QString ListeResultats::nom(const Ligne& l) const {
    return QString(reinterpret_cast<const QChar*>(noms_.data() + l.debutNom), l.longueurNom);
}

QString ListeResultats::texteCellule(const Ligne& l, int colonne) const {
    switch (colonne) {
    case ColonneFichier:
        return nom(l);
    case ColonneTaille:
        return QString::number(l.taille);
    default:
        return textesResultat_[l.resultat];
    }
}

QString ListeResultats::texte(int ligne, int colonne) const {
    // Rows not yet published count too: callers see what the pass wrote, not what was painted.
    return texteCellule(lignes_[lignes_.size() - 1 - std::size_t(ligne)], colonne);
}

QVariant ListeResultats::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= int(publiees_)) {
        return {};
    }
    if (role == Qt::DisplayRole) {
        if (index.column() >= NombreColonnes) {
            return {};
        }
        return texteCellule(ligneAffichee(index.row()), index.column());
    }
    if (role == Qt::TextAlignmentRole) {
        return headerData(index.column(), Qt::Horizontal, role);
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
    lignes_.clear();
    lignes_.shrink_to_fit();
    noms_.clear();
    noms_.shrink_to_fit();
    publiees_ = 0;
    endResetModel();
}

void ListeResultats::ajouterEnTete(const QString& nom, qint64 taille) {
    const std::size_t debut = noms_.size();
    noms_.insert(noms_.end(), nom.utf16(), nom.utf16() + nom.size());
    lignes_.push_back({debut, nom.size(), taille, 0});
}

void ListeResultats::ecrireResultat(const QString& texte) {
    if (lignes_.empty()) {
        return;
    }
    std::size_t i = 0;
    while (i < textesResultat_.size() && textesResultat_[i] != texte) {
        ++i;
    }
    if (i == textesResultat_.size()) {
        textesResultat_.push_back(texte);
    }
    lignes_.back().resultat = i;
    if (publiees_ == lignes_.size()) {
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
    const std::size_t enAttente = lignes_.size() - publiees_;
    if (enAttente == 0) {
        return;
    }
    // New rows go above the ones already shown.
    beginInsertRows(QModelIndex(), 0, int(enAttente) - 1);
    publiees_ = lignes_.size();
    endInsertRows();
}
