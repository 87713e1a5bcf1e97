#include "Espace.h"

#include "Nombres.h"
#include "TexteVisible.h"

#include <QFileInfo>

std::optional<QString> questionEspace(qint64 besoin, bool auMoins, qint64 libre,
                                      const QString& dossier) {
    if (besoin <= libre) {
        return std::nullopt;
    }
    const QString nom = QFileInfo(dossier).fileName();
    // The need rounded up and the room down: the two never read alike.
    return QStringLiteral("Il faut %1%2 sur « %3 » et il n'en reste que %4. Extraire quand même ?")
        .arg(auMoins ? QStringLiteral("au moins ") : QString(), tailleDecimale(besoin, true),
             nomVisible(nom.isEmpty() ? dossier : nom), tailleDecimale(libre, false));
}
