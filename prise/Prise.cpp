#include "Prise.h"

#include "ListeResultats.h"
#include "TexteVisible.h"

#include <QSet>

#include <algorithm>

std::vector<quint32> placesChoisies(const ListeResultats& liste, const std::vector<int>& rangs) {
    std::vector<quint32> places;
    QSet<QString> dossiers;
    for (const int rang : rangs) {
        places.push_back(liste.place(rang));
        if (liste.estDossier(rang)) {
            dossiers.insert(liste.texte(rang, ListeResultats::ColonneFichier));
        }
    }
    // A row lies beneath a chosen folder when one of the folders of its path was chosen.
    for (int rang = 0; !dossiers.isEmpty() && rang < liste.nombreLignes(); ++rang) {
        const QString nom = liste.texte(rang, ListeResultats::ColonneFichier);
        for (qsizetype barre = nom.indexOf(QLatin1Char('/')); barre > 0;
             barre = nom.indexOf(QLatin1Char('/'), barre + 1)) {
            if (dossiers.contains(nom.left(barre))) {
                places.push_back(liste.place(rang));
                break;
            }
        }
    }
    std::sort(places.begin(), places.end());
    places.erase(std::unique(places.begin(), places.end()), places.end());
    return places;
}

QString lignesEnTexte(const ListeResultats& liste, const std::vector<int>& rangs) {
    QString texte;
    for (const int rang : rangs) {
        texte += nomVisible(liste.texte(rang, ListeResultats::ColonneFichier)) + QLatin1Char('\t') +
                 liste.texte(rang, ListeResultats::ColonneTaille) + QLatin1Char('\t') +
                 liste.texte(rang, ListeResultats::ColonneResultat) + QLatin1Char('\n');
    }
    return texte;
}
