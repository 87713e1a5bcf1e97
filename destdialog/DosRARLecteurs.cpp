// What DosRAR's controls say to screen readers, and the colours of its folder name's field.

#include "DosRAR.h"

#include "DossierListe.h"

#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

QPalette paletteNomDossier(const QPalette& palette) {
    QPalette p = palette;
    for (const QPalette::ColorGroup groupe : {QPalette::Active, QPalette::Inactive}) {
        const QColor fond = palette.color(groupe, QPalette::Base);
        p.setColor(groupe, QPalette::Base,
                   QColor(fond.red() * 3 / 4, fond.green(), fond.blue() * 3 / 4));
    }
    return p;
}

void DosRAR::nommerPourLecteurs() {
    struct Nom {
        QWidget* controle;
        QString nom;
        QString description;
    };
    const Nom noms[] = {
        {Drive1, QStringLiteral("Lecteur"), QStringLiteral("Le volume où choisir le dossier")},
        {Dir1, QStringLiteral("Dossiers"),
         QStringLiteral("Le dossier ouvert, ses parents et ses sous-dossiers ; Entrée ouvre le "
                        "dossier surligné")},
        {Frame2, QStringLiteral("Commandes"),
         QStringLiteral("Créer un sous-dossier, extraire ou annuler")},
        {Command3, QStringLiteral("Créer un sous dossier"),
         QStringLiteral("Montre la saisie du nom d'un nouveau dossier dans le dossier ouvert")},
        {Frame1, QStringLiteral("Nouveau dossier"),
         QStringLiteral("La saisie du nom du sous-dossier à créer")},
        {Label1, QStringLiteral("Nom du dossier"),
         QStringLiteral("Le libellé du nom du sous-dossier à créer")},
        {Text1, QStringLiteral("Nom du dossier"),
         QStringLiteral("Le nom du sous-dossier à créer ; les caractères interdits ne s'écrivent "
                        "pas")},
        {Command4, QStringLiteral("OK"),
         QStringLiteral("Crée le sous-dossier nommé dans le dossier ouvert")},
        {Command1, QStringLiteral("Extraire"),
         QStringLiteral("Extrait l'archive dans le dossier ouvert")},
        {Command2, QStringLiteral("Annuler"), QStringLiteral("Ferme la boîte sans rien extraire")},
        {Label2, QStringLiteral("Dossier d'extraction"),
         QStringLiteral("Le dossier ouvert dans la liste, où l'archive sera extraite")},
        {Label3, QStringLiteral("Caractère refusé"),
         QStringLiteral("Le caractère tapé dans le nom du dossier qui n'a pas été écrit, et "
                        "pourquoi")},
    };
    for (const Nom& n : noms) {
        n.controle->setAccessibleName(n.nom);
        n.controle->setAccessibleDescription(n.description);
    }
    Label1->setBuddy(Text1);
}
