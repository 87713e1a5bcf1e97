// What finding and taking entries costs in the real window: a keystroke in the filter's field over
// every row of a list pass.

#include "Banc.h"

#include "FUnRAR.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QLineEdit>

#include <algorithm>
#include <utility>
#include <vector>

std::pair<qint64, qint64> frappesDuFiltre(FUnRAR& f) {
    f.Mnu_Filtrer_Click();
    auto* champ = f.findChild<QLineEdit*>(QStringLiteral("filtre"));
    const QString nom = QStringLiteral("fichier0999.txt");
    std::vector<qint64> ns;
    const auto taper = [&](const QString& texte) {
        QElapsedTimer chrono;
        chrono.start();
        champ->setText(texte);
        QCoreApplication::processEvents(); // the rows drawn again
        ns.push_back(chrono.nsecsElapsed());
    };
    for (qsizetype n = 1; n <= nom.size(); ++n) {
        taper(nom.left(n));
    }
    for (qsizetype n = nom.size() - 1; n >= 0; --n) {
        taper(nom.left(n));
    }
    std::sort(ns.begin(), ns.end());
    return {ns[ns.size() / 2], ns.back()};
}
