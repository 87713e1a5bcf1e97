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

QString ListeResultats::texte(int ligne, int colonne) const {
    // Rows not yet published count too: callers see what the pass wrote, not what was painted.
    const Ligne& l = lignes_[lignes_.size() - 1 - std::size_t(ligne)];
    switch (colonne) {
    case ColonneFichier:
        return l.nom;
    case ColonneTaille:
        return QString::number(l.taille);
    default:
        return l.resultat;
    }
}

QVariant ListeResultats::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= int(publiees_)) {
        return {};
    }
    if (role == Qt::DisplayRole) {
        const Ligne& l = ligneAffichee(index.row());
        switch (index.column()) {
        case ColonneFichier:
            return l.nom;
        case ColonneTaille:
            return QString::number(l.taille);
        case ColonneResultat:
            return l.resultat;
        default:
            return {};
        }
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
    publiees_ = 0;
    endResetModel();
}

void ListeResultats::ajouterEnTete(const QString& nom, qint64 taille) {
    lignes_.push_back({nom, taille, QString()});
}

void ListeResultats::ecrireResultat(const QString& texte) {
    if (lignes_.empty()) {
        return;
    }
    lignes_.back().resultat = texte;
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
