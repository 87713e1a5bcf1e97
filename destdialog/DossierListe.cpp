#include "DossierListe.h"

#include "Lecteurs.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QKeyEvent>
#include <QStyle>

#include <algorithm>

namespace {

constexpr int RoleChemin = Qt::UserRole;

QString enfant(const QString& parent, const QString& nom) {
    return parent.endsWith(QLatin1Char('/')) ? parent + nom : parent + QLatin1Char('/') + nom;
}

} // namespace

DossierListe::DossierListe(QWidget* parent)
    : QTreeWidget(parent) {
    setHeaderHidden(true);
    setColumnCount(1);
    // The tree is always fully open: its shape is the path, not something the user folds.
    setRootIsDecorated(false);
    setItemsExpandable(false);
    setExpandsOnDoubleClick(false);
    setUniformRowHeights(true);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setIndentation(12);
    connect(this, &QTreeWidget::itemDoubleClicked, this,
            [this](QTreeWidgetItem* entree) { ouvrir(entree); });
}

void DossierListe::setChemin(const QString& dossier) {
    const QString complet = QDir::cleanPath(QFileInfo(dossier).absoluteFilePath());
    if (!platform::dossierLisible(complet)) {
        throw platform::ErreurDossier("dossier absent ou illisible");
    }
    QStringList sousDossiers =
        QDir(complet).entryList(QDir::Dirs | QDir::Hidden | QDir::NoDotAndDotDot,
                                QDir::Name | QDir::IgnoreCase | QDir::LocaleAware);
    // Dot folders are listed, since they must be reachable (a ".cache" just created, ~/.local),
    // but after the others: they seldom are where one extracts.
    std::stable_partition(sousDossiers.begin(), sousDossiers.end(),
                          [](const QString& nom) { return !nom.startsWith(QLatin1Char('.')); });
    remplir(complet, sousDossiers);
    chemin_ = complet;
    emit cheminChange(chemin_);
}

void DossierListe::setLecteur(const QString& racine) {
    if (!platform::estPret(racine)) {
        throw platform::ErreurDossier("lecteur non prêt");
    }
    setChemin(platform::dossierCourant(racine));
}

void DossierListe::actualiser() {
    setChemin(chemin_);
}

void DossierListe::ouvrirSurligne() {
    ouvrir(currentItem());
}

void DossierListe::keyPressEvent(QKeyEvent* evenement) {
    if (evenement->key() == Qt::Key_Return || evenement->key() == Qt::Key_Enter) {
        ouvrirSurligne();
        evenement->accept();
        return;
    }
    QTreeWidget::keyPressEvent(evenement);
}

void DossierListe::ouvrir(QTreeWidgetItem* entree) {
    if (entree == nullptr) {
        return;
    }
    try {
        setChemin(entree->data(0, RoleChemin).toString());
    } catch (const platform::ErreurDossier&) {
        // A folder removed since the list was read: nothing to open.
        QApplication::beep();
    }
}

void DossierListe::remplir(const QString& dossier, const QStringList& sousDossiers) {
    clear();
    QString racine = platform::lecteurDe(dossier);
    if (racine.isEmpty()) {
        racine = QDir::rootPath();
    }
    // Only the folder open in the list looks open, in bold: once another entry is highlighted, it
    // still shows where the extraction goes.
    const QIcon ouvert = QIcon::fromTheme(QStringLiteral("folder-open"),
                                          style()->standardIcon(QStyle::SP_DirOpenIcon));
    const QIcon ferme =
        QIcon::fromTheme(QStringLiteral("folder"), style()->standardIcon(QStyle::SP_DirClosedIcon));

    auto* courant = new QTreeWidgetItem(this, {QDir::toNativeSeparators(racine)});
    courant->setIcon(0, ferme);
    courant->setData(0, RoleChemin, racine);
    QString chemin = racine;
    for (const QString& nom : dossier.mid(racine.size()).split(u'/', Qt::SkipEmptyParts)) {
        chemin = enfant(chemin, nom);
        courant = new QTreeWidgetItem(courant, {nom});
        courant->setIcon(0, ferme);
        courant->setData(0, RoleChemin, chemin);
    }
    courant->setIcon(0, ouvert);
    QFont gras = font();
    gras.setBold(true);
    courant->setFont(0, gras);
    for (const QString& nom : sousDossiers) {
        auto* sous = new QTreeWidgetItem(courant, {nom});
        sous->setIcon(0, ferme);
        sous->setData(0, RoleChemin, enfant(dossier, nom));
    }
    expandAll();
    setCurrentItem(courant);
    scrollToItem(courant);
}
