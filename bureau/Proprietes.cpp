#include "Proprietes.h"

#include "CodesRAR.h"
#include "Nombres.h"
#include "TexteDetails.h"
#include "TexteVisible.h"

#include <QDialog>
#include <QDialogButtonBox>
#include <QFileInfo>
#include <QFormLayout>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

QString format(int f) {
    switch (f) {
    case 4:
        return QStringLiteral("RAR 1.5 à 4");
    case 5:
        return QStringLiteral("RAR 5");
    default:
        return QStringLiteral("inconnu");
    }
}

} // namespace

QList<QPair<QString, QString>> lignesProprietes(const InfosArchive& infos) {
    const QFileInfo fichier(infos.chemin);
    QList<QPair<QString, QString>> l{
        {QStringLiteral("Archive"), nomVisible(fichier.fileName())},
        {QStringLiteral("Dossier"), nomVisible(fichier.path())},
    };
    if (!infos.ouverte) {
        l.append({QStringLiteral("Format"), QStringLiteral("inconnu : l'archive n'a pas été lue")});
        return l;
    }
    const auto drapeau = [&infos](quint32 d) { return (infos.drapeaux & d) != 0; };
    l.append({QStringLiteral("Format"), format(infos.format)});
    l.append({QStringLiteral("Solide"), ouiNon(drapeau(ROADF_SOLID))});
    if (drapeau(ROADF_VOLUME)) {
        l.append({QStringLiteral("Volumes"),
                  infos.volumes > 0 ? nombre(infos.volumes)
                                    : QStringLiteral("plusieurs (une liste les compte)")});
        l.append({QStringLiteral("Premier volume"), ouiNon(drapeau(ROADF_FIRSTVOLUME))});
    } else {
        l.append({QStringLiteral("Volumes"), QStringLiteral("un seul fichier")});
    }
    l.append({QStringLiteral("En-têtes chiffrés"), ouiNon(drapeau(ROADF_ENCHEADERS))});
    l.append({QStringLiteral("Enregistrement de récupération"), ouiNon(drapeau(ROADF_RECOVERY))});
    l.append({QStringLiteral("Verrouillée"), ouiNon(drapeau(ROADF_LOCK))});
    l.append({QStringLiteral("Signée"), ouiNon(drapeau(ROADF_SIGNED))});
    l.append({QStringLiteral("Commentaire"), ouiNon(drapeau(ROADF_COMMENT))});
    if (!infos.liste) {
        l.append({QStringLiteral("Contenu"), QStringLiteral("après une liste (Action › Lister)")});
        return l;
    }
    l.append({QStringLiteral("Fichiers"), nombre(infos.fichiers)});
    l.append({QStringLiteral("Dossiers"), nombre(infos.dossiers)});
    l.append({QStringLiteral("Taille totale"), texteOctets(infos.taille)});
    l.append({QStringLiteral("Taille compressée"), texteOctets(infos.compressee)});
    const QString taux = texteTaux(infos.compressee, infos.taille);
    l.append({QStringLiteral("Taux de compression"),
              taux.isEmpty() ? QStringLiteral("sans objet") : taux});
    return l;
}

namespace {

// A form of `lignes` in `boite`; its values are numbered on from `n`.
QFormLayout* grilleDe(QDialog* boite, const QList<QPair<QString, QString>>& lignes, int& n) {
    auto* grille = new QFormLayout;
    for (const auto& [libelle, valeur] : lignes) {
        auto* v = new QLabel(valeur, boite);
        v->setObjectName(QStringLiteral("valeur%1").arg(++n));
        v->setTextFormat(Qt::PlainText);
        // Read by keyboard and by screen readers, and copied.
        v->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
        v->setFocusPolicy(Qt::StrongFocus);
        v->setAccessibleName(libelle);
        v->setAccessibleDescription(libelle + QStringLiteral(" : ") + valeur);
        auto* l = new QLabel(libelle + QStringLiteral(" :"), boite);
        l->setBuddy(v);
        grille->addRow(l, v);
    }
    return grille;
}

} // namespace

void montrerProprietes(QWidget* parent, const InfosArchive& infos,
                       const QList<QPair<QString, QString>>& entree) {
    auto* boite = new QDialog(parent);
    boite->setObjectName(QStringLiteral("proprietes"));
    boite->setAttribute(Qt::WA_DeleteOnClose);
    boite->setWindowTitle(QStringLiteral("Propriétés de l'archive"));
    boite->setAccessibleName(boite->windowTitle());
    boite->setAccessibleDescription(
        QStringLiteral("Ce que la bibliothèque UnRAR dit de l'archive ouverte"));
    auto* disposition = new QVBoxLayout(boite);
    int n = 0;
    disposition->addLayout(grilleDe(boite, lignesProprietes(infos), n));
    if (!entree.isEmpty()) {
        auto* section = new QGroupBox(QStringLiteral("Entrée choisie"), boite);
        section->setObjectName(QStringLiteral("entree"));
        section->setAccessibleName(section->title());
        section->setAccessibleDescription(
            QStringLiteral("Ce que l'en-tête de l'entrée choisie dans la liste dit d'elle"));
        section->setLayout(grilleDe(boite, entree, n));
        disposition->addWidget(section);
    }
    auto* boutons = new QDialogButtonBox(QDialogButtonBox::Close, boite);
    QPushButton* fermer = boutons->button(QDialogButtonBox::Close);
    fermer->setText(QStringLiteral("&Fermer"));
    fermer->setAccessibleDescription(QStringLiteral("Ferme les propriétés"));
    QObject::connect(boutons, &QDialogButtonBox::rejected, boite, &QDialog::reject);
    disposition->addWidget(boutons);
    boite->setWindowModality(Qt::WindowModal);
    boite->show();
    fermer->setFocus();
}
